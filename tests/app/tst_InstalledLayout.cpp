// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The programs laid out as the package installs them (bin/ and lib/velmora/):
// velmora-convert finds the extractor in the private folder and converts an
// iPhone backup. With VELMORA_INSTALLED_ROOT set (an unpacked package) the
// installed programs themselves are run; otherwise the built ones are copied
// into that layout.
#include "support/IphoneBackupBuilder.h"
#include "support/IphoneBackupDatabases.h"
#include "support/IphoneBackupXml.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

bool copyProgram(const QString& from, const QString& to)
{
    return QDir().mkpath(QFileInfo(to).path()) && QFile::copy(from, to);
}

// Exit code and standard output; -1 for a crash. It runs in a working folder
// that holds no extractor, so only the private folder can supply one.
std::pair<int, QByteArray> runConvert(const QString& root, const QStringList& arguments, const QString& workingFolder)
{
    QProcess process;
    process.setWorkingDirectory(workingFolder);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(root + QStringLiteral("/usr/bin/velmora-convert"), arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, QByteArray()};
    return {process.exitCode(), process.readAllStandardOutput()};
}

} // namespace

class TestInstalledLayout : public QObject
{
    Q_OBJECT

private slots:
    void convertFindsTheExtractorInThePrivateFolder_data();
    void convertFindsTheExtractorInThePrivateFolder();
};

void TestInstalledLayout::convertFindsTheExtractorInThePrivateFolder_data()
{
    QTest::addColumn<bool>("withPrivateFolder");
    QTest::newRow("installed") << true;
    if (qEnvironmentVariableIsEmpty("VELMORA_INSTALLED_ROOT"))
        QTest::newRow("extractor missing") << false;
}

void TestInstalledLayout::convertFindsTheExtractorInThePrivateFolder()
{
    QFETCH(bool, withPrivateFolder);
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    QString root = qEnvironmentVariable("VELMORA_INSTALLED_ROOT");
    if (root.isEmpty()) {
        root = temp.filePath(QStringLiteral("root"));
        const QString built = QCoreApplication::applicationDirPath();
        QVERIFY(
            copyProgram(built + QStringLiteral("/velmora-convert"), root + QStringLiteral("/usr/bin/velmora-convert")));
        if (withPrivateFolder)
            QVERIFY(copyProgram(built + QStringLiteral("/new_extract/extract"),
                                root + QStringLiteral("/usr/lib/velmora/new_extract/extract")));
    }
    const QString backup = temp.filePath(QStringLiteral("backup"));
    const QString out = temp.filePath(QStringLiteral("out"));
    IphoneBackupBuilder builder;
    QFile sms(QStringLiteral(VELMORA_TEST_DATA_DIR "/iphone/ios18-sms.db"));
    QVERIFY(sms.open(QIODevice::ReadOnly));
    const QString home = QStringLiteral("HomeDomain");
    builder.addFile(home, QStringLiteral("Library/SMS/sms.db"), sms.readAll());
    builder.addFile(home, QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"),
                    IphoneBackupDatabases::createBytes(temp.filePath(QStringLiteral("ab.db")),
                                                       IphoneBackupDatabases::addressBookSchema()));
    builder.addFile(home, QStringLiteral("Library/Calendar/Calendar.sqlitedb"),
                    IphoneBackupDatabases::createBytes(temp.filePath(QStringLiteral("cal.db")),
                                                       IphoneBackupDatabases::calendarNewerSchema()));
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));

    const auto version = runConvert(root, {QStringLiteral("--version")}, temp.path());
    QCOMPARE(version.first, 0);
    QVERIFY(QRegularExpression(QStringLiteral("^velmora-convert \\d+\\.\\d+\\.\\d+\n$"))
                .match(QString::fromUtf8(version.second))
                .hasMatch());

    const auto convert = runConvert(root, {backup, out}, temp.path());
    QVERIFY(convert.first != -1);
    QCOMPARE(convert.first == 0, withPrivateFolder);
    const QStringList messages = IphoneBackupXml::outline(out + QStringLiteral("/messages.xml"));
    QCOMPARE(messages.filter(QRegularExpression(QStringLiteral("^messages/(sent|received)_message$"))).size(),
             withPrivateFolder ? 10 : 0);
}

QTEST_GUILESS_MAIN(TestInstalledLayout)
#include "tst_InstalledLayout.moc"

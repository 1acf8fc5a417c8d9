// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// velmora-convert on an encrypted iPhone backup: the password from a file or
// standard input, a wrong one told plainly, nothing decrypted left behind.
#include "support/IphoneBackupBuilder.h"
#include "support/IphoneBackupDatabases.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kPassword = QByteArrayLiteral("s3cret pass");

QByteArray database(const QString& path, const QStringList& statements)
{
    if (!IphoneBackupDatabases::create(path, statements))
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

} // namespace

class TestConvertEncrypted : public QObject
{
    Q_OBJECT

private slots:
    void password_data();
    void password();
};

void TestConvertEncrypted::password_data()
{
    QTest::addColumn<QString>("source"); // "file", "stdin" or "none"
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("file") << "file" << kPassword + "\n" << 0 << "";
    QTest::newRow("file with CR LF") << "file" << kPassword + "\r\n" << 0 << "";
    QTest::newRow("standard input") << "stdin" << kPassword << 0 << "";
    QTest::newRow("wrong") << "file" << QByteArray("s3cret") << 1 << "The password does not open this backup";
    QTest::newRow("empty file") << "file" << QByteArray() << 1 << "holds no password";
    QTest::newRow("none and no terminal") << "none" << QByteArray() << 1 << "encrypted: its password is needed";
}

void TestConvertEncrypted::password()
{
    QFETCH(QString, source);
    QFETCH(QByteArray, given);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir work;
    IphoneBackupBuilder builder;
    const QString home = QStringLiteral("HomeDomain");
    builder.addFile(home, QStringLiteral("Library/SMS/sms.db"),
                    database(work.filePath(QStringLiteral("sms.db")),
                             IphoneBackupDatabases::smsNewerSchema()
                                 << QStringLiteral("INSERT INTO handle (ROWID, id) VALUES (1, '+111')")
                                 << QStringLiteral("INSERT INTO message (guid, text, handle_id, date, is_from_me) "
                                                   "VALUES ('g1', 'hello from an encrypted backup', 1, 6e8, 0)")));
    builder.addFile(home, QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"),
                    database(work.filePath(QStringLiteral("ab.db")), IphoneBackupDatabases::addressBookSchema()));
    builder.addFile(home, QStringLiteral("Library/Calendar/Calendar.sqlitedb"),
                    database(work.filePath(QStringLiteral("cal.db")), IphoneBackupDatabases::calendarNewerSchema()));
    builder.setPassword(kPassword, 4);
    const QString backup = work.filePath(QStringLiteral("backup"));
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));
    const QString passwordFile = work.filePath(QStringLiteral("password"));
    QFile file(passwordFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(given);
    file.close();
    const QString out = work.filePath(QStringLiteral("out"));
    const QString temp = work.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(temp));

    QStringList arguments{QStringLiteral("--format"), QStringLiteral("android")};
    if (source != QLatin1String("none"))
        arguments << QStringLiteral("--password-file") << (source == QLatin1String("file") ? passwordFile : "-");
    arguments << backup << out;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temp);
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardInputFile(source == QLatin1String("stdin") ? passwordFile : QProcess::nullDevice());
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/velmora-convert"), arguments);
    QVERIFY(process.waitForFinished(60000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == exitCode, qPrintable(err));
    QVERIFY2(err.contains(message), qPrintable(err));
    const QStringList written = filesBelow(out);
    if (exitCode == 0) {
        // The address book and calendar are empty: they give no files.
        QCOMPARE(written.size(), 1);
        const QStringList sms = QDir(out).entryList({QStringLiteral("sms-*.xml")});
        QCOMPARE(sms.size(), 1);
        QFile messages(out + QLatin1Char('/') + sms.first());
        QVERIFY(messages.open(QIODevice::ReadOnly));
        QVERIFY(messages.readAll().contains("hello from an encrypted backup"));
    } else {
        QVERIFY(written.isEmpty());
    }
    // The decrypted databases lived in the run's own folder only.
    QCOMPARE(filesBelow(temp), QStringList());
}

QTEST_GUILESS_MAIN(TestConvertEncrypted)
#include "tst_ConvertEncrypted.moc"

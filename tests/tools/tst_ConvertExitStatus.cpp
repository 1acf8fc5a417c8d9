// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// velmora-convert's exit status and messages when part of an iPhone
// conversion fails: each failure is named, and the run does not pass for a
// success.
#include "support/DamagedDatabase.h"
#include "support/IphoneBackupBuilder.h"
#include "support/IphoneBackupDatabases.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString err;
};

Run runConvert(const QStringList& arguments)
{
    Run run;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/velmora-convert"), arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A messages database of 300 messages, its page holding message 150 damaged when asked.
QByteArray smsDatabase(const QString& folder, bool damaged)
{
    const QString path = folder + QStringLiteral("/sms.db");
    QStringList statements = IphoneBackupDatabases::smsNewerSchema();
    statements << QStringLiteral("INSERT INTO handle (ROWID, id) VALUES (1, '+111')")
               << DamagedDatabase::insertRows(QStringLiteral("message"),
                                              QStringLiteral("guid, text, handle_id, date, is_from_me"),
                                              QStringLiteral("'g' || i, label, 1, i, 0"), 300);
    if (!IphoneBackupDatabases::create(path, statements))
        return {};
    if (damaged && !DamagedDatabase::overwritePageHolding(path, "row-150-"))
        return {};
    return fileBytes(path);
}

} // namespace

class TestConvertExitStatus : public QObject
{
    Q_OBJECT

private slots:
    void failures_data();
    void failures();
};

void TestConvertExitStatus::failures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("messages"); // each on standard error

    QTest::newRow("all read") << "none" << 0 << QStringList{};
    QTest::newRow("damaged messages database")
        << "damaged" << 2 << QStringList{"messages: the database is damaged", "sms-*.xml: the database is damaged"};
    QTest::newRow("messages database is no database")
        << "garbage" << 2 << QStringList{"messages: the database is missing", "sms-*.xml: the database is missing"};
    QTest::newRow("output folder is a file")
        << "blocked" << 2 << QStringList{"address book: the file cannot be written", "calendar.ics: the file cannot"};
}

void TestConvertExitStatus::failures()
{
    QFETCH(QString, fault);
    QFETCH(int, exitCode);
    QFETCH(QStringList, messages);
    QTemporaryDir work;
    const QString home = QStringLiteral("HomeDomain");
    IphoneBackupBuilder builder;
    const QByteArray sms = fault == QLatin1String("garbage")
                               ? QByteArray(8192, '\x5a')
                               : smsDatabase(work.path(), fault == QLatin1String("damaged"));
    QVERIFY(!sms.isEmpty());
    builder.addFile(home, QStringLiteral("Library/SMS/sms.db"), sms);
    builder.addFile(home, QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"),
                    IphoneBackupDatabases::createBytes(work.filePath(QStringLiteral("ab.db")),
                                                       IphoneBackupDatabases::addressBookSchema()));
    builder.addFile(home, QStringLiteral("Library/Calendar/Calendar.sqlitedb"),
                    IphoneBackupDatabases::createBytes(work.filePath(QStringLiteral("cal.db")),
                                                       IphoneBackupDatabases::calendarNewerSchema()));
    const QString backup = work.filePath(QStringLiteral("backup"));
    QVERIFY(builder.write(backup, IphoneBackupBuilder::Manifest::Database));
    QString out = work.filePath(QStringLiteral("out"));
    if (fault == QLatin1String("blocked")) {
        QFile blocker(out);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        out += QStringLiteral("/inner");
    } else {
        // An earlier good messages file is not replaced by a read that got nothing.
        QVERIFY(QDir().mkpath(out));
        QFile earlier(out + QStringLiteral("/messages.xml"));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("<earlier/>") > 0);
    }

    const Run run = runConvert({backup, out});
    QCOMPARE(run.exitCode, exitCode);
    for (const QString& message : messages)
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    if (exitCode == 0)
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    const QByteArray messagesFile = fileBytes(out + QStringLiteral("/messages.xml"));
    if (fault == QLatin1String("garbage"))
        QCOMPARE(messagesFile, QByteArray("<earlier/>"));
    if (fault == QLatin1String("damaged")) {
        // What the database held before the damage arrives; how much is said.
        QVERIFY(messagesFile.contains("row-1-"));
        QVERIFY(!messagesFile.contains("row-150-"));
        QVERIFY2(run.err.contains(QRegularExpression(QStringLiteral("messages: .*; [1-9][0-9]* read"))),
                 qPrintable(run.err));
    }
}

QTEST_GUILESS_MAIN(TestConvertExitStatus)
#include "tst_ConvertExitStatus.moc"

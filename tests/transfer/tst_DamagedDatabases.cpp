// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The iPhone readers on databases that break under them: a damaged page
// part-way through, and a file that is no database at all.
#include "app/ResultCodes.h"
#include "support/DamagedDatabase.h"
#include "support/IphoneBackupDatabases.h"
#include "transfer/DataSinks.h"
#include "transfer/iphone/IphoneAddressBookExport.h"
#include "transfer/iphone/IphoneCalendarExport.h"
#include "transfer/iphone/IphoneMessagesExport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kRows = 1000;

enum class Reader { Messages, AddressBook, Calendar };

// A database of kRows entries for the reader, at path.
bool createDatabase(Reader reader, const QString& path)
{
    QStringList statements;
    switch (reader) {
    case Reader::Messages:
        statements = IphoneBackupDatabases::smsNewerSchema();
        statements << QStringLiteral("INSERT INTO handle (ROWID, id) VALUES (1, '+111')")
                   << DamagedDatabase::insertRows(QStringLiteral("message"),
                                                  QStringLiteral("guid, text, handle_id, date, is_from_me"),
                                                  QStringLiteral("'g' || i, label, 1, i, 0"), kRows);
        break;
    case Reader::AddressBook:
        statements = IphoneBackupDatabases::addressBookSchema();
        statements << DamagedDatabase::insertRows(QStringLiteral("ABPerson"), QStringLiteral("First, Last"),
                                                  QStringLiteral("label, 'Last'"), kRows);
        break;
    case Reader::Calendar:
        statements = IphoneBackupDatabases::calendarNewerSchema();
        statements << DamagedDatabase::insertRows(QStringLiteral("CalendarItem"),
                                                  QStringLiteral("summary, start_date, end_date"),
                                                  QStringLiteral("label, i * 3600, i * 3600 + 60"), kRows);
        break;
    }
    return IphoneBackupDatabases::create(path, statements);
}

// Reads the database at path, counting the records; writes the KORVA file
// at outputPath as well when it is given.
int readDatabase(Reader reader, const QString& path, const QString& outputPath, int& records)
{
    switch (reader) {
    case Reader::Messages: {
        CountingSink<MessageEntry> sink(nullptr);
        const int code = outputPath.isEmpty() ? IphoneMessagesExport::read(path, sink)
                                              : IphoneMessagesExport::write(path, outputPath, &sink);
        records = sink.count();
        return code;
    }
    case Reader::AddressBook: {
        CountingSink<ContactRecord> sink(nullptr);
        const int code = outputPath.isEmpty() ? IphoneAddressBookExport::read(path, QString(), sink)
                                              : IphoneAddressBookExport::write(path, QString(), outputPath, &sink);
        records = sink.count();
        return code;
    }
    case Reader::Calendar: {
        CountingSink<CalendarRecord> sink(nullptr);
        const int code = outputPath.isEmpty() ? IphoneCalendarExport::read(path, sink)
                                              : IphoneCalendarExport::write(path, outputPath, &sink);
        records = sink.count();
        return code;
    }
    }
    return -1;
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Reader)

class TestDamagedDatabases : public QObject
{
    Q_OBJECT

private slots:
    void readers_data();
    void damagedPageIsToldAndTheRestKept();
    void damagedPageIsToldAndTheRestKept_data() { readers_data(); }
    void unreadableDatabaseKeepsTheEarlierFile();
    void unreadableDatabaseKeepsTheEarlierFile_data() { readers_data(); }
};

void TestDamagedDatabases::readers_data()
{
    QTest::addColumn<Reader>("reader");
    QTest::newRow("messages") << Reader::Messages;
    QTest::newRow("address book") << Reader::AddressBook;
    QTest::newRow("calendar") << Reader::Calendar;
}

void TestDamagedDatabases::damagedPageIsToldAndTheRestKept()
{
    QFETCH(Reader, reader);
    QTemporaryDir work;
    const QString database = work.filePath(QStringLiteral("data.db"));
    QVERIFY(createDatabase(reader, database));
    int records = 0;
    QCOMPARE(readDatabase(reader, database, QString(), records), 0);
    QCOMPARE(records, kRows);

    QVERIFY(DamagedDatabase::overwritePageHolding(database, "row-500-"));
    const QString output = work.filePath(QStringLiteral("out.xml"));
    QCOMPARE(readDatabase(reader, database, output, records), int(DataResult::SourceDamaged));
    // What came before the damage is read and written; nothing after it is invented.
    QVERIFY2(records > 0 && records < 500, qPrintable(QString::number(records)));
    const QByteArray written = contentsOf(output);
    QVERIFY(written.contains("row-1-"));
    QVERIFY(!written.contains("row-500-"));
}

void TestDamagedDatabases::unreadableDatabaseKeepsTheEarlierFile()
{
    QFETCH(Reader, reader);
    QTemporaryDir work;
    const QString output = work.filePath(QStringLiteral("out.xml"));
    QFile earlier(output);
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("<earlier/>") > 0);
    earlier.close();
    const QString garbage = work.filePath(QStringLiteral("garbage.db"));
    QFile file(garbage);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(8192, '\x5a')) > 0);
    file.close();

    for (const QString& database : {garbage, work.filePath(QStringLiteral("absent.db")), QString()}) {
        int records = -1;
        const int code = readDatabase(reader, database, output, records);
        QVERIFY2(code != 0 && !DataResult::keepsWhatWasRead(code), qPrintable(QString::number(code)));
        QCOMPARE(records, 0);
        QCOMPARE(contentsOf(output), QByteArray("<earlier/>"));
    }
}

QTEST_GUILESS_MAIN(TestDamagedDatabases)
#include "tst_DamagedDatabases.moc"

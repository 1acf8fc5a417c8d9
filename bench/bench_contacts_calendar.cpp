// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Generates an address book and a calendar with iOS's tables and indexes
// (150,000 persons and 150,000 events unless given as arguments) and converts
// each to both its files, each step in a child process of its own so that its
// peak memory is its own. Each figure is printed next to its floor: the
// sqlite3 program reading the same rows. Goals: 100,000 persons per second
// for either address-book file; peak memory that does not grow with the count.
// The rate is taken from the child's CPU time: the machine is shared, and
// the wall clock then says more about the neighbours than about the reader.
#include "transfer/DataSinks.h"
#include "transfer/android/IcsWriter.h"
#include "transfer/android/VCardWriter.h"
#include "transfer/iphone/IphoneAddressBookExport.h"
#include "transfer/iphone/IphoneCalendarExport.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

bool run(QSqlQuery& query, const QString& text)
{
    if (query.exec(text))
        return true;
    std::fprintf(stderr, "failed: %s\n", qPrintable(text));
    return false;
}

bool makeAddressBook(const QString& path, int persons)
{
    SqliteConnection connection(path);
    if (!connection.open())
        return false;
    QSqlQuery q(connection.database());
    const char* schema[] = {
        "CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, First TEXT, Last TEXT, Middle TEXT,"
        " Organization TEXT, Department TEXT, Note TEXT, Kind INTEGER, Birthday TEXT, JobTitle TEXT, Nickname TEXT,"
        " Prefix TEXT, Suffix TEXT, guid TEXT)",
        "CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, property INTEGER,"
        " identifier INTEGER, label INTEGER, value TEXT, guid TEXT)",
        "CREATE TABLE ABMultiValueLabel (value TEXT, UNIQUE(value))",
        "CREATE TABLE ABMultiValueEntry (parent_id INTEGER, key INTEGER, value TEXT, UNIQUE(parent_id, key))",
        "CREATE TABLE ABMultiValueEntryKey (value TEXT, UNIQUE(value))",
        "CREATE INDEX ABMultiValueRecordIDIndex ON ABMultiValue(record_id)",
        "CREATE INDEX ABMultiValueEntryParentIDIndex ON ABMultiValueEntry(parent_id)",
        "INSERT INTO ABMultiValueLabel (value) VALUES ('_$!<Mobile>!$_'), ('_$!<Home>!$_'), ('_$!<Work>!$_')",
        "INSERT INTO ABMultiValueEntryKey (value) VALUES ('Street'), ('City'), ('ZIP')"};
    for (const char* statement : schema) {
        if (!run(q, QLatin1String(statement)))
            return false;
    }
    connection.database().transaction();
    QSqlQuery person(connection.database());
    person.prepare(
        QStringLiteral("INSERT INTO ABPerson (First, Last, Organization, Birthday, guid) VALUES (?,?,?,?,?)"));
    QSqlQuery value(connection.database());
    value.prepare(QStringLiteral("INSERT INTO ABMultiValue (record_id, property, label, value) VALUES (?,?,?,?)"));
    QSqlQuery entry(connection.database());
    entry.prepare(QStringLiteral("INSERT INTO ABMultiValueEntry (parent_id, key, value) VALUES (?,?,?)"));
    for (int i = 1; i <= persons; ++i) {
        person.addBindValue(QStringLiteral("First%1").arg(i));
        person.addBindValue(QStringLiteral("Last%1").arg(i));
        person.addBindValue(i % 4 == 0 ? QVariant(QStringLiteral("Company %1").arg(i % 500)) : QVariant());
        person.addBindValue(i % 5 == 0 ? QVariant(QStringLiteral("-%1").arg(i)) : QVariant());
        person.addBindValue(QStringLiteral("guid-%1").arg(i));
        person.exec();
        const auto addValue = [&](int property, int label, const QString& text) {
            value.addBindValue(i);
            value.addBindValue(property);
            value.addBindValue(label);
            value.addBindValue(text);
            value.exec();
            return value.lastInsertId().toLongLong();
        };
        addValue(3, 1, QStringLiteral("+44 7700 %1").arg(i, 6, 10, QLatin1Char('0')));
        addValue(3, 2, QStringLiteral("0113 %1").arg(i, 6, 10, QLatin1Char('0')));
        addValue(4, 3, QStringLiteral("person%1@example.com").arg(i));
        const qint64 address = addValue(5, 2, QString());
        for (int key = 1; key <= 3; ++key) {
            entry.addBindValue(address);
            entry.addBindValue(key);
            entry.addBindValue(QStringLiteral("part %1 of %2").arg(key).arg(i));
            entry.exec();
        }
    }
    return connection.database().commit();
}

bool makeCalendar(const QString& path, int events)
{
    SqliteConnection connection(path);
    if (!connection.open())
        return false;
    QSqlQuery q(connection.database());
    const char* schema[] = {
        "CREATE TABLE CalendarItem (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, summary TEXT, location_id INTEGER,"
        " description TEXT, start_date REAL, start_tz TEXT, end_date REAL, all_day INTEGER, calendar_id INTEGER,"
        " has_recurrences INTEGER, url TEXT, UUID TEXT)",
        "CREATE TABLE Location (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, title TEXT, item_owner_id INTEGER)",
        "CREATE TABLE Recurrence (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, frequency INTEGER, interval INTEGER,"
        " count INTEGER, end_date REAL, owner_id INTEGER)",
        "CREATE TABLE Alarm (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, trigger_date REAL, trigger_interval INTEGER,"
        " owner_id INTEGER)",
        "CREATE TABLE ExceptionDate (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, date REAL, owner_id INTEGER)",
        "CREATE INDEX RecurrenceOwnerId ON Recurrence(owner_id)",
        "CREATE INDEX AlarmOwnerId ON Alarm(owner_id)",
        "CREATE INDEX LocationItemOwnerId ON Location(item_owner_id)",
        "CREATE INDEX ExceptionDateOwnerId ON ExceptionDate(owner_id)"};
    for (const char* statement : schema) {
        if (!run(q, QLatin1String(statement)))
            return false;
    }
    const char* zones[] = {"Europe/London", "America/New_York", "Asia/Tokyo", "_float"};
    connection.database().transaction();
    QSqlQuery item(connection.database());
    item.prepare(QStringLiteral("INSERT INTO CalendarItem (summary, description, start_date, end_date, start_tz,"
                                " all_day, UUID) VALUES (?,?,?,?,?,?,?)"));
    QSqlQuery recurrence(connection.database());
    recurrence.prepare(QStringLiteral("INSERT INTO Recurrence (frequency, interval, owner_id) VALUES (2, 1, ?)"));
    QSqlQuery alarm(connection.database());
    alarm.prepare(QStringLiteral("INSERT INTO Alarm (trigger_interval, owner_id) VALUES (-900, ?)"));
    QSqlQuery location(connection.database());
    location.prepare(QStringLiteral("INSERT INTO Location (title, item_owner_id) VALUES (?, ?)"));
    for (int i = 1; i <= events; ++i) {
        const double start = 700000000.0 + i * 3600.0;
        item.addBindValue(QStringLiteral("Event %1").arg(i));
        item.addBindValue(QStringLiteral("Notes for event %1").arg(i));
        item.addBindValue(start);
        item.addBindValue(start + 1800);
        item.addBindValue(QLatin1String(zones[i % 4]));
        item.addBindValue(i % 10 == 0 ? 1 : 0);
        item.addBindValue(QStringLiteral("uuid-%1").arg(i));
        item.exec();
        if (i % 5 == 0) {
            recurrence.addBindValue(i);
            recurrence.exec();
        }
        alarm.addBindValue(i);
        alarm.exec();
        location.addBindValue(QStringLiteral("Room %1").arg(i % 100));
        location.addBindValue(i);
        location.exec();
    }
    return connection.database().commit();
}

struct Figures
{
    double seconds = 0;
    double cpuSeconds = 0;
    long peakMegabytes = 0;
    int status = -1;
};

// Runs this program with arguments and waits: wall time and the child's peak memory.
Figures child(const QStringList& arguments)
{
    QList<QByteArray> bytes;
    for (const QString& argument : arguments)
        bytes.append(argument.toLocal8Bit());
    QList<char*> argv;
    for (QByteArray& argument : bytes)
        argv.append(argument.data());
    argv.append(nullptr);
    Figures figures;
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv.at(0), nullptr, nullptr, argv.data(), environ) != 0)
        return figures;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    figures.seconds = double(timer.nsecsElapsed()) / 1e9;
    figures.peakMegabytes = usage.ru_maxrss / 1024;
    const auto toSeconds = [](const timeval& time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; };
    figures.cpuSeconds = toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
    figures.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return figures;
}

int convertInChild(const QString& what, const QString& database, const QString& output)
{
    if (what == QLatin1String("vcf")) {
        VCardWriter writer;
        if (writer.open(output) != 0)
            return 3;
        const int read = IphoneAddressBookExport::read(database, QString(), writer);
        return read != 0 ? 4 : writer.finish();
    }
    if (what == QLatin1String("addressxml"))
        return IphoneAddressBookExport::write(database, QString(), output) != 0 ? 4 : 0;
    if (what == QLatin1String("ics")) {
        IcsWriter writer(QDateTime::currentDateTimeUtc());
        if (writer.open(output) != 0)
            return 3;
        const int read = IphoneCalendarExport::read(database, writer);
        return read != 0 ? 4 : writer.finish();
    }
    if (what == QLatin1String("calendarxml"))
        return IphoneCalendarExport::write(database, output) != 0 ? 4 : 0;
    return 5;
}

void print(const char* name, int records, const Figures& figures, const Figures& floor)
{
    std::printf("%-28s %8d in %6.2f s CPU, %6.2f s wall (%8.0f per CPU second), peak %4ld MB, status %d;"
                " floor sqlite3 %5.2f s CPU, peak %3ld MB\n",
                name, records, figures.cpuSeconds, figures.seconds, records / figures.cpuSeconds, figures.peakMegabytes,
                figures.status, floor.cpuSeconds, floor.peakMegabytes);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 5 && arguments.at(1) == QLatin1String("--child"))
        return convertInChild(arguments.at(2), arguments.at(3), arguments.at(4));
    const int persons = arguments.size() > 1 ? arguments.at(1).toInt() : 150000;
    const int events = arguments.size() > 2 ? arguments.at(2).toInt() : 150000;

    QTemporaryDir work;
    const QString book = work.filePath(QStringLiteral("AddressBook.sqlitedb"));
    const QString calendar = work.filePath(QStringLiteral("Calendar.sqlitedb"));
    if (!makeAddressBook(book, persons) || !makeCalendar(calendar, events)) {
        std::fprintf(stderr, "could not make the databases\n");
        return 1;
    }
    const QString self = QCoreApplication::applicationFilePath();
    const QString sqlite = QStringLiteral("/usr/bin/sqlite3");
    const Figures bookFloor =
        child({sqlite, book, QStringLiteral(".output /dev/null"), QStringLiteral("SELECT * FROM ABPerson"),
               QStringLiteral("SELECT * FROM ABMultiValue"), QStringLiteral("SELECT * FROM ABMultiValueEntry")});
    const Figures calendarFloor =
        child({sqlite, calendar, QStringLiteral(".output /dev/null"), QStringLiteral("SELECT * FROM CalendarItem"),
               QStringLiteral("SELECT * FROM Recurrence"), QStringLiteral("SELECT * FROM Alarm"),
               QStringLiteral("SELECT * FROM Location")});
    const QString out = work.filePath(QStringLiteral("out"));
    print("address book to contacts.vcf", persons,
          child({self, QStringLiteral("--child"), QStringLiteral("vcf"), book, out}), bookFloor);
    print("address book to address.xml", persons,
          child({self, QStringLiteral("--child"), QStringLiteral("addressxml"), book, out}), bookFloor);
    print("calendar to calendar.ics", events,
          child({self, QStringLiteral("--child"), QStringLiteral("ics"), calendar, out}), calendarFloor);
    print("calendar to calendar.xml", events,
          child({self, QStringLiteral("--child"), QStringLiteral("calendarxml"), calendar, out}), calendarFloor);
    return 0;
}

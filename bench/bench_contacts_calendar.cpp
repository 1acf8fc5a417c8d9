// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Generates an address book and a calendar with iOS's tables and indexes
// (150,000 persons and 150,000 events unless given as arguments) and converts
// each to both its files, each step in a child process of its own so that its
// peak memory is its own. Each figure is printed next to its floor: the
// sqlite3 program reading the same rows. Goals: 100,000 persons per second
// for either address-book file; peak memory that does not grow with the count.
// The rate is taken from the child's CPU time: the machine is shared, and
// the wall clock then says more about the neighbours than about the reader.
#include "IphoneDatabases.h"
#include "transfer/DataSinks.h"
#include "transfer/android/IcsWriter.h"
#include "transfer/android/VCardWriter.h"
#include "transfer/iphone/IphoneAddressBookExport.h"
#include "transfer/iphone/IphoneCalendarExport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using namespace IphoneDatabases;

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

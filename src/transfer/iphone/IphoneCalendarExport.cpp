// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneCalendarExport.h"

#include "app/TraceLog.h"
#include "transfer/ConversionProgress.h"
#include "transfer/DataSinks.h"
#include "transfer/iphone/AppleDates.h"
#include "transfer/iphone/OwnedRows.h"
#include "transfer/iphone/SqliteConnection.h"
#include "transfer/iphone/SqliteRows.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <optional>

namespace {

const QString kNewerQuery = QStringLiteral(
    "SELECT CalendarItem.ROWID AS entry_rowid, CalendarItem.summary AS summary,\t\t\t\t"
    "CalendarItem.description AS description,\t\t\t\tLocation.title AS location,\t\t\t\t"
    "CalendarItem.start_date AS start_date,\t\t\t\tCalendarItem.end_date AS end_date,\t\t\t\t"
    "CalendarItem.start_tz AS start_tz,\t\t\t\tCalendarItem.all_day AS all_day,\t\t\t\t"
    "CalendarItem.has_recurrences AS has_recurrences,\t\t\t\tCalendarItem.url AS url,\t\t\t\t"
    "Recurrence.frequency AS frequency,\t\t\t\tRecurrence.interval AS interval,\t\t\t\t"
    "Recurrence.end_date AS recurrence_end_date \t\t\t\tFROM CalendarItem LEFT OUTER JOIN Recurrence ON "
    "CalendarItem.ROWID=Recurrence.owner_id LEFT OUTER JOIN Location ON CalendarItem.ROWID=item_owner_id");
const QString kOlderQuery = QStringLiteral(
    "SELECT Event.ROWID AS entry_rowid, Event.summary AS summary, \t\t\t\t\tEvent.description AS description, "
    "\t\t\t\t\tEvent.location AS location, \t\t\t\t\tEvent.start_date AS start_date, \t\t\t\t\t"
    "Event.end_date AS end_date, \t\t\t\t\tEvent.start_tz AS start_tz, \t\t\t\t\tEvent.all_day AS all_day, "
    "\t\t\t\t\tRecurrence.frequency AS frequency, \t\t\t\t\tRecurrence.interval AS interval, \t\t\t\t\t"
    "Recurrence.end_date AS recurrence_end_date \t\t\t\t\tFROM Event LEFT OUTER JOIN Recurrence ON "
    "Event.ROWID=Recurrence.event_id");

// iOS 17 and later dropped CalendarItem.has_recurrences, which nothing here
// reads; asking for it would make the whole query fail.
QString newerQueryFor(const QSqlDatabase& db)
{
    if (db.record(QStringLiteral("CalendarItem")).indexOf(QStringLiteral("has_recurrences")) >= 0)
        return kNewerQuery;
    QString query = kNewerQuery;
    query.replace(QStringLiteral("CalendarItem.has_recurrences AS"), QStringLiteral("NULL AS"));
    return query;
}

// Columns only the standard calendar file uses, asked for only where the
// tables have them: the recurrence's count and the entry's own identifier.
QString withStandardFileColumns(QString query, const QSqlDatabase& db, bool newerLayout)
{
    const QString itemTable = newerLayout ? QStringLiteral("CalendarItem") : QStringLiteral("Event");
    QString extra;
    if (db.record(QStringLiteral("Recurrence")).indexOf(QStringLiteral("count")) >= 0)
        extra += QStringLiteral(", Recurrence.count AS recurrence_count");
    const QSqlRecord item = db.record(itemTable);
    for (const char* column : {"UUID", "unique_identifier"}) {
        if (item.indexOf(QLatin1String(column)) >= 0) {
            extra += QStringLiteral(", ") + itemTable + QLatin1Char('.') + QLatin1String(column)
                     + QStringLiteral(" AS item_identity");
            break;
        }
    }
    const QString from = QStringLiteral("FROM ") + itemTable + QStringLiteral(" LEFT OUTER JOIN");
    const qsizetype at = query.indexOf(from);
    if (at >= 0)
        query.insert(at, extra + QLatin1Char(' '));
    return query;
}

// The column of table Alarm that names its entry: owner_id in the newer
// layout, entity_id in the older one; iOS 18 calls it calendaritem_owner_id.
QString alarmOwnerColumn(const QSqlDatabase& db, bool newerLayout)
{
    QString preferred = newerLayout ? QStringLiteral("owner_id") : QStringLiteral("entity_id");
    const QSqlRecord alarm = db.record(QStringLiteral("Alarm"));
    if (alarm.indexOf(preferred) >= 0)
        return preferred;
    if (alarm.indexOf(QStringLiteral("calendaritem_owner_id")) >= 0)
        return QStringLiteral("calendaritem_owner_id");
    return preferred;
}

QString frequencyText(const QString& code)
{
    if (code == QLatin1String("1"))
        return QStringLiteral("DAILY");
    if (code == QLatin1String("2"))
        return QStringLiteral("WEEKLY");
    if (code == QLatin1String("3"))
        return QStringLiteral("MONTHLY");
    if (code == QLatin1String("4"))
        return QStringLiteral("YEARLY");
    return QStringLiteral("once");
}

std::optional<qint64> epochSeconds(const std::optional<QString>& stored)
{
    if (!stored)
        return std::nullopt;
    const std::optional<qint64> seconds = AppleDates::parseSeconds(*stored);
    if (!seconds)
        return std::nullopt;
    return *seconds + AppleDates::kAppleEpochOffset;
}

// Where each value sits in the entries' rows; -1 where the query has no such column.
struct EntryColumns
{
    explicit EntryColumns(const SqliteRows& rows)
        : rowId(rows.columnIndex("entry_rowid")), title(rows.columnIndex("summary")),
          location(rows.columnIndex("location")), description(rows.columnIndex("description")),
          timeZone(rows.columnIndex("start_tz")), allDay(rows.columnIndex("all_day")), url(rows.columnIndex("url")),
          start(rows.columnIndex("start_date")), end(rows.columnIndex("end_date")),
          frequency(rows.columnIndex("frequency")), interval(rows.columnIndex("interval")),
          repeatEnd(rows.columnIndex("recurrence_end_date")), repeatCount(rows.columnIndex("recurrence_count")),
          identity(rows.columnIndex("item_identity"))
    {
    }
    int rowId;
    int title;
    int location;
    int description;
    int timeZone;
    int allDay;
    int url;
    int start;
    int end;
    int frequency;
    int interval;
    int repeatEnd;
    int repeatCount;
    int identity;
};

CalendarRecord recordFrom(const SqliteRows& rows, const EntryColumns& columns)
{
    CalendarRecord event;
    CalendarEntry& entry = event.entry;
    entry.title = rows.text(columns.title).value_or(QString());
    entry.location = rows.text(columns.location).value_or(QString());
    entry.description = rows.text(columns.description).value_or(QString());
    entry.timeZone = rows.text(columns.timeZone).value_or(QString());
    entry.allDay = rows.text(columns.allDay).value_or(QString()) == QLatin1String("1");
    entry.url = rows.text(columns.url).value_or(QString());
    const std::optional<QString> start = rows.text(columns.start);
    const std::optional<QString> end = rows.text(columns.end);
    if (start)
        entry.startDate = AppleDates::calendarDate(*start);
    if (end)
        entry.endDate = AppleDates::calendarDate(*end);

    const std::optional<QString> frequency = rows.text(columns.frequency);
    if (frequency && !frequency->isEmpty()) {
        entry.frequency = frequencyText(*frequency);
        entry.interval = rows.text(columns.interval).value_or(QString());
        const std::optional<QString> repeatEnd = rows.text(columns.repeatEnd);
        if (repeatEnd && !repeatEnd->isEmpty() && *repeatEnd != QLatin1String("0")) {
            entry.repeatEndDate = AppleDates::calendarDate(*repeatEnd);
            event.repeatEnd = epochSeconds(repeatEnd);
        }
        event.repeatCount = qMax(0, rows.text(columns.repeatCount).value_or(QString()).toInt());
    }
    event.start = epochSeconds(start);
    event.end = epochSeconds(end);
    const QString identity = rows.text(columns.identity).value_or(QString());
    event.identity =
        identity.isEmpty() ? QStringLiteral("row-") + rows.text(columns.rowId).value_or(QString()) : identity;
    return event;
}

QSqlQuery preparedQuery(const QSqlDatabase& db, const QString& text)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(text))
        traceValue("Selection error", query.lastError().text());
    return query;
}

// Every alarm of the calendar in one pass, by entry: its owner, its offset
// from the start, and its set time where it has one instead.
OwnedRows alarmRows(const QSqlDatabase& db, bool newerLayout)
{
    const QString owner = alarmOwnerColumn(db, newerLayout);
    const QString triggerDate = db.record(QStringLiteral("Alarm")).indexOf(QStringLiteral("trigger_date")) >= 0
                                    ? QStringLiteral("trigger_date")
                                    : QStringLiteral("NULL");
    return OwnedRows(preparedQuery(db, QStringLiteral("SELECT ") + owner + QStringLiteral(", trigger_interval, ")
                                           + triggerDate + QStringLiteral(" FROM Alarm ORDER BY ") + owner
                                           + QStringLiteral(", ROWID")));
}

// The deleted occurrences of repeating entries, where the database keeps them.
std::optional<OwnedRows> exceptionRows(const QSqlDatabase& db)
{
    const QSqlRecord table = db.record(QStringLiteral("ExceptionDate"));
    if (table.indexOf(QStringLiteral("owner_id")) < 0 || table.indexOf(QStringLiteral("date")) < 0)
        return std::nullopt;
    return OwnedRows(
        preparedQuery(db, QStringLiteral("SELECT owner_id, date FROM ExceptionDate ORDER BY owner_id, date")));
}

struct EntryParts
{
    qint64 owner = -1;
    QList<qint32> alarms;
    QList<qint64> alarmTimes;
    QList<qint64> exceptionStarts;
};

void readAlarms(OwnedRows& alarms, EntryParts& parts)
{
    for (bool on = alarms.first(parts.owner); on; on = alarms.next(parts.owner)) {
        bool ok = false;
        const qint32 seconds = alarms.row().value(1).toString().toInt(&ok, 10);
        if (ok) {
            parts.alarms.append(seconds);
            continue;
        }
        const QVariant at = alarms.row().value(2);
        if (const std::optional<qint64> time = at.isNull() ? std::nullopt : epochSeconds(at.toString()))
            parts.alarmTimes.append(*time);
    }
}

void readExceptions(OwnedRows& exceptions, EntryParts& parts)
{
    for (bool on = exceptions.first(parts.owner); on; on = exceptions.next(parts.owner)) {
        const QVariant date = exceptions.row().value(1);
        if (const std::optional<qint64> start = date.isNull() ? std::nullopt : epochSeconds(date.toString()))
            parts.exceptionStarts.append(*start);
    }
}

} // namespace

int IphoneCalendarExport::write(const QString& calendarPath, const QString& outputPath, CalendarSink* alsoTo)
{
    TraceScope trace("IphoneCalendarExport::write");
    const int result = writeXmlFile<CalendarXmlWriter, CalendarXmlSink>(
        outputPath, alsoTo, [&](CalendarSink& sink) { return read(calendarPath, sink); });
    traceReturns(result);
    return result;
}

int IphoneCalendarExport::read(const QString& calendarPath, CalendarSink& sink)
{
    TraceScope trace("IphoneCalendarExport::read");
    traceValue("database", calendarPath);
    int result = 0;
    int count = 0;
    {
        SqliteConnection connection(calendarPath);
        traceCopyToLogFolder(calendarPath, QStringLiteral("calendar.db"));
        // An empty path would give SQLite a temporary database; treat it as missing.
        if (!calendarPath.isEmpty() && connection.open()) {
            traceMessage("Database opened");
        } else {
            traceMessage("Could not open database");
            traceValue("Error", connection.database().lastError().text());
            result = kErrorCannotOpenDatabase;
        }
        const QSqlDatabase db = connection.database();
        bool newerLayout = false;
        if (result == 0) {
            if (db.isValid()) {
                traceMessage("Database is valid");
                newerLayout = db.tables(QSql::Tables).contains(QStringLiteral("Location"));
            } else {
                traceMessage("Database is invalid");
                result = kErrorInvalidDatabase;
            }
        }

        const QString entriesQuery =
            result == 0 ? withStandardFileColumns(newerLayout ? newerQueryFor(db) : kOlderQuery, db, newerLayout)
                              + QStringLiteral(" ORDER BY entry_rowid")
                        : QString();
        SqliteRows entries(connection, entriesQuery);
        // A database that did not open fails its query as well.
        if (result == kErrorCannotOpenDatabase || (result == 0 && !entries.exec())) {
            traceValue("Selection error", entries.errorText());
            result = kErrorSelection;
        }
        if (result == 0) {
            OwnedRows alarms = alarmRows(db, newerLayout);
            std::optional<OwnedRows> exceptions = exceptionRows(db);
            EntryParts parts;
            const EntryColumns columns(entries);
            ConversionProgress::Counter progress(
                ConversionProgress::Kind::Calendar,
                connection.rowCount(newerLayout ? QStringLiteral("CalendarItem") : QStringLiteral("Event")));
            while (entries.next()) {
                CalendarRecord event = recordFrom(entries, columns);
                const qint64 rowId = entries.integer(columns.rowId);
                // An entry with several recurrence or location rows comes
                // once per row; its alarms were read with the first.
                if (rowId != parts.owner) {
                    parts = EntryParts{rowId, {}, {}, {}};
                    readAlarms(alarms, parts);
                    if (exceptions)
                        readExceptions(*exceptions, parts);
                }
                event.entry.alarms = parts.alarms;
                event.alarmTimes = parts.alarmTimes;
                if (!event.entry.frequency.isEmpty() && event.entry.frequency != QLatin1String("once"))
                    event.exceptionStarts = parts.exceptionStarts;
                sink.add(event);
                ++count;
                progress.step();
            }
            // The entries are kept without their alarms: the file still
            // holds what could be read, and the run says it is incomplete.
            if ((count > 0 && !alarms.isActive()) || alarms.endedWithError()
                || (exceptions && exceptions->endedWithError()))
                result = kErrorDamagedDatabase;
            traceValue("entries", count);
            if (entries.endedWithError(count))
                result = kErrorDamagedDatabase;
        }
    }
    traceReturns(result);
    return result;
}

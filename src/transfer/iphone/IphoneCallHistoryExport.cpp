// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneCallHistoryExport.h"

#include "app/TraceLog.h"
#include "transfer/iphone/AppleDates.h"
#include "transfer/iphone/ExistingColumns.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

namespace {

// ZCALLTYPE: 1 a phone call, 8 FaceTime video, 16 FaceTime audio.
constexpr int kFaceTimeVideo = 8;
constexpr int kFaceTimeAudio = 16;

enum StoreColumn { Address, Date, Duration, Originated, Answered, CallType, UniqueId };

const QStringList& storeColumns()
{
    static const QStringList columns{QStringLiteral("ZADDRESS"),  QStringLiteral("ZDATE"),
                                     QStringLiteral("ZDURATION"), QStringLiteral("ZORIGINATED"),
                                     QStringLiteral("ZANSWERED"), QStringLiteral("ZCALLTYPE"),
                                     QStringLiteral("ZUNIQUE_ID")};
    return columns;
}

// ZADDRESS is TEXT in some versions and a BLOB of UTF-8 in others.
QString addressOf(const QVariant& value)
{
    if (value.isNull())
        return QString();
    if (value.typeId() == QMetaType::QByteArray) {
        QByteArray bytes = value.toByteArray();
        while (bytes.endsWith('\0'))
            bytes.chop(1);
        return QString::fromUtf8(bytes).trimmed();
    }
    return value.toString().trimmed();
}

qint64 millisecondsOfAppleSeconds(double seconds)
{
    return qint64(std::llround((seconds + double(AppleDates::kAppleEpochOffset)) * 1000.0));
}

CallRecord::Type storeCallType(const QSqlQuery& query)
{
    if (query.value(Originated).toInt() == 1)
        return CallRecord::Type::Outgoing;
    if (query.value(Answered).toInt() == 1)
        return CallRecord::Type::Incoming;
    // ZDISCONNECTED_CAUSE is not described anywhere for a declined call:
    // rather than guess, every unanswered incoming call is a missed one.
    return CallRecord::Type::Missed;
}

// One store; calls whose identity is in seen (when given) are skipped.
int readStore(const QString& path, CallSink& sink, int& leftOut, QSet<QString>* seen)
{
    TraceScope trace("IphoneCallHistoryExport::readStore");
    traceValue("store", path);
    int result = 0;
    {
        SqliteConnection connection(path, QStringLiteral("QSQLITE_OPEN_READONLY"));
        result = ExistingColumns::open(connection, path);
        QSqlQuery query(connection.database());
        query.setForwardOnly(true);
        if (result == 0
            && !query.exec(
                ExistingColumns::select(connection.database(), QStringLiteral("ZCALLRECORD"), storeColumns()))) {
            traceValue("Selection error", query.lastError().text());
            result = IphoneDatabaseExport::kErrorSelection;
        }
        int rows = 0;
        while (result == 0 && query.next()) {
            ++rows;
            CallRecord call;
            call.number = addressOf(query.value(Address));
            call.dateMs = millisecondsOfAppleSeconds(query.value(Date).toDouble());
            call.durationSeconds = qint64(std::llround(std::max(0.0, query.value(Duration).toDouble())));
            call.type = storeCallType(query);
            // The temporary store repeats calls the main one already holds;
            // a single store needs no such bookkeeping.
            if (seen) {
                QString identity = query.value(UniqueId).toString();
                if (identity.isEmpty())
                    identity = call.number + QLatin1Char('|') + QString::number(call.dateMs);
                if (seen->contains(identity))
                    continue;
                seen->insert(identity);
            }
            const int callType = query.value(CallType).toInt();
            if ((callType == kFaceTimeVideo || callType == kFaceTimeAudio) && call.number.contains(QLatin1Char('@'))) {
                ++leftOut;
                continue;
            }
            sink.add(call);
        }
        if (result == 0 && SqliteConnection::endedWithError(query, rows))
            result = IphoneDatabaseExport::kErrorDamagedDatabase;
    }
    traceReturns(result);
    return result;
}

} // namespace

int IphoneCallHistoryExport::readStores(const QStringList& storePaths, CallSink& sink, int& leftOut)
{
    TraceScope trace("IphoneCallHistoryExport::readStores");
    QSet<QString> seen;
    int firstFailure = 0;
    bool anyRead = false;
    for (const QString& path : storePaths) {
        const int code = readStore(path, sink, leftOut, storePaths.size() > 1 ? &seen : nullptr);
        if (DataResult::keepsWhatWasRead(code))
            anyRead = true;
        if (code != 0 && firstFailure == 0)
            firstFailure = code;
        // A damaged main store is worth reporting even when the other was whole.
        if (code == kErrorDamagedDatabase)
            firstFailure = code;
    }
    const int result = anyRead && firstFailure != kErrorDamagedDatabase ? 0 : firstFailure;
    traceReturns(result);
    return result;
}

int IphoneCallHistoryExport::readLegacy(const QString& databasePath, CallSink& sink)
{
    TraceScope trace("IphoneCallHistoryExport::readLegacy");
    int result = 0;
    {
        SqliteConnection connection(databasePath, QStringLiteral("QSQLITE_OPEN_READONLY"));
        result = ExistingColumns::open(connection, databasePath);
        QSqlQuery query(connection.database());
        query.setForwardOnly(true);
        const QStringList columns{QStringLiteral("address"), QStringLiteral("date"), QStringLiteral("duration"),
                                  QStringLiteral("flags")};
        if (result == 0
            && !query.exec(ExistingColumns::select(connection.database(), QStringLiteral("call"), columns)
                           + QStringLiteral(" ORDER BY ROWID"))) {
            traceValue("Selection error", query.lastError().text());
            result = kErrorSelection;
        }
        int rows = 0;
        while (result == 0 && query.next()) {
            ++rows;
            CallRecord call;
            call.number = addressOf(query.value(0));
            // Public descriptions of this table give its date both as Unix
            // seconds and as seconds since 2001. These phones were sold from
            // 2007 on: in Unix seconds every date of theirs lies above the
            // 2001 offset (978307200), while in seconds since 2001 it would
            // stay below it until 2032. So a value at or above the offset is
            // read as Unix time, a smaller one as Apple time.
            const qint64 stored = query.value(1).toLongLong();
            const qint64 unixSeconds =
                stored >= AppleDates::kAppleEpochOffset ? stored : stored + AppleDates::kAppleEpochOffset;
            call.dateMs = unixSeconds * 1000;
            call.durationSeconds = std::max<qint64>(0, query.value(2).toLongLong());
            const bool outgoing = (query.value(3).toLongLong() & 1) != 0;
            call.type = outgoing                   ? CallRecord::Type::Outgoing
                        : call.durationSeconds > 0 ? CallRecord::Type::Incoming
                                                   : CallRecord::Type::Missed;
            sink.add(call);
        }
        if (result == 0 && SqliteConnection::endedWithError(query, rows))
            result = kErrorDamagedDatabase;
    }
    traceReturns(result);
    return result;
}

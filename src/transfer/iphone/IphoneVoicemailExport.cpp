// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneVoicemailExport.h"

#include "app/TraceLog.h"
#include "transfer/android/DatedFileCopier.h"
#include "transfer/iphone/ExistingColumns.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {
constexpr qint64 kLatestDate = 32503680000; // 3000-01-01
} // namespace

QString IphoneVoicemailExport::title(std::optional<qint64> secondsSince1970, const QString& sender)
{
    QString who = sender.trimmed().isEmpty() ? QStringLiteral("Unknown caller") : sender.trimmed();
    if (!secondsSince1970)
        return who;
    return QDateTime::fromSecsSinceEpoch(*secondsSince1970).toString(QStringLiteral("yyyy-MM-dd HH.mm ")) + who;
}

int IphoneVoicemailExport::copy(const QString& databasePath, const QString& audioFolder, DatedFileCopier& files,
                                int& missingAudio)
{
    TraceScope trace("IphoneVoicemailExport::copy");
    SqliteConnection connection(databasePath, QStringLiteral("QSQLITE_OPEN_READONLY"));
    int result = ExistingColumns::open(connection, databasePath);
    {
        QSqlQuery query(connection.database());
        query.setForwardOnly(true);
        // The row id names the audio file; every SQLite table has one,
        // whether or not its schema lists it as a column.
        const QString columns =
            ExistingColumns::select(connection.database(), QStringLiteral("voicemail"),
                                    {QStringLiteral("date"), QStringLiteral("sender"), QStringLiteral("trashed_date")})
                .mid(int(qstrlen("SELECT ")));
        if (result == 0
            && !query.exec(QStringLiteral("SELECT ROWID, ") + columns + QStringLiteral(" ORDER BY date, ROWID"))) {
            traceValue("Selection error", query.lastError().text());
            result = kErrorSelection;
        }
        int rows = 0;
        const QDir audio(audioFolder);
        while (result == 0 && query.next()) {
            ++rows;
            // A voicemail the user deleted waits in the trash until it expires.
            if (query.value(3).toLongLong() != 0)
                continue;
            const QString source =
                audio.filePath(QString::number(query.value(0).toLongLong()) + QStringLiteral(".amr"));
            if (!QFileInfo(source).isFile()) {
                ++missingAudio;
                continue;
            }
            // Before 1970 or after 3000 is a damaged value, not a date.
            const qint64 date = query.value(1).toLongLong();
            const std::optional<qint64> seconds =
                date > 0 && date < kLatestDate ? std::optional<qint64>(date) : std::nullopt;
            files.copy(source, title(seconds, query.value(2).toString()), QStringLiteral("Voicemail"),
                       QStringLiteral(".amr"), seconds);
        }
        if (result == 0 && SqliteConnection::endedWithError(query, rows))
            result = kErrorDamagedDatabase;
    }
    traceReturns(result);
    return result;
}

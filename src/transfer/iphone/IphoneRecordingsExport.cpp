// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneRecordingsExport.h"

#include "app/TraceLog.h"
#include "transfer/android/DatedFileCopier.h"
#include "transfer/iphone/AppleDates.h"
#include "transfer/iphone/ExistingColumns.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

namespace {

struct Listed
{
    QString title;
    std::optional<qint64> seconds;
    bool deleted = false;
};

// A stored text, never a BLOB: older phones kept the title encrypted there.
QString textOf(const QVariant& value)
{
    return value.typeId() == QMetaType::QString ? value.toString().trimmed() : QString();
}

// The recordings the database lists, by file name: ZPATH holds the name
// alone or a path on the phone, which the backup does not keep.
int readListed(const QString& databasePath, QHash<QString, Listed>& listed)
{
    SqliteConnection connection(databasePath, QStringLiteral("QSQLITE_OPEN_READONLY"));
    int result = ExistingColumns::open(connection, databasePath);
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    const QString table = result == 0 && connection.database().tables().contains(QStringLiteral("ZCLOUDRECORDING"))
                              ? QStringLiteral("ZCLOUDRECORDING")
                              : QStringLiteral("ZRECORDING");
    // Newer phones show ZENCRYPTEDTITLE (plain text despite its name) and
    // keep ZCUSTOMLABEL for what older ones showed; ZEVICTIONDATE marks "Recently Deleted".
    const QStringList columns{QStringLiteral("ZPATH"), QStringLiteral("ZENCRYPTEDTITLE"),
                              QStringLiteral("ZCUSTOMLABEL"), QStringLiteral("ZDATE"), QStringLiteral("ZEVICTIONDATE")};
    if (result == 0 && !query.exec(ExistingColumns::select(connection.database(), table, columns))) {
        traceValue("Selection error", query.lastError().text());
        result = IphoneDatabaseExport::kErrorSelection;
    }
    int rows = 0;
    while (result == 0 && query.next()) {
        ++rows;
        const QString name = query.value(0).toString().section(QLatin1Char('/'), -1);
        if (name.isEmpty())
            continue;
        Listed recording;
        recording.title = textOf(query.value(1));
        if (recording.title.isEmpty())
            recording.title = textOf(query.value(2));
        bool isNumber = false;
        const double date = query.value(3).toDouble(&isNumber);
        // Within a few thousand years of 2001: anything else is no date.
        if (isNumber && std::isfinite(date) && std::abs(date) < 1e11)
            recording.seconds = qint64(date) + AppleDates::kAppleEpochOffset;
        recording.deleted = !query.value(4).isNull();
        listed.insert(name, recording);
    }
    if (result == 0 && SqliteConnection::endedWithError(query, rows))
        result = IphoneDatabaseExport::kErrorDamagedDatabase;
    return result;
}

} // namespace

std::optional<qint64> IphoneRecordingsExport::timeOfFileName(const QString& fileName)
{
    constexpr int kStampLength = 15; // "yyyyMMdd hhmmss"
    if (fileName.size() < kStampLength)
        return std::nullopt;
    const QDateTime time = QDateTime::fromString(fileName.left(kStampLength), QStringLiteral("yyyyMMdd HHmmss"));
    if (!time.isValid())
        return std::nullopt;
    return time.toSecsSinceEpoch();
}

int IphoneRecordingsExport::copy(const QString& recordingsFolder, const QString& databasePath, DatedFileCopier& files,
                                 int& missingAudio)
{
    TraceScope trace("IphoneRecordingsExport::copy");
    QHash<QString, Listed> listed;
    const int result = databasePath.isEmpty() ? 0 : readListed(databasePath, listed);
    const QStringList audio =
        QDir(recordingsFolder).entryList({QStringLiteral("*.m4a")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    QSet<QString> found;
    for (const QString& name : audio) {
        found.insert(name);
        const auto entry = listed.constFind(name);
        if (entry != listed.constEnd() && entry->deleted)
            continue;
        const QString fileTitle = QFileInfo(name).completeBaseName();
        const bool known = entry != listed.constEnd();
        const QString title = known && !entry->title.isEmpty() ? entry->title : fileTitle;
        const std::optional<qint64> seconds = known && entry->seconds ? entry->seconds : timeOfFileName(name);
        files.copy(QDir(recordingsFolder).filePath(name), title, QStringLiteral("Recording"), QStringLiteral(".m4a"),
                   seconds);
    }
    for (auto entry = listed.constBegin(); entry != listed.constEnd(); ++entry) {
        if (!entry->deleted && !found.contains(entry.key()))
            ++missingAudio;
    }
    traceReturns(result);
    return result;
}

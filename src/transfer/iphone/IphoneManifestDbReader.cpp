// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneManifestDbReader.h"

#include "app/TraceLog.h"
#include "transfer/iphone/MbFileRecord.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

// Manifest.db flags: 1 file, 2 folder, 4 symbolic link.
static constexpr int kFlagFile = 1;

QString IphoneManifestDbReader::immutableUri(const QString& path)
{
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=ro&immutable=1");
}

int IphoneManifestDbReader::read(const QString& manifestPath, QList<IphoneBackupEntry>& entries, const Filter& accept,
                                 bool withFileRecords)
{
    TraceScope trace("IphoneManifestDbReader::read");
    traceValue("manifest", manifestPath);
    SqliteConnection connection(immutableUri(manifestPath), QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    if (!connection.open()) {
        traceMessage("Could not open manifest database");
        traceValue("Error", connection.database().lastError().text());
        traceReturns(CannotOpen);
        return CannotOpen;
    }
    int result = Success;
    {
        QSqlQuery query(connection.database());
        query.setForwardOnly(true);
        const QString columns = withFileRecords ? QStringLiteral("fileID, domain, relativePath, flags, file")
                                                : QStringLiteral("fileID, domain, relativePath, flags");
        if (!query.exec(QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM Files"))) {
            traceMessage("Manifest selection error");
            traceValue("Error", query.lastError().text());
            result = QueryFailed;
        } else {
            while (query.next()) {
                IphoneBackupEntry entry;
                entry.mFileId = query.value(0).toString();
                entry.mDomain = query.value(1).toString();
                entry.mRelativePath = query.value(2).toString();
                entry.mIsFile = query.value(3).toInt() == kFlagFile;
                if (accept && !accept(entry))
                    continue;
                MbFileRecord record;
                if (withFileRecords && record.read(query.value(4).toByteArray())) {
                    entry.mWrappedKey = record.wrappedKey;
                    entry.mProtectionClass = record.protectionClass;
                    entry.mSize = record.size;
                }
                entries.append(entry);
            }
            if (query.lastError().isValid()) {
                // A corrupt page ends the scan early; keep what was read.
                traceValue("Error", query.lastError().text());
            }
        }
    }
    traceValue("entries kept", int(entries.size()));
    traceReturns(result);
    return result;
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/ManifestCheck.h"

#include "app/TraceLog.h"
#include "transfer/iphone/IphoneManifestDbReader.h"
#include "transfer/iphone/RegularFile.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

namespace {

constexpr int kSqliteHeaderSize = 100;
constexpr char kSqliteMagic[] = "SQLite format 3"; // followed by a NUL byte
constexpr char kMbdbMagic[] = "mbdb\x05\x00";
constexpr int kMbdbMagicSize = 6;
constexpr int kCipherBlockSize = 16;

quint32 bigEndianAt(const QByteArray& bytes, int offset)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | quint8(bytes.at(offset + i));
    return value;
}

QByteArray headOf(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(size);
}

qint64 pageSizeOf(const QByteArray& header)
{
    const qint64 pageSize = (quint8(header.at(16)) << 8) | quint8(header.at(17));
    return pageSize == 1 ? 65536 : pageSize;
}

// The database size the header promises, or 0 where it does not say.
qint64 promisedSize(const QByteArray& header)
{
    // The page count is only kept up to date when the change counter beside it matches.
    if (bigEndianAt(header, 92) != bigEndianAt(header, 24))
        return 0;
    return pageSizeOf(header) * qint64(bigEndianAt(header, 28));
}

// A database file always ends on a page boundary; one that does not lost its end.
bool isCutShort(const QByteArray& header, qint64 fileSize)
{
    const qint64 pageSize = pageSizeOf(header);
    return fileSize < promisedSize(header) || (pageSize > 0 && fileSize % pageSize != 0);
}

bool filesTableReadable(const QString& path)
{
    SqliteConnection connection(IphoneManifestDbReader::immutableUri(path),
                                QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    if (!connection.open())
        return false;
    QSqlQuery query(connection.database());
    return query.exec(QStringLiteral("SELECT fileID, domain, relativePath FROM Files LIMIT 1"));
}

} // namespace

ManifestCheck::SqliteState ManifestCheck::sqliteState(const QString& path)
{
    TraceScope trace("ManifestCheck::sqliteState");
    const QByteArray header = headOf(path, kSqliteHeaderSize);
    if (header.size() < kSqliteHeaderSize || !header.startsWith(QByteArray(kSqliteMagic, sizeof kSqliteMagic)))
        return SqliteState::NotSqlite;
    if (isCutShort(header, QFileInfo(path).size())) {
        traceMessage("Manifest database is shorter than its header says");
        return SqliteState::CutShort;
    }
    return filesTableReadable(path) ? SqliteState::Whole : SqliteState::Damaged;
}

QString ManifestCheck::damageOf(const QString& folder, bool encrypted)
{
    TraceScope trace("ManifestCheck::damageOf");
    const QDir dir(folder);
    const QString database = dir.filePath(QStringLiteral("Manifest.db"));
    if (QFileInfo::exists(database)) {
        if (!RegularFile::isRegular(database))
            return QStringLiteral("its Manifest.db is not a regular file");
        const qint64 size = QFileInfo(database).size();
        if (encrypted) {
            // AES-CBC ciphertext comes in whole blocks.
            return size > 0 && size % kCipherBlockSize == 0
                       ? QString()
                       : QStringLiteral("its Manifest.db is cut short: the backup did not finish");
        }
        switch (sqliteState(database)) {
        case SqliteState::Whole:
            return QString();
        case SqliteState::CutShort:
            return QStringLiteral("its Manifest.db is cut short: the backup did not finish");
        case SqliteState::Damaged:
            return QStringLiteral("its Manifest.db is damaged");
        case SqliteState::NotSqlite:
            // Without Manifest.plist an encrypted backup looks like this too.
            return size == 0 ? QStringLiteral("its Manifest.db is empty: the backup did not finish")
                             : QStringLiteral("its Manifest.db is not a database Velmora can read");
        }
    }
    const QString mbdb = dir.filePath(QStringLiteral("Manifest.mbdb"));
    if (!RegularFile::isRegular(mbdb))
        return QStringLiteral("its Manifest.mbdb is not a regular file");
    if (headOf(mbdb, kMbdbMagicSize) != QByteArray(kMbdbMagic, kMbdbMagicSize))
        return QStringLiteral("its Manifest.mbdb is damaged");
    return QString();
}

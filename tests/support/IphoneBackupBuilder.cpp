// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/IphoneBackupBuilder.h"

#include "transfer/iphone/IphoneMbdbReader.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QtEndian>

#include <plist/plist.h>

#include <cstdlib>

namespace {

void appendBigEndian(QByteArray& out, quint64 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

void appendString(QByteArray& out, const QByteArray& text, bool absent = false)
{
    if (absent) {
        appendBigEndian(out, 0xFFFF, 2);
        return;
    }
    appendBigEndian(out, quint64(text.size()), 2);
    out.append(text);
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

void IphoneBackupBuilder::addFile(const QString& domain, const QString& relativePath, const QByteArray& content)
{
    mItems.append({domain, relativePath, QString(), content, true, true});
}

void IphoneBackupBuilder::addFileWithoutBlob(const QString& domain, const QString& relativePath)
{
    mItems.append({domain, relativePath, QString(), QByteArray(), true, false});
}

void IphoneBackupBuilder::addFolder(const QString& domain, const QString& relativePath)
{
    mItems.append({domain, relativePath, QString(), QByteArray(), false, false});
}

void IphoneBackupBuilder::addFileWithId(const QString& domain, const QString& relativePath, const QString& fileId,
                                        const QByteArray& content)
{
    mItems.append({domain, relativePath, fileId, content, true, true});
}

QString IphoneBackupBuilder::fileIdOf(const Item& item) const
{
    return item.fileId.isEmpty() ? IphoneMbdbReader::fileIdFor(item.domain, item.path) : item.fileId;
}

QByteArray IphoneBackupBuilder::mbdbHeader()
{
    return QByteArrayLiteral("mbdb\x05\x00");
}

QByteArray IphoneBackupBuilder::mbdbRecord(const QString& domain, const QString& relativePath, quint16 mode,
                                           int propertyCount)
{
    QByteArray out;
    appendString(out, domain.toUtf8());
    appendString(out, relativePath.toUtf8());
    appendString(out, QByteArray(), true);                        // link target
    appendString(out, QByteArrayLiteral("0123456789abcdefghij")); // data hash
    appendString(out, QByteArray(), true);                        // encryption key
    appendBigEndian(out, mode, 2);
    appendBigEndian(out, 12345, 8); // inode
    appendBigEndian(out, 501, 4);   // uid
    appendBigEndian(out, 501, 4);   // gid
    appendBigEndian(out, 1300000000, 4);
    appendBigEndian(out, 1300000000, 4);
    appendBigEndian(out, 1300000000, 4);
    appendBigEndian(out, 42, 8); // size
    out.append(char(4));         // protection class
    out.append(char(propertyCount));
    for (int i = 0; i < propertyCount; ++i) {
        appendString(out, QByteArrayLiteral("com.apple.property"));
        appendString(out, QByteArrayLiteral("value"));
    }
    return out;
}

QByteArray IphoneBackupBuilder::plist(bool encrypted, PlistFormat format)
{
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "IsEncrypted", plist_new_bool(encrypted ? 1 : 0));
    plist_dict_set_item(root, "Version", plist_new_string("10.0"));
    plist_dict_set_item(root, "Product Version", plist_new_string("12.5.7"));
    char* data = nullptr;
    uint32_t length = 0;
    if (format == PlistFormat::Binary)
        plist_to_bin(root, &data, &length);
    else
        plist_to_xml(root, &data, &length);
    const QByteArray bytes(data, qsizetype(length));
    std::free(data);
    plist_free(root);
    return bytes;
}

bool IphoneBackupBuilder::write(const QString& folder, Manifest manifest) const
{
    QDir().mkpath(folder);
    const QDir dir(folder);
    if (!writeBytes(dir.filePath(QStringLiteral("Manifest.plist")), plist(mEncrypted, mPlistFormat)))
        return false;
    if (!writeBytes(dir.filePath(QStringLiteral("Info.plist")), plist(false, mPlistFormat)))
        return false;
    return manifest == Manifest::Database ? writeManifestDb(folder) : writeMbdb(folder);
}

bool IphoneBackupBuilder::writeManifestDb(const QString& folder) const
{
    const QDir dir(folder);
    SqliteConnection connection(dir.filePath(QStringLiteral("Manifest.db")));
    if (!connection.open())
        return false;
    {
        QSqlQuery query(connection.database());
        if (!query.exec(QStringLiteral("CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT,"
                                       " flags INTEGER, file BLOB)"))
            || !query.exec(QStringLiteral("CREATE TABLE Properties (key TEXT PRIMARY KEY, value BLOB)"))) {
            return false;
        }
        connection.database().transaction();
        for (const Item& item : mItems) {
            const QString fileId = fileIdOf(item);
            query.prepare(QStringLiteral("INSERT INTO Files VALUES (?, ?, ?, ?, ?)"));
            query.addBindValue(fileId);
            query.addBindValue(item.domain);
            query.addBindValue(item.path);
            query.addBindValue(item.isFile ? 1 : 2);
            query.addBindValue(QByteArrayLiteral("bplist00"));
            if (!query.exec())
                return false;
            if (item.hasBlob && !writeBytes(dir.filePath(fileId.left(2) + QLatin1Char('/') + fileId), item.content))
                return false;
        }
        connection.database().commit();
    }
    return true;
}

bool IphoneBackupBuilder::writeMbdb(const QString& folder) const
{
    const QDir dir(folder);
    QByteArray manifest = mbdbHeader();
    for (const Item& item : mItems) {
        manifest += mbdbRecord(item.domain, item.path, item.isFile ? 0x81A4 : 0x41ED, item.isFile ? 1 : 0);
        if (item.hasBlob && !writeBytes(dir.filePath(fileIdOf(item)), item.content))
            return false;
    }
    return writeBytes(dir.filePath(QStringLiteral("Manifest.mbdb")), manifest);
}

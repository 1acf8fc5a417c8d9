// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/IphoneBackupBuilder.h"

#include "support/BackupEncryptor.h"
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

// The bytes of a property list, which is freed.
QByteArray serialized(plist_t root, bool xml)
{
    char* data = nullptr;
    uint32_t length = 0;
    if (xml)
        plist_to_xml(root, &data, &length);
    else
        plist_to_bin(root, &data, &length);
    const QByteArray bytes(data, qsizetype(length));
    std::free(data);
    plist_free(root);
    return bytes;
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
                                           int propertyCount, const QByteArray& keyRecord, quint64 size,
                                           quint8 protectionClass)
{
    QByteArray out;
    appendString(out, domain.toUtf8());
    appendString(out, relativePath.toUtf8());
    appendString(out, QByteArray(), true);                        // link target
    appendString(out, QByteArrayLiteral("0123456789abcdefghij")); // data hash
    appendString(out, keyRecord, keyRecord.isEmpty());            // encryption key
    appendBigEndian(out, mode, 2);
    appendBigEndian(out, 12345, 8); // inode
    appendBigEndian(out, 501, 4);   // uid
    appendBigEndian(out, 501, 4);   // gid
    appendBigEndian(out, 1300000000, 4);
    appendBigEndian(out, 1300000000, 4);
    appendBigEndian(out, 1300000000, 4);
    appendBigEndian(out, size, 8);
    out.append(char(protectionClass));
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
    return serialized(root, format == PlistFormat::Xml);
}

void IphoneBackupBuilder::setPassword(const QByteArray& password, int rounds)
{
    mPassword = password;
    mRounds = rounds;
    mEncrypted = true;
}

void IphoneBackupBuilder::setKeyFault(const QString& relativePath, KeyFault fault)
{
    mKeyFaults.append({relativePath, fault});
}

quint32 IphoneBackupBuilder::protectionClassOf(const Item& item)
{
    // Two classes, so that more than one class key is needed.
    return item.domain == QLatin1String("CameraRollDomain") ? 2 : 3;
}

QByteArray IphoneBackupBuilder::storedContent(const Item& item, const BackupEncryptor* encryptor,
                                              QByteArray& keyRecord) const
{
    keyRecord.clear();
    if (!encryptor || !item.isFile)
        return item.content;
    const QByteArray key = BackupEncryptor::randomKey();
    keyRecord = encryptor->keyRecord(protectionClassOf(item), key);
    for (const auto& fault : mKeyFaults) {
        if (fault.first != item.path)
            continue;
        if (fault.second == KeyFault::Missing)
            keyRecord.clear();
        else if (fault.second == KeyFault::Damaged)
            keyRecord[keyRecord.size() - 3] = char(keyRecord.at(keyRecord.size() - 3) ^ 0x5A);
    }
    return BackupEncryptor::encrypt(item.content, key);
}

QByteArray IphoneBackupBuilder::manifestPlist(const BackupEncryptor* encryptor, const QByteArray& manifestKey) const
{
    if (!encryptor)
        return plist(mEncrypted, mPlistFormat);
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "IsEncrypted", plist_new_bool(1));
    plist_dict_set_item(root, "Version", plist_new_string("10.0"));
    const QByteArray keybag = encryptor->keybag();
    plist_dict_set_item(root, "BackupKeyBag", plist_new_data(keybag.constData(), uint64_t(keybag.size())));
    if (!manifestKey.isEmpty())
        plist_dict_set_item(root, "ManifestKey", plist_new_data(manifestKey.constData(), uint64_t(manifestKey.size())));
    return serialized(root, mPlistFormat == PlistFormat::Xml);
}

bool IphoneBackupBuilder::write(const QString& folder, Manifest manifest) const
{
    QDir().mkpath(folder);
    const QDir dir(folder);
    std::unique_ptr<BackupEncryptor> encryptor;
    if (!mPassword.isEmpty())
        encryptor = std::make_unique<BackupEncryptor>(mPassword, mRounds, manifest == Manifest::Database);
    if (!writeBytes(dir.filePath(QStringLiteral("Info.plist")), plist(false, mPlistFormat)))
        return false;
    if (manifest == Manifest::Mbdb)
        return writeBytes(dir.filePath(QStringLiteral("Manifest.plist")), manifestPlist(encryptor.get(), {}))
               && writeMbdb(folder, encryptor.get());
    if (!writeManifestDb(folder, encryptor.get()))
        return false;
    QByteArray manifestKey;
    if (encryptor) {
        // From iOS 10.2 the index itself is encrypted, its key in Manifest.plist.
        const QString path = dir.filePath(QStringLiteral("Manifest.db"));
        QFile database(path);
        if (!database.open(QIODevice::ReadOnly))
            return false;
        const QByteArray key = BackupEncryptor::randomKey();
        manifestKey = encryptor->keyRecord(4, key);
        const QByteArray encrypted = BackupEncryptor::encrypt(database.readAll(), key);
        database.close();
        if (!writeBytes(path, encrypted))
            return false;
    }
    return writeBytes(dir.filePath(QStringLiteral("Manifest.plist")), manifestPlist(encryptor.get(), manifestKey));
}

namespace {

// An MBFile object as NSKeyedArchiver writes it into Manifest.db's "file" column.
QByteArray archivedFileRecord(const QString& relativePath, qint64 size, quint32 protectionClass,
                              const QByteArray& keyRecord)
{
    plist_t objects = plist_new_array();
    plist_array_append_item(objects, plist_new_string("$null"));
    plist_t file = plist_new_dict();
    plist_dict_set_item(file, "Size", plist_new_uint(uint64_t(size)));
    plist_dict_set_item(file, "ProtectionClass", plist_new_uint(protectionClass));
    plist_dict_set_item(file, "Mode", plist_new_uint(0x81A4));
    plist_dict_set_item(file, "RelativePath", plist_new_uid(2));
    if (!keyRecord.isEmpty())
        plist_dict_set_item(file, "EncryptionKey", plist_new_uid(3));
    plist_dict_set_item(file, "$class", plist_new_uid(5));
    plist_array_append_item(objects, file);
    plist_array_append_item(objects, plist_new_string(relativePath.toUtf8().constData()));
    plist_t data = plist_new_dict();
    plist_dict_set_item(data, "NS.data", plist_new_data(keyRecord.constData(), uint64_t(keyRecord.size())));
    plist_dict_set_item(data, "$class", plist_new_uid(4));
    plist_array_append_item(objects, data);
    for (const char* name : {"NSMutableData", "MBFile"}) {
        plist_t className = plist_new_dict();
        plist_dict_set_item(className, "$classname", plist_new_string(name));
        plist_array_append_item(objects, className);
    }
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", plist_new_uid(1));
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "$version", plist_new_uint(100000));
    plist_dict_set_item(root, "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(root, "$top", top);
    plist_dict_set_item(root, "$objects", objects);
    return serialized(root, false);
}

} // namespace

bool IphoneBackupBuilder::writeManifestDb(const QString& folder, const BackupEncryptor* encryptor) const
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
            QByteArray keyRecord;
            const QByteArray stored = storedContent(item, encryptor, keyRecord);
            query.addBindValue(
                encryptor ? archivedFileRecord(item.path, item.content.size(), protectionClassOf(item), keyRecord)
                          : QByteArrayLiteral("bplist00"));
            if (!query.exec())
                return false;
            if (item.hasBlob && !writeBytes(dir.filePath(fileId.left(2) + QLatin1Char('/') + fileId), stored))
                return false;
        }
        connection.database().commit();
    }
    return true;
}

bool IphoneBackupBuilder::writeMbdb(const QString& folder, const BackupEncryptor* encryptor) const
{
    const QDir dir(folder);
    QByteArray manifest = mbdbHeader();
    for (const Item& item : mItems) {
        QByteArray keyRecord;
        const QByteArray stored = storedContent(item, encryptor, keyRecord);
        manifest +=
            mbdbRecord(item.domain, item.path, item.isFile ? 0x81A4 : 0x41ED, item.isFile ? 1 : 0, keyRecord,
                       encryptor ? quint64(item.content.size()) : 42, encryptor ? quint8(protectionClassOf(item)) : 4);
        if (item.hasBlob && !writeBytes(dir.filePath(fileIdOf(item)), stored))
            return false;
    }
    return writeBytes(dir.filePath(QStringLiteral("Manifest.mbdb")), manifest);
}

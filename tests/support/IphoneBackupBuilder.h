// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>

class BackupEncryptor;

// Builds small iPhone backup folders for tests, in either manifest layout:
// Manifest.db (iOS 10 and later: blobs in fileID[0:2]/fileID) or
// Manifest.mbdb (iOS 5 to 9: blobs named fileID at the top), with a
// Manifest.plist and an Info.plist in binary or XML form.
class IphoneBackupBuilder
{
public:
    enum class Manifest { Database, Mbdb };
    enum class PlistFormat { Binary, Xml };
    // How an encrypted backup's record of one file's key is spoiled.
    enum class KeyFault { None, Missing, Damaged };

    // A file with its blob.
    void addFile(const QString& domain, const QString& relativePath, const QByteArray& content);
    // A file the manifest lists but whose blob is absent, as real backups have.
    void addFileWithoutBlob(const QString& domain, const QString& relativePath);
    void addFolder(const QString& domain, const QString& relativePath);
    // A Manifest.db row with a chosen blob name (only the database layout has one).
    void addFileWithId(const QString& domain, const QString& relativePath, const QString& fileId,
                       const QByteArray& content);

    void setEncrypted(bool encrypted) { mEncrypted = encrypted; }
    void setPlistFormat(PlistFormat format) { mPlistFormat = format; }
    // Encrypts the backup as iOS does with this password: the database
    // layout as iOS 10.2 and later (encrypted Manifest.db, two key passes),
    // the mbdb layout as before (plain index, PBKDF2-HMAC-SHA1 alone).
    void setPassword(const QByteArray& password, int rounds = 10);
    void setKeyFault(const QString& relativePath, KeyFault fault);

    bool write(const QString& folder, Manifest manifest) const;

    // One mbdb record, for tests of the reader.
    static QByteArray mbdbRecord(const QString& domain, const QString& relativePath, quint16 mode,
                                 int propertyCount = 0, const QByteArray& keyRecord = {}, quint64 size = 42,
                                 quint8 protectionClass = 4);
    static QByteArray mbdbHeader();
    static QByteArray plist(bool encrypted, PlistFormat format);

private:
    struct Item
    {
        QString domain;
        QString path;
        QString fileId; // empty: SHA-1 of domain-path
        QByteArray content;
        bool isFile = true;
        bool hasBlob = true;
    };
    QString fileIdOf(const Item& item) const;
    // The stored bytes and the key record of an item, encrypted when a password is set.
    QByteArray storedContent(const Item& item, const BackupEncryptor* encryptor, QByteArray& keyRecord) const;
    static quint32 protectionClassOf(const Item& item);
    bool writeManifestDb(const QString& folder, const BackupEncryptor* encryptor) const;
    bool writeMbdb(const QString& folder, const BackupEncryptor* encryptor) const;
    QByteArray manifestPlist(const BackupEncryptor* encryptor, const QByteArray& manifestKey) const;

    QList<Item> mItems;
    bool mEncrypted = false;
    PlistFormat mPlistFormat = PlistFormat::Binary;
    QByteArray mPassword;
    int mRounds = 10;
    QList<QPair<QString, KeyFault>> mKeyFaults;
};

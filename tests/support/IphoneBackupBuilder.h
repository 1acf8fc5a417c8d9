// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Builds small iPhone backup folders for tests, in either manifest layout:
// Manifest.db (iOS 10 and later: blobs in fileID[0:2]/fileID) or
// Manifest.mbdb (iOS 5 to 9: blobs named fileID at the top), with a
// Manifest.plist and an Info.plist in binary or XML form.
class IphoneBackupBuilder
{
public:
    enum class Manifest { Database, Mbdb };
    enum class PlistFormat { Binary, Xml };

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

    bool write(const QString& folder, Manifest manifest) const;

    // One mbdb record, for tests of the reader.
    static QByteArray mbdbRecord(const QString& domain, const QString& relativePath, quint16 mode,
                                 int propertyCount = 0);
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
    bool writeManifestDb(const QString& folder) const;
    bool writeMbdb(const QString& folder) const;

    QList<Item> mItems;
    bool mEncrypted = false;
    PlistFormat mPlistFormat = PlistFormat::Binary;
};

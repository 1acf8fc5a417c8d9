// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// The file work a phone's storage offers the device jobs: a mounted drive's
// folder tree, or the objects of an MTP storage. Paths are relative to the
// storage root with "/" between the parts; a leading "/" is allowed.
class PhoneStorage
{
public:
    // What lies at a path. A directory calls its ".m3u" files playlists;
    // an MTP storage knows playlist objects by their kind.
    enum class Kind { File, Folder, Playlist, Picture };

    struct Entry
    {
        QString name;
        Kind kind = Kind::File;
    };

    // A file of the phone as a local file that can be read for as long as
    // the object lives: the file itself on a drive, a fetched copy otherwise.
    class LocalCopy
    {
    public:
        LocalCopy() = default;
        ~LocalCopy();
        LocalCopy(const LocalCopy&) = delete;
        LocalCopy& operator=(const LocalCopy&) = delete;
        void set(const QString& path, bool temporary);
        QString path() const { return mPath; }

    private:
        QString mPath;
        bool mTemporary = false;
    };

    virtual ~PhoneStorage() = default;

    // Something (file or folder) is at path.
    virtual bool exists(const QString& path) = 0;
    // A file, not a folder, is at path.
    virtual bool isFile(const QString& path) = 0;
    // Size in bytes of the file at path, -1 when there is none.
    virtual qint64 size(const QString& path) = 0;
    // The entries of a folder; empty when it is missing.
    virtual QList<Entry> list(const QString& folder) = 0;
    // Puts a local file at path, making missing folders. An existing file is
    // replaced only once the new one is whole; no half file ever takes its name.
    virtual bool put(const QString& localPath, const QString& path, Kind kind) = 0;
    virtual bool put(const QByteArray& data, const QString& path) = 0;
    // The file at path, readable through copy.
    virtual bool get(const QString& path, LocalCopy& copy) = 0;
    // Removes the file (never a folder) at path; false when it stays.
    virtual bool remove(const QString& path) = 0;
    // Makes the folder and its missing parents; true when it is there.
    virtual bool makeFolder(const QString& path) = 0;
    virtual bool rename(const QString& path, const QString& newName) = 0;
    // False (both figures 0) when the storage cannot be asked.
    virtual bool space(qint64& freeBytes, qint64& totalBytes) = 0;
    // Makes everything written durable: 0 or a PhoneResult code.
    virtual int flush() = 0;
    // The storage itself answers now (the phone has not gone away).
    virtual bool reachable() = 0;

    // Reads at most maxBytes of a small file; false when it cannot be read.
    bool read(const QString& path, QByteArray& data, qint64 maxBytes);
};

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/PhoneStorage.h"

// A phone mounted as a drive: plain files below its root path (the mount
// point and "/"). Copies go through a hidden temporary file renamed into place.
class DirectoryStorage : public PhoneStorage
{
public:
    explicit DirectoryStorage(const QString& rootPath);

    QString rootPath() const { return mRootPath; }
    // The absolute path of a path on the phone.
    QString absolute(const QString& path) const;

    bool exists(const QString& path) override;
    bool isFile(const QString& path) override;
    qint64 size(const QString& path) override;
    QList<Entry> list(const QString& folder) override;
    bool put(const QString& localPath, const QString& path, Kind kind) override;
    bool put(const QByteArray& data, const QString& path) override;
    bool get(const QString& path, LocalCopy& copy) override;
    bool remove(const QString& path) override;
    bool makeFolder(const QString& path) override;
    bool rename(const QString& path, const QString& newName) override;
    bool space(qint64& freeBytes, qint64& totalBytes) override;
    int flush() override;
    bool reachable() override;

private:
    QString mRootPath;
};

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/mtp/QMtpFile.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>

class QMtpDevice;

// One attached MTP phone: its connection and a cache of folder listings.
// Every listing, upload, folder creation and deletion goes through here so
// that the cache stays current. A folder is in the cache only with its
// complete listing (possibly empty); objects added to or removed from a
// folder whose listing was never fetched leave it uncached, so the next
// listing asks the phone. Object ids belong to one connection: reopening or
// closing empties the cache.
class MtpDevice
{
public:
    explicit MtpDevice(std::unique_ptr<QMtpDevice> device);
    ~MtpDevice();
    MtpDevice(const MtpDevice&) = delete;
    MtpDevice& operator=(const MtpDevice&) = delete;

    // The objects of a folder ("4294967295": the storage root), in the phone's order.
    QList<QMtpCachedFile> getFilesAndFolders(const QString& storageId, const QString& folderId);
    // 0, with the descriptor's new id set, or the error of the send.
    int sendFile(const QString& localPath, QMtpFileInterface& descriptor);
    // The new folder's id; empty on failure.
    QString createFolder(const QString& name, const QString& parentId, const QString& storageId);
    // 0 when the phone deleted the object; 1 when it refused, negative on failure.
    int deleteObject(const QString& objectId, const QString& parentId, const QString& storageId);
    // The folder's listing is read again afterwards, so the cache shows the new name.
    int renameObject(const QString& objectId, const QString& parentId, const QString& storageId,
                     const QString& newName);
    int transferFromDevice(const QString& objectId, const QString& localPath);
    int setReferences(const QString& objectId, const QStringList& ids);
    // Drops the cached listing of one folder, so that the next one asks the phone.
    void forgetFolder(const QString& folderId, const QString& storageId);
    bool reopen();
    void close();
    QString friendlyName() const;
    QMtpDevice* device() const { return mDevice.get(); }

private:
    mutable QMutex mMutex;
    QHash<QString, QList<QMtpCachedFile>> mFolderCache;
    std::unique_ptr<QMtpDevice> mDevice;
};

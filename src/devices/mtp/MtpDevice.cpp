// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/mtp/MtpDevice.h"

#include "app/TraceLog.h"
#include "devices/mtp/PortableDevices.h"
#include "devices/mtp/QMtpDevice.h"

#include <QMutexLocker>

MtpDevice::MtpDevice(std::unique_ptr<QMtpDevice> device) : mDevice(std::move(device))
{
    TraceScope trace("MtpDevice::MtpDevice");
}

MtpDevice::~MtpDevice()
{
    TraceScope trace("MtpDevice::~MtpDevice");
}

QList<QMtpCachedFile> MtpDevice::getFilesAndFolders(const QString& storageId, const QString& folderId)
{
    TraceScope trace("MtpDevice::getFilesAndFolders");
    const QString key = MangleFolderId(folderId, storageId);
    QMutexLocker locker(&mMutex);
    const auto cached = mFolderCache.constFind(key);
    if (cached != mFolderCache.constEnd()) {
        traceValue("cached entries", int(cached->size()));
        return *cached;
    }
    bool ok = false;
    const QList<QMtpFile> fetched = QMtpGetFilesAndFolders(*mDevice, storageId, folderId, &ok);
    QList<QMtpCachedFile> files;
    for (const QMtpFile& file : fetched)
        files.append(QMtpCachedFile(file));
    // A failed listing is not a complete one: ask again next time.
    if (ok)
        mFolderCache.insert(key, files);
    return files;
}

int MtpDevice::sendFile(const QString& localPath, QMtpFileInterface& descriptor)
{
    TraceScope trace("MtpDevice::sendFile");
    const int result = QMtpSendFileFromFile(*mDevice, localPath, descriptor);
    if (result != 0)
        return result;
    QMutexLocker locker(&mMutex);
    const auto listing = mFolderCache.find(MangleFolderId(descriptor.parentId(), descriptor.storageId()));
    if (listing != mFolderCache.end())
        listing->append(QMtpCachedFile(descriptor));
    return 0;
}

QString MtpDevice::createFolder(const QString& name, const QString& parentId, const QString& storageId)
{
    TraceScope trace("MtpDevice::createFolder");
    const QString id = QMtpCreateFolder(*mDevice, name, parentId, storageId);
    if (id.isEmpty() || id == QLatin1String("0"))
        return id;
    QMutexLocker locker(&mMutex);
    const auto listing = mFolderCache.find(MangleFolderId(parentId, storageId));
    if (listing != mFolderCache.end())
        listing->append(QMtpCachedFile(id, parentId, storageId, name, QMtpFileInterface::kFolder));
    // A folder just made is known to be empty.
    mFolderCache.insert(MangleFolderId(id, storageId), {});
    return id;
}

int MtpDevice::deleteObject(const QString& objectId, const QString& parentId, const QString& storageId)
{
    TraceScope trace("MtpDevice::deleteObject");
    const int result = QMtpDeleteObject(*mDevice, objectId);
    const QString key = MangleFolderId(parentId, storageId);
    QMutexLocker locker(&mMutex);
    if (result != 0) {
        // The phone may or may not still hold it: let the next listing tell.
        mFolderCache.remove(key);
        return result;
    }
    const auto listing = mFolderCache.find(key);
    if (listing != mFolderCache.end()) {
        const auto removed = listing->removeIf([&](const QMtpCachedFile& file) { return file.id() == objectId; });
        traceValue("Items removed from multihash: ", int(removed));
    }
    mFolderCache.remove(MangleFolderId(objectId, storageId));
    return 0;
}

int MtpDevice::renameObject(const QString& objectId, const QString& parentId, const QString& storageId,
                            const QString& newName)
{
    TraceScope trace("MtpDevice::renameObject");
    const int result = QMtpRenameObject(*mDevice, objectId, newName);
    QMutexLocker locker(&mMutex);
    mFolderCache.remove(MangleFolderId(parentId, storageId));
    return result;
}

int MtpDevice::transferFromDevice(const QString& objectId, const QString& localPath)
{
    TraceScope trace("MtpDevice::transferFromDevice");
    return QMtpTransferFromDevice(*mDevice, objectId, localPath);
}

int MtpDevice::setReferences(const QString& objectId, const QStringList& ids)
{
    TraceScope trace("MtpDevice::setReferences");
    return QMtpSetReferences(*mDevice, objectId, ids);
}

void MtpDevice::forgetFolder(const QString& folderId, const QString& storageId)
{
    TraceScope trace("MtpDevice::forgetFolder");
    QMutexLocker locker(&mMutex);
    mFolderCache.remove(MangleFolderId(folderId, storageId));
}

bool MtpDevice::reopen()
{
    TraceScope trace("MtpDevice::reopen");
    QMutexLocker locker(&mMutex);
    mFolderCache.clear();
    return QMtpOpenDevice(*mDevice);
}

void MtpDevice::close()
{
    TraceScope trace("MtpDevice::close");
    QMutexLocker locker(&mMutex);
    mFolderCache.clear();
    QMtpCloseDevice(*mDevice);
}

QString MtpDevice::friendlyName() const
{
    TraceScope trace("MtpDevice::friendlyName");
    return mDevice->friendlyName();
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/mtp/PortableDevices.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "devices/mtp/MtpBackend.h"
#include "devices/mtp/QMtpDevice.h"
#include "devices/mtp/QMtpDeviceStorage.h"

#include <QFileInfo>
#include <QMutexLocker>

namespace {

// Storage enumeration examines at most this many children of the device object.
constexpr int kMaxDeviceChildren = 5;

// The folder to name to the connection: the storage's own id for its root.
// Objects listed at the root may carry 0 as their parent.
QString connectionFolderId(const QString& folderId, const QString& storageId)
{
    if (folderId.isEmpty() || folderId == Constants::mtpRootObjectId() || folderId == QLatin1String("0"))
        return storageId;
    return folderId;
}

} // namespace

QList<QMtpDeviceInfo> QMtpGetDevices()
{
    TraceScope trace("QMtpGetDevices");
    const QList<QMtpDeviceInfo> devices = MtpBackend::current().listDevices();
    traceValue("devices", int(devices.size()));
    return devices;
}

bool QMtpOpenDevice(QMtpDevice& device)
{
    TraceScope trace("QMtpOpenDevice");
    QMutexLocker locker(&device.mutex());
    device.setConnection(nullptr);
    device.setConnection(device.backend().open(device.pnpId()));
    const bool open = device.connection() != nullptr;
    traceValue("opened", open ? 1 : 0);
    return open;
}

void QMtpCloseDevice(QMtpDevice& device)
{
    TraceScope trace("QMtpCloseDevice");
    device.setConnection(nullptr);
}

void QMtpReadStorageInfo(QMtpDevice& device, const QString& storageId, bool& isStorage, QString& description,
                         quint64& capacity, quint64& freeSpace)
{
    TraceScope trace("QMtpReadStorageInfo");
    QMutexLocker locker(&device.mutex());
    isStorage = false;
    MtpConnection* connection = device.connection();
    if (!connection)
        return;
    QString text;
    bool descriptionRead = false;
    quint64 total = 0;
    quint64 available = 0;
    if (!connection->readStorageInfo(storageId, text, descriptionRead, total, available))
        return;
    isStorage = true;
    capacity = total;
    freeSpace = available;
    traceMessage("Getting storage description");
    if (descriptionRead && !text.isEmpty()) {
        description = text;
        traceValue("Succeeded", text);
    } else {
        traceMessage("Failed, so setting value as \"Storage\"");
        description = QStringLiteral("Storage");
    }
}

int QMtpGetStorage(QMtpDevice& device)
{
    TraceScope trace("QMtpGetStorage");
    QMutexLocker locker(&device.mutex());
    device.clearStorages();
    MtpConnection* connection = device.connection();
    if (!connection)
        return 0;
    traceMessage("Got content");
    const QStringList children = connection->deviceChildren().mid(0, kMaxDeviceChildren);
    traceValue("celtFetched", int(children.size()));
    for (const QString& id : children) {
        bool isStorage = false;
        QString description;
        quint64 capacity = 0;
        quint64 freeSpace = 0;
        QMtpReadStorageInfo(device, id, isStorage, description, capacity, freeSpace);
        if (!isStorage)
            continue;
        traceValue("Is storge, ID", id);
        device.addStorage(std::make_unique<QMtpDeviceStorage>(&device, id));
    }
    return 0;
}

QList<QMtpFile> QMtpGetFilesAndFolders(QMtpDevice& device, const QString& aStorageId, const QString& aFolderId,
                                       bool* ok)
{
    TraceScope trace("QMtpGetFilesAndFolders");
    traceValue("aStorageId", aStorageId);
    traceValue("aFolderId", aFolderId);
    const QString searched = connectionFolderId(aFolderId, aStorageId);
    traceValue("Searching under object id", searched);
    QList<QMtpFile> files;
    QList<MtpObjectRecord> records;
    QMutexLocker locker(&device.mutex());
    MtpConnection* connection = device.connection();
    const bool listed = connection && connection->listChildren(aStorageId, searched, records);
    if (ok)
        *ok = listed;
    for (const MtpObjectRecord& record : std::as_const(records)) {
        QMtpFile file;
        file.setId(record.id);
        file.setParentId(searched);
        file.setStorageId(aStorageId);
        file.setName(record.name);
        file.setSize(record.size);
        file.setType(record.kind);
        traceValue("Name + ID: ", record.name + QStringLiteral(", ") + record.id);
        files.append(file);
    }
    return files;
}

int QMtpSendFileFromFile(QMtpDevice& device, const QString& path, QMtpFileInterface& file)
{
    TraceScope trace("QMtpSendFileFromFile");
    QMutexLocker locker(&device.mutex());
    MtpConnection* connection = device.connection();
    if (!connection) {
        traceValue("! A NULL IPortableDevice interface pointer was received", MtpResult::kNoConnection);
        return MtpResult::kNoConnection;
    }
    const QFileInfo local(path);
    if (!local.isFile()) {
        traceValue("! Failed to open file to transfer to device, hr", MtpResult::kSendFailed);
        return MtpResult::kSendFailed;
    }
    // Never send without a folder: the root is named by the storage's id.
    const QString folder = connectionFolderId(file.parentId(), file.storageId());
    QString newId;
    const int result =
        connection->sendFile(path, file.storageId(), folder, file.name(), file.type(), local.size(), newId);
    if (result != 0) {
        traceValue("! Failed to transfer object to device, hr", result);
        return MtpResult::kSendFailed;
    }
    file.setId(newId);
    return MtpResult::kOk;
}

int QMtpTransferFromDevice(QMtpDevice& device, const QString& objectId, const QString& path)
{
    TraceScope trace("QMtpTransferFromDevice");
    QMutexLocker locker(&device.mutex());
    MtpConnection* connection = device.connection();
    if (!connection) {
        traceValue("! Failed to get IPortableDeviceContent from IPortableDevice, hr", MtpResult::kFailed);
        return MtpResult::kFailed;
    }
    const int result = connection->getFile(objectId, path);
    if (result != 0) {
        traceValue("! Failed to transfer object from device, hr", result);
        return MtpResult::kFailed;
    }
    traceMessage("* Transferred object");
    return MtpResult::kOk;
}

int QMtpDeleteObject(QMtpDevice& device, const QString& objectId)
{
    TraceScope trace("QMtpDeleteObject");
    QMutexLocker locker(&device.mutex());
    MtpConnection* connection = device.connection();
    if (!connection) {
        traceValue("! Failed to get IPortableDeviceContent from IPortableDevice, hr", MtpResult::kFailed);
        return MtpResult::kFailed;
    }
    const int result = connection->deleteObject(objectId);
    if (result < 0) {
        traceValue("! Failed to delete an object from the device, hr", result);
        return MtpResult::kFailed;
    }
    if (result == MtpConnection::kRefused) {
        traceMessage("The object failed to be deleted from the device.");
        return MtpResult::kFalse;
    }
    traceMessage("The object was deleted from the device.");
    return MtpResult::kOk;
}

int QMtpRenameObject(QMtpDevice& device, const QString& objectId, const QString& newName)
{
    TraceScope trace("QMtpRenameObject");
    QMutexLocker locker(&device.mutex());
    MtpConnection* connection = device.connection();
    if (!connection || connection->renameObject(objectId, newName) != 0) {
        traceValue("! Failed to rename an object on the device", objectId);
        return MtpResult::kFailed;
    }
    return MtpResult::kOk;
}

QString QMtpCreateFolder(QMtpDevice& device, const QString& name, const QString& parentId, const QString& storageId)
{
    TraceScope trace("QMtpCreateFolder");
    QMutexLocker locker(&device.mutex());
    MtpConnection* connection = device.connection();
    if (!connection)
        return QString();
    const QString id = connection->createFolder(name, connectionFolderId(parentId, storageId), storageId);
    traceValue("newFolderId", id);
    return id;
}

int QMtpSetReferences(QMtpDevice& device, const QString& objectId, const QStringList& ids)
{
    TraceScope trace("QMtpSetReferences");
    QMutexLocker locker(&device.mutex());
    MtpConnection* connection = device.connection();
    if (!connection)
        return MtpResult::kFailed;
    const int result = connection->setReferences(objectId, ids);
    traceValue("result", result);
    return result == 0 ? MtpResult::kOk : MtpResult::kFailed;
}

QString MangleFolderId(const QString& aFolderId, const QString& aStorageId)
{
    TraceScope trace("MangleFolderId");
    traceValue("aFolderId", aFolderId);
    traceValue("aStorageId", aStorageId);
    // Listings of the root name the storage as the parent of their objects,
    // so that spelling is the same folder as "4294967295".
    const QString key = aFolderId == Constants::mtpRootObjectId() || aFolderId == aStorageId
                            ? QStringLiteral("storage_root_") + aStorageId
                            : aFolderId;
    traceValue("mangledId", key);
    return key;
}

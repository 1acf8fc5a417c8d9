// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

#include "devices/mtp/QMtpDeviceInfo.h"
#include "devices/mtp/QMtpFile.h"

#include <QList>
#include <QString>
#include <QStringList>

class QMtpDevice;

// The only place that talks to MTP phones: free functions over the current
// backend (libmtp, or the emulation in tests). Results follow the usual
// pattern: 0 success, 1 done but refused, negative failure.
namespace MtpResult {
constexpr int kOk = 0;
constexpr int kFalse = 1;
constexpr int kFailed = -1;
// What every failed send is reported as: the sync treats it as a failed copy.
constexpr int kSendFailed = PhoneResult::CopyFailed;
constexpr int kNoConnection = PhoneResult::NoConnection;
} // namespace MtpResult

QList<QMtpDeviceInfo> QMtpGetDevices();
// Opens (or reopens) the device's connection; whether it is open.
bool QMtpOpenDevice(QMtpDevice& device);
void QMtpCloseDevice(QMtpDevice& device);
// Fills the device's storages from the first five children of the device object; 0.
int QMtpGetStorage(QMtpDevice& device);
void QMtpReadStorageInfo(QMtpDevice& device, const QString& storageId, bool& isStorage, QString& description,
                         quint64& capacity, quint64& freeSpace);
// The objects in a folder ("4294967295": the storage root). ok tells a
// failed listing from an empty folder.
QList<QMtpFile> QMtpGetFilesAndFolders(QMtpDevice& device, const QString& aStorageId, const QString& aFolderId,
                                       bool* ok = nullptr);
// Sends a local file as a new object described by file and sets its id.
int QMtpSendFileFromFile(QMtpDevice& device, const QString& path, QMtpFileInterface& file);
int QMtpTransferFromDevice(QMtpDevice& device, const QString& objectId, const QString& path);
// Never recursive: a folder that still holds objects is refused (kFalse).
int QMtpDeleteObject(QMtpDevice& device, const QString& objectId);
// kOk, or kFailed when the object keeps its old name.
int QMtpRenameObject(QMtpDevice& device, const QString& objectId, const QString& newName);
// The new folder's id, or empty.
QString QMtpCreateFolder(QMtpDevice& device, const QString& name, const QString& parentId, const QString& storageId);
int QMtpSetReferences(QMtpDevice& device, const QString& objectId, const QStringList& ids);
// The object cache's key of a folder.
QString MangleFolderId(const QString& aFolderId, const QString& aStorageId);

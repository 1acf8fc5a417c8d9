// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/mtp/QMtpDeviceInfo.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>

// One object below a folder, as a connection lists it.
struct MtpObjectRecord
{
    QString id;
    QString name;
    int kind = 2; // QMtpFileInterface kinds
    qint64 size = 0;
};

// One open connection to a phone. Folder ids given to it are object ids, or
// the storage's id for the storage root. Callers serialise the calls.
class MtpConnection
{
public:
    // Results of deleteObject.
    static constexpr int kDeleted = 0;
    static constexpr int kRefused = 1;

    virtual ~MtpConnection() = default;

    // Object ids of the children of the device object (the storages first).
    virtual QStringList deviceChildren() = 0;
    // Whether objectId is a storage; fills its values when it is.
    virtual bool readStorageInfo(const QString& objectId, QString& description, bool& descriptionRead,
                                 quint64& capacity, quint64& freeSpace) = 0;
    // false when the folder cannot be listed.
    virtual bool listChildren(const QString& storageId, const QString& folderId, QList<MtpObjectRecord>& objects) = 0;
    // 0 and the new object's id, or a negative code.
    virtual int sendFile(const QString& localPath, const QString& storageId, const QString& folderId,
                         const QString& name, int kind, qint64 size, QString& newId) = 0;
    virtual int getFile(const QString& objectId, const QString& localPath) = 0;
    // kDeleted, kRefused (a folder that still holds objects) or negative.
    virtual int deleteObject(const QString& objectId) = 0;
    // The new folder's id, empty on failure.
    virtual QString createFolder(const QString& name, const QString& folderId, const QString& storageId) = 0;
    virtual int setReferences(const QString& objectId, const QStringList& ids) = 0;
    // 0, or negative when the phone keeps the old name.
    virtual int renameObject(const QString& objectId, const QString& newName) = 0;
};

// Where phones come from: libmtp for real phones, or an in-memory emulation.
class MtpBackend
{
public:
    virtual ~MtpBackend() = default;

    // The attached MTP phones; mass-storage devices are not among them.
    virtual QList<QMtpDeviceInfo> listDevices() = 0;
    // Null when the phone cannot be opened (gone, or held by another program).
    virtual std::unique_ptr<MtpConnection> open(const QString& pnpId) = 0;

    // The backend the portable-devices functions use: libmtp unless one was set.
    static MtpBackend& current();
    // Null goes back to libmtp. The caller keeps ownership.
    static void setCurrent(MtpBackend* backend);
};

// Makes a backend the current one for its lifetime and then restores the previous.
class ScopedMtpBackend
{
public:
    explicit ScopedMtpBackend(MtpBackend* backend);
    ~ScopedMtpBackend();
    ScopedMtpBackend(const ScopedMtpBackend&) = delete;
    ScopedMtpBackend& operator=(const ScopedMtpBackend&) = delete;

private:
    MtpBackend* mPrevious;
};

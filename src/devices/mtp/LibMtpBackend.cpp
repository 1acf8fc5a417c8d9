// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/mtp/LibMtpBackend.h"

#include "app/TraceLog.h"
#include "devices/mtp/QMtpFile.h"

#include <QDir>
#include <QFile>
#include <QMutexLocker>

#include <libmtp.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// Storage ids carry a prefix so that they can never be mistaken for object
// handles, which are numbers from another range.
const QString kStoragePrefix = QStringLiteral("s");

void initialiseLibMtp()
{
    static std::once_flag once;
    std::call_once(once, [] { LIBMTP_Init(); });
}

bool parseNumber(const QString& text, uint32_t& value)
{
    bool ok = false;
    const qulonglong number = text.toULongLong(&ok);
    if (!ok || number > 0xffffffffULL)
        return false;
    value = static_cast<uint32_t>(number);
    return true;
}

bool parseStorageId(const QString& text, uint32_t& value)
{
    return text.startsWith(kStoragePrefix) && parseNumber(text.mid(kStoragePrefix.size()), value);
}

int kindOf(const LIBMTP_file_t& file)
{
    if (file.filetype == LIBMTP_FILETYPE_FOLDER)
        return QMtpFileInterface::kFolder;
    // Phones report M3U files under formats libmtp does not name.
    if (file.filetype == LIBMTP_FILETYPE_PLAYLIST
        || QString::fromUtf8(file.filename).endsWith(QStringLiteral(".m3u"), Qt::CaseInsensitive))
        return QMtpFileInterface::kPlaylist;
    if (file.filetype == LIBMTP_FILETYPE_UNKNOWN)
        return QMtpFileInterface::kDocument;
    return QMtpFileInterface::kOther;
}

class LibMtpConnection : public MtpConnection
{
public:
    explicit LibMtpConnection(LIBMTP_mtpdevice_t* device) : mDevice(device) {}
    ~LibMtpConnection() override { LIBMTP_Release_Device(mDevice); }

    QStringList deviceChildren() override
    {
        TraceScope trace("LibMtpConnection::deviceChildren");
        QStringList ids;
        if (LIBMTP_Get_Storage(mDevice, LIBMTP_STORAGE_SORTBY_NOTSORTED) != 0) {
            LIBMTP_Clear_Errorstack(mDevice);
            return ids;
        }
        for (LIBMTP_devicestorage_t* storage = mDevice->storage; storage; storage = storage->next)
            ids.append(kStoragePrefix + QString::number(storage->id));
        return ids;
    }

    bool readStorageInfo(const QString& objectId, QString& description, bool& descriptionRead, quint64& capacity,
                         quint64& freeSpace) override
    {
        TraceScope trace("LibMtpConnection::readStorageInfo");
        uint32_t id = 0;
        if (!parseStorageId(objectId, id))
            return false;
        // Asking again refreshes the free space.
        if (LIBMTP_Get_Storage(mDevice, LIBMTP_STORAGE_SORTBY_NOTSORTED) != 0)
            LIBMTP_Clear_Errorstack(mDevice);
        for (LIBMTP_devicestorage_t* storage = mDevice->storage; storage; storage = storage->next) {
            if (storage->id != id)
                continue;
            capacity = storage->MaxCapacity;
            freeSpace = storage->FreeSpaceInBytes;
            descriptionRead = storage->StorageDescription != nullptr;
            if (descriptionRead)
                description = QString::fromUtf8(storage->StorageDescription);
            return true;
        }
        return false;
    }

    bool listChildren(const QString& storageId, const QString& folderId, QList<MtpObjectRecord>& objects) override
    {
        TraceScope trace("LibMtpConnection::listChildren");
        uint32_t storage = 0;
        uint32_t folder = LIBMTP_FILES_AND_FOLDERS_ROOT;
        if (!parseStorageId(storageId, storage) || (folderId != storageId && !parseNumber(folderId, folder)))
            return false;
        LIBMTP_file_t* files = LIBMTP_Get_Files_And_Folders(mDevice, storage, folder);
        while (files) {
            LIBMTP_file_t* next = files->next;
            if (files->filename) {
                MtpObjectRecord record;
                record.id = QString::number(files->item_id);
                record.name = QString::fromUtf8(files->filename);
                record.kind = kindOf(*files);
                record.size = static_cast<qint64>(files->filesize);
                objects.append(record);
            }
            LIBMTP_destroy_file_t(files);
            files = next;
        }
        LIBMTP_Clear_Errorstack(mDevice);
        return true;
    }

    int sendFile(const QString& localPath, const QString& storageId, const QString& folderId, const QString& name,
                 int /*kind*/, qint64 size, QString& newId) override
    {
        TraceScope trace("LibMtpConnection::sendFile");
        uint32_t storage = 0;
        // The root is named explicitly: with parent 0 libmtp would pick a folder of its own.
        uint32_t folder = LIBMTP_FILES_AND_FOLDERS_ROOT;
        if (!parseStorageId(storageId, storage) || (folderId != storageId && !parseNumber(folderId, folder))
            || folder == 0)
            return -1;
        LIBMTP_file_t* file = LIBMTP_new_file_t();
        file->filename = strdup(name.toUtf8().constData());
        file->filesize = static_cast<uint64_t>(size);
        file->filetype = LIBMTP_FILETYPE_UNKNOWN;
        file->parent_id = folder;
        file->storage_id = storage;
        const int result =
            LIBMTP_Send_File_From_File(mDevice, QFile::encodeName(localPath).constData(), file, nullptr, nullptr);
        if (result == 0)
            newId = QString::number(file->item_id);
        else
            LIBMTP_Clear_Errorstack(mDevice);
        LIBMTP_destroy_file_t(file);
        return result == 0 ? 0 : -1;
    }

    int getFile(const QString& objectId, const QString& localPath) override
    {
        TraceScope trace("LibMtpConnection::getFile");
        uint32_t id = 0;
        if (!parseNumber(objectId, id))
            return -1;
        const int result =
            LIBMTP_Get_File_To_File(mDevice, id, QFile::encodeName(localPath).constData(), nullptr, nullptr);
        if (result != 0)
            LIBMTP_Clear_Errorstack(mDevice);
        return result == 0 ? 0 : -1;
    }

    int deleteObject(const QString& objectId) override
    {
        TraceScope trace("LibMtpConnection::deleteObject");
        uint32_t id = 0;
        if (!parseNumber(objectId, id))
            return -1;
        // Phones delete folders with everything in them; only empty ones may go.
        LIBMTP_file_t* metadata = LIBMTP_Get_Filemetadata(mDevice, id);
        if (metadata && metadata->filetype == LIBMTP_FILETYPE_FOLDER) {
            LIBMTP_file_t* children = LIBMTP_Get_Files_And_Folders(mDevice, metadata->storage_id, id);
            const bool empty = children == nullptr;
            while (children) {
                LIBMTP_file_t* next = children->next;
                LIBMTP_destroy_file_t(children);
                children = next;
            }
            if (!empty) {
                LIBMTP_destroy_file_t(metadata);
                return kRefused;
            }
        }
        if (metadata)
            LIBMTP_destroy_file_t(metadata);
        const int result = LIBMTP_Delete_Object(mDevice, id);
        if (result != 0)
            LIBMTP_Clear_Errorstack(mDevice);
        return result == 0 ? kDeleted : -1;
    }

    QString createFolder(const QString& name, const QString& folderId, const QString& storageId) override
    {
        TraceScope trace("LibMtpConnection::createFolder");
        uint32_t storage = 0;
        uint32_t folder = LIBMTP_FILES_AND_FOLDERS_ROOT;
        if (!parseStorageId(storageId, storage) || (folderId != storageId && !parseNumber(folderId, folder))
            || folder == 0)
            return QString();
        QByteArray utf8 = name.toUtf8();
        const uint32_t id = LIBMTP_Create_Folder(mDevice, utf8.data(), folder, storage);
        if (id == 0) {
            LIBMTP_Clear_Errorstack(mDevice);
            return QString();
        }
        return QString::number(id);
    }

    int renameObject(const QString& objectId, const QString& newName) override
    {
        TraceScope trace("LibMtpConnection::renameObject");
        uint32_t id = 0;
        if (!parseNumber(objectId, id))
            return -1;
        LIBMTP_file_t* metadata = LIBMTP_Get_Filemetadata(mDevice, id);
        if (!metadata)
            return -1;
        const int result = LIBMTP_Set_File_Name(mDevice, metadata, newName.toUtf8().constData());
        LIBMTP_destroy_file_t(metadata);
        return result == 0 ? 0 : -1;
    }

    int setReferences(const QString& /*objectId*/, const QStringList& /*ids*/) override
    {
        TraceScope trace("LibMtpConnection::setReferences");
        // libmtp offers object references only for its own playlist objects;
        // phones read an M3U file's members from its lines anyway.
        traceMessage("Object references are not supported here");
        return -1;
    }

private:
    LIBMTP_mtpdevice_t* mDevice;
};

} // namespace

struct LibMtpBackend::Listing
{
    std::vector<LIBMTP_raw_device_t> raw;
    QList<QMtpDeviceInfo> infos;
};

LibMtpBackend::LibMtpBackend(const QString& usbDevicesFolder)
    : mUsbDevicesFolder(usbDevicesFolder), mListing(std::make_unique<Listing>())
{
}

LibMtpBackend::~LibMtpBackend() = default;

int LibMtpBackend::detectCount() const
{
    QMutexLocker locker(&mMutex);
    return mDetectCount;
}

QString LibMtpBackend::usbSnapshot() const
{
    TraceScope trace("LibMtpBackend::usbSnapshot");
    // A phone plugged out and in again keeps its port name but gets a new
    // device number, so both go into the snapshot.
    QString snapshot;
    const QDir folder(mUsbDevicesFolder);
    const QStringList names = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    for (const QString& name : names) {
        QFile devnum(folder.filePath(name + QStringLiteral("/devnum")));
        snapshot += name + QLatin1Char(':');
        if (devnum.open(QIODevice::ReadOnly))
            snapshot += QString::fromLatin1(devnum.read(16)).trimmed();
        snapshot += QLatin1Char(';');
    }
    return snapshot;
}

QList<QMtpDeviceInfo> LibMtpBackend::listDevices()
{
    TraceScope trace("LibMtpBackend::listDevices");
    QMutexLocker locker(&mMutex);
    const QString snapshot = usbSnapshot();
    if (mListed && snapshot == mLastSnapshot) {
        traceMessage("USB devices unchanged, reusing the last listing");
        return mListing->infos;
    }
    initialiseLibMtp();
    mListed = true;
    mLastSnapshot = snapshot;
    ++mDetectCount;
    mListing = std::make_unique<Listing>();

    LIBMTP_raw_device_t* raw = nullptr;
    int count = 0;
    const LIBMTP_error_number_t error = LIBMTP_Detect_Raw_Devices(&raw, &count);
    traceValue("LIBMTP_Detect_Raw_Devices", static_cast<int>(error));
    if (error == LIBMTP_ERROR_NONE && raw) {
        for (int i = 0; i < count; ++i) {
            const LIBMTP_device_entry_t& entry = raw[i].device_entry;
            QMtpDeviceInfo info;
            info.manufacturer = entry.vendor ? QString::fromUtf8(entry.vendor)
                                             : QString::number(entry.vendor_id, 16).rightJustified(4, QLatin1Char('0'));
            info.description = entry.product
                                   ? QString::fromUtf8(entry.product)
                                   : QString::number(entry.product_id, 16).rightJustified(4, QLatin1Char('0'));
            info.pnpId = QString::number(raw[i].bus_location) + QLatin1Char(':') + QString::number(raw[i].devnum);
            info.friendlyName = info.description;
            mListing->raw.push_back(raw[i]);
            mListing->infos.append(info);
        }
    }
    free(raw);
    return mListing->infos;
}

std::unique_ptr<MtpConnection> LibMtpBackend::open(const QString& pnpId)
{
    TraceScope trace("LibMtpBackend::open");
    traceValue("pnpId", pnpId);
    QMutexLocker locker(&mMutex);
    for (int i = 0; i < mListing->infos.size(); ++i) {
        if (mListing->infos.at(i).pnpId != pnpId)
            continue;
        LIBMTP_raw_device_t raw = mListing->raw[static_cast<size_t>(i)];
        // Fails when another program (a desktop's file manager) holds the phone.
        LIBMTP_mtpdevice_t* device = LIBMTP_Open_Raw_Device_Uncached(&raw);
        if (!device)
            return nullptr;
        return std::make_unique<LibMtpConnection>(device);
    }
    return nullptr;
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/mtp/MtpStorage.h"

#include "app/Constants.h"
#include "app/ResultCodes.h"
#include "app/TraceLog.h"
#include "devices/mtp/MtpBackend.h"
#include "devices/mtp/MtpDevice.h"
#include "devices/mtp/QMtpDevice.h"
#include "devices/mtp/QMtpFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#include <limits>

namespace {

// A send the phone failed is tried this many times more.
constexpr int kSendRetries = 5;
// Never more temporary names than this are tried in the program folder.
constexpr int kMaxTemporaryNames = 10000;

int objectType(PhoneStorage::Kind kind)
{
    switch (kind) {
    case PhoneStorage::Kind::Playlist:
        return QMtpFileInterface::kPlaylist;
    case PhoneStorage::Kind::Picture:
        return QMtpFileInterface::kDocument;
    case PhoneStorage::Kind::File:
    case PhoneStorage::Kind::Folder:
        break;
    }
    return QMtpFileInterface::kOther;
}

PhoneStorage::Kind entryKind(int type)
{
    if (type == QMtpFileInterface::kFolder)
        return PhoneStorage::Kind::Folder;
    if (type == QMtpFileInterface::kPlaylist)
        return PhoneStorage::Kind::Playlist;
    return PhoneStorage::Kind::File;
}

QStringList partsOf(const QString& path)
{
    return path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

qint64 clampedBytes(quint64 bytes)
{
    return qint64(qMin<quint64>(bytes, quint64(std::numeric_limits<qint64>::max())));
}

} // namespace

MtpStorage::MtpStorage(::MtpDevice* device, const QMtpDeviceStorage& storage) : mDevice(device), mStorage(storage) {}

int MtpStorage::findName(const QString& parentId, const QString& name, QMtpCachedFile& found, bool matchAny,
                         bool preferFolder, bool create)
{
    TraceScope trace("MtpStorage::findName");
    traceValue("aParentId", parentId);
    traceValue("aName", name);
    bool any = false;
    for (const QMtpCachedFile& file : mDevice->getFilesAndFolders(mStorage.Id(), parentId)) {
        const bool isFolder = file.type() == QMtpFileInterface::kFolder;
        if ((!matchAny && isFolder) || file.name() != name)
            continue;
        if (!any)
            found = file;
        any = true;
        // A part in the middle of a path must be a folder; a file of the
        // same name can hold nothing, so a folder further on wins.
        if (!preferFolder || isFolder) {
            found = file;
            break;
        }
    }
    if (any) {
        traceValue("Match found, aFolderId", found.id());
        return 0;
    }
    if (!create)
        return PhoneResult::PathNotFound;
    traceMessage("No match found so try to create the folder");
    const QString id = mDevice->createFolder(name, parentId, mStorage.Id());
    if (!id.isEmpty() && id != QLatin1String("0")) {
        traceValue("Folder created with id", id);
        found = QMtpCachedFile(id, parentId, mStorage.Id(), name, QMtpFileInterface::kFolder);
        return 0;
    }
    traceMessage("Could not create folder");
    // The phone may have gained the folder since it was listed: ask it again.
    mDevice->forgetFolder(parentId, mStorage.Id());
    return findName(parentId, name, found, matchAny, preferFolder, false);
}

int MtpStorage::resolve(const QString& path, QMtpCachedFile& found, QString& parentId, bool create, bool fileOnly)
{
    TraceScope trace("MtpStorage::resolve");
    traceValue("path", path);
    const QStringList parts = partsOf(path);
    if (fileOnly && parts.isEmpty())
        return PhoneResult::PathNotFound;
    QString folder = Constants::mtpRootObjectId();
    parentId = folder;
    found = QMtpCachedFile();
    for (int i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        parentId = folder;
        const int result = last && fileOnly ? findName(folder, parts.at(i), found, false, false, false)
                                            : findName(folder, parts.at(i), found, true, !last, create);
        if (result != 0)
            return result;
        folder = found.id();
    }
    return 0;
}

int MtpStorage::objectAt(const QString& path, QString& id, QString& parentId, bool create)
{
    QMtpCachedFile found;
    const int result = resolve(path, found, parentId, create, false);
    id = result == 0 ? found.id() : QString();
    return result;
}

int MtpStorage::fileAt(const QString& path, QString& id, QString& parentId)
{
    QMtpCachedFile found;
    const int result = resolve(path, found, parentId, false, true);
    id = result == 0 ? found.id() : QString();
    return result;
}

bool MtpStorage::exists(const QString& path)
{
    QString id;
    QString parentId;
    return objectAt(path, id, parentId, false) == 0;
}

bool MtpStorage::isFile(const QString& path)
{
    QString id;
    QString parentId;
    return fileAt(path, id, parentId) == 0;
}

qint64 MtpStorage::size(const QString& path)
{
    QMtpCachedFile found;
    QString parentId;
    return resolve(path, found, parentId, false, true) == 0 ? found.size() : -1;
}

QList<PhoneStorage::Entry> MtpStorage::list(const QString& folder)
{
    TraceScope trace("MtpStorage::list");
    QString folderId;
    QString parentId;
    QList<Entry> entries;
    if (objectAt(folder, folderId, parentId, false) != 0)
        return entries;
    if (folderId.isEmpty())
        folderId = Constants::mtpRootObjectId();
    for (const QMtpCachedFile& file : mDevice->getFilesAndFolders(mStorage.Id(), folderId))
        entries.append({file.name(), entryKind(file.type())});
    return entries;
}

bool MtpStorage::send(const QString& localPath, const QString& path, int type)
{
    TraceScope trace("MtpStorage::send");
    traceValue("aSourcePath", localPath);
    traceValue("aTargetPath", path);
    // Phones refuse two objects of one name in a folder, so a replacement
    // travels under a passing name and takes the real one once the old is gone.
    QString oldId;
    QString oldParentId;
    const bool replacing = fileAt(path, oldId, oldParentId) == 0;

    QStringList parts = partsOf(path);
    if (parts.isEmpty()) {
        traceMessage("No file name in the target path");
        return false;
    }
    const QString fileName = parts.takeLast();
    const QString sendName = replacing ? fileName + QStringLiteral(".velmora-new") : fileName;
    const QString folderPath = parts.join(QLatin1Char('/'));
    QString folderId;
    QString folderParentId;
    if (objectAt(folderPath, folderId, folderParentId, true) != 0)
        return false;
    // A file at the root goes into the storage root, never to a folder the phone picks.
    if (folderId.isEmpty())
        folderId = Constants::mtpRootObjectId();

    const QString storageId = mStorage.Id();
    QMtpFile descriptor;
    descriptor.setSize(QFileInfo(localPath).size());
    descriptor.setName(sendName);
    descriptor.setType(type);
    descriptor.setParentId(folderId);
    descriptor.setStorageId(storageId);

    bool sent = false;
    for (int n = kSendRetries; n >= 0 && !sent; --n) {
        traceValue("Sending file, retries", n);
        const int result = mDevice->sendFile(localPath, descriptor);
        if (result == 0) {
            traceValue("Sent, new object id", descriptor.id());
            sent = true;
            break;
        }
        traceValue("*** Error sending file", result);
        // A failed send may still leave an object, possibly cut short; the
        // cache cannot know of it, so the phone is asked.
        mDevice->forgetFolder(folderId, storageId);
        QString leftId;
        QString leftParentId;
        if (fileAt(folderPath + QLatin1Char('/') + sendName, leftId, leftParentId) == 0) {
            traceValue("Removing what the failed send left", leftId);
            if (mDevice->deleteObject(leftId, leftParentId, storageId) != 0)
                traceMessage("Could not delete it");
        }
    }
    if (!sent || !replacing)
        return sent;
    const QString newId = descriptor.id();
    if (mDevice->deleteObject(oldId, oldParentId, storageId) != 0) {
        // The old file is still whole under its name; the new one goes.
        traceMessage("Could not delete the file being replaced");
        mDevice->deleteObject(newId, folderId, storageId);
        return false;
    }
    if (mDevice->renameObject(newId, folderId, storageId, fileName) != 0) {
        traceValue("The new file keeps its passing name", sendName);
        return false;
    }
    return true;
}

bool MtpStorage::put(const QString& localPath, const QString& path, Kind kind)
{
    TraceScope trace("MtpStorage::put");
    return send(localPath, path, objectType(kind));
}

bool MtpStorage::put(const QByteArray& data, const QString& path)
{
    TraceScope trace("MtpStorage::put");
    LocalCopy local;
    local.set(newLocalFile(), true);
    if (local.path().isEmpty())
        return false;
    QFile file(local.path());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size() || !file.flush())
        return false;
    file.close();
    return send(local.path(), path, objectType(Kind::File));
}

bool MtpStorage::get(const QString& path, LocalCopy& copy)
{
    TraceScope trace("MtpStorage::get");
    QString id;
    QString parentId;
    if (fileAt(path, id, parentId) != 0)
        return false;
    copy.set(newLocalFile(), true);
    if (copy.path().isEmpty())
        return false;
    // An empty copy would pass for the file's content.
    if (mDevice->transferFromDevice(id, copy.path()) != 0) {
        traceMessage("Could not read the file from the phone");
        copy.set(QString(), false);
        return false;
    }
    return true;
}

bool MtpStorage::remove(const QString& path)
{
    TraceScope trace("MtpStorage::remove");
    traceValue("aPath", path);
    QString id;
    QString parentId;
    if (fileAt(path, id, parentId) != 0)
        return false;
    // Only a deletion the phone confirmed counts: saying otherwise would lose track of the file.
    const int result = mDevice->deleteObject(id, parentId, mStorage.Id());
    if (result != 0)
        traceValue("Error deleting file", result);
    return result == 0;
}

bool MtpStorage::makeFolder(const QString& path)
{
    QString id;
    QString parentId;
    return objectAt(path, id, parentId, true) == 0;
}

bool MtpStorage::rename(const QString& path, const QString& newName)
{
    TraceScope trace("MtpStorage::rename");
    QString id;
    QString parentId;
    if (objectAt(path, id, parentId, false) != 0 || id.isEmpty())
        return false;
    return mDevice->renameObject(id, parentId, mStorage.Id(), newName) == 0;
}

bool MtpStorage::space(qint64& freeBytes, qint64& totalBytes)
{
    mStorage.refresh();
    freeBytes = clampedBytes(mStorage.freeSpace());
    totalBytes = clampedBytes(mStorage.capacity());
    return true;
}

int MtpStorage::flush()
{
    // An object is complete on the phone once its send has returned.
    return 0;
}

bool MtpStorage::reachable()
{
    TraceScope trace("MtpStorage::reachable");
    QMtpDevice* connected = mDevice ? mDevice->device() : nullptr;
    if (!connected || !connected->isOpen())
        return false;
    // Asked of the phone itself: the folder cache would answer for a phone that is gone.
    QMutexLocker locker(&connected->mutex());
    QList<MtpObjectRecord> objects;
    return connected->connection() && connected->connection()->listChildren(mStorage.Id(), mStorage.Id(), objects);
}

QString MtpStorage::newLocalFile()
{
    TraceScope trace("MtpStorage::newLocalFile");
    const QString folder = Constants::programFolderPath();
    if (!QDir().mkpath(folder)) {
        traceValue("Could not create the temporary folder", folder);
        return QString();
    }
    for (int n = 0; n <= kMaxTemporaryNames; ++n) {
        QFile local(folder + QStringLiteral("/temp") + QString::number(n));
        // NewOnly: another program's file of the same name is never taken over.
        if (!QFileInfo::exists(local.fileName()) && local.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return local.fileName();
    }
    traceMessage("No free temporary file name");
    return QString();
}

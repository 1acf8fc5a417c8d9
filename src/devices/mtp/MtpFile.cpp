// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/mtp/MtpFile.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/MtpDevice.h"
#include "devices/mtp/QMtpDeviceStorage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Files a close sends are plain documents, tried up to six times.
constexpr int kCloseRetries = 5;
constexpr int kCloseObjectType = 2;

} // namespace

MtpFile::MtpFile(DeviceMtpMac* device, const QString& path) : mPath(path), mDevice(device)
{
    TraceScope trace("MtpFile::MtpFile");
}

MtpFile::~MtpFile()
{
    TraceScope trace("MtpFile::~MtpFile");
    discardLocalFile();
}

void MtpFile::discardLocalFile()
{
    TraceScope trace("MtpFile::discardLocalFile");
    if (!mLocalFile)
        return;
    mLocalFile->close();
    mLocalFile.reset();
    QFile::remove(mLocalPath);
}

bool MtpFile::exists(const QString& aPath)
{
    TraceScope trace("MtpFile::exists");
    traceValue("aPath", aPath);
    QString id;
    QString parentId;
    return mDevice->GetOrCreateFromPath(aPath, id, parentId, false) == 0;
}

bool MtpFile::remove(const QString& aPath)
{
    TraceScope trace("MtpFile::remove");
    traceValue("aPath", aPath);
    QString id;
    QString parentId;
    const int error = mDevice->GetOrCreateFromPath(aPath, id, parentId, false);
    if (error != 0) {
        traceValue("Error getting ID from path: ", error);
        return false;
    }
    const int result = mDevice->mtpDevice()->deleteObject(id, parentId, mDevice->storage()->Id());
    if (result != 0) {
        // The file is still there: saying otherwise would lose track of it.
        traceValue("Error deleting file", result);
        return false;
    }
    return true;
}

bool MtpFile::mkpath(const QString& path)
{
    TraceScope trace("MtpFile::mkpath");
    QString id;
    QString parentId;
    const int error = mDevice->GetOrCreateFromPath(path, id, parentId, true);
    if (error != 0) {
        traceValue("MtpFile::mkpath", path);
        traceValue("Error creating directories", error);
        return false;
    }
    traceValue("Directory created: id", id);
    return true;
}

bool MtpFile::copy(const QString& aSourcePath, const QString& aTargetPath, int retries, int type)
{
    TraceScope trace("MtpFile::copy");
    traceValue("aSourcePath", aSourcePath);
    traceValue("aTargetPath", aTargetPath);
    // An old file stays until its replacement is whole on the phone: phones
    // refuse two objects of one name in a folder, so the new one travels
    // under a passing name and takes the real one once the old is gone.
    QString oldId;
    QString oldParentId;
    const bool replacing = mDevice->GetOrCreateFromPath(aTargetPath, oldId, oldParentId, false) == 0;

    QStringList parts = mDevice->splitPath(aTargetPath);
    if (parts.isEmpty()) {
        traceMessage("No file name in the target path");
        return false;
    }
    const QString fileName = parts.takeLast();
    const QString sendName = replacing ? fileName + QStringLiteral(".velmora-new") : fileName;
    const QString folderPath = parts.isEmpty() ? QString() : QLatin1Char('/') + parts.join(QLatin1Char('/'));
    QString folderId;
    QString folderParentId;
    if (mDevice->GetOrCreateFromPath(folderPath, folderId, folderParentId, true) != 0)
        return false;
    // A file at the root goes into the storage root, never to a folder the phone picks.
    if (folderId.isEmpty())
        folderId = Constants::mtpRootObjectId();

    ::MtpDevice* mtp = mDevice->mtpDevice();
    const QString storageId = mDevice->storage()->Id();
    QMtpFile descriptor;
    descriptor.setSize(QFileInfo(aSourcePath).size());
    descriptor.setName(sendName);
    descriptor.setType(type);
    descriptor.setParentId(folderId);
    descriptor.setStorageId(storageId);

    bool sent = false;
    for (int n = retries; n >= 0 && !sent; --n) {
        traceValue("Track does not exists on device, so sending track, retries", n);
        const int result = mtp->sendFile(aSourcePath, descriptor);
        if (result == 0) {
            traceValue("Sent track, New track ID", descriptor.id());
            sent = true;
            break;
        }
        traceValue("*** Error sending file", result);
        traceMessage("Checking again to see if the track is there, sometimes we get a failure but the track was "
                     "copied anyway...");
        // The cache cannot know of an object a failed send left behind: ask the phone.
        mtp->forgetFolder(folderId, storageId);
        QString leftId;
        QString leftParentId;
        const QString sentPath = folderPath + QLatin1Char('/') + sendName;
        const int tempErr = mDevice->GetOrCreateFromPath(sentPath, leftId, leftParentId, false);
        traceValue("tempErr", tempErr);
        if (tempErr == 0) {
            traceValue("Track was copied even though we got an error: TrackId", leftId);
            traceMessage("However... there could be problems with it, so delete then retry");
            if (mtp->deleteObject(leftId, leftParentId, storageId) != 0)
                traceMessage("Could not delete track.");
        }
    }
    const QString newId = descriptor.id();
    descriptor.release();
    if (!sent || !replacing)
        return sent;
    if (mtp->deleteObject(oldId, oldParentId, storageId) != 0) {
        // Both stay on the phone; the old one is still whole under its name.
        traceMessage("Could not delete the file being replaced");
        mtp->deleteObject(newId, folderId, storageId);
        return false;
    }
    if (mtp->renameObject(newId, folderId, storageId, fileName) != 0) {
        traceValue("The new file keeps its passing name", sendName);
        return false;
    }
    return true;
}

bool MtpFile::open(QIODevice::OpenMode mode)
{
    TraceScope trace("MtpFile::open");
    if (mLocalFile) {
        traceMessage("File is already open");
        return false;
    }
    const QString folder = Constants::programFolderPath();
    if (!QDir().mkpath(folder)) {
        traceValue("Could not create the temporary folder", folder);
        return false;
    }
    auto local = std::make_unique<QFile>();
    for (int n = 0;; ++n) {
        local->setFileName(folder + QStringLiteral("/temp") + QString::number(n));
        if (QFileInfo::exists(local->fileName()))
            continue;
        // NewOnly: another program's file of the same name is never taken over.
        if (local->open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (n > 10000) {
            traceMessage("No free temporary file name");
            return false;
        }
    }
    local->close();
    mLocalPath = local->fileName();
    traceValue("localPath", mLocalPath);

    if (mode & (QIODevice::ReadOnly | QIODevice::Append)) {
        QString id;
        QString parentId;
        const int error = mDevice->GetOrCreateFromPath(mPath, id, parentId, false);
        if (error != 0) {
            traceValue("Result when getting file", error);
            // Writing into a file that is not there yet is fine.
            if (mode != QIODevice::ReadOnly)
                traceMessage("Clearing error");
        } else {
            traceMessage("Reading data into local file");
            if (mDevice->mtpDevice()->transferFromDevice(id, mLocalPath) != 0) {
                // An empty copy would pass for the file's content.
                traceMessage("Could not read the file from the phone");
                QFile::remove(mLocalPath);
                return false;
            }
        }
    }
    if (!local->open(mode | QIODevice::ReadWrite)) {
        QFile::remove(mLocalPath);
        return false;
    }
    // Appending writes as well: the file goes back to the phone at close.
    mOpenMode = mode & QIODevice::Append ? mode | QIODevice::WriteOnly : mode;
    mLocalFile = std::move(local);
    return true;
}

bool MtpFile::close()
{
    TraceScope trace("MtpFile::close");
    if (!mLocalFile)
        return true;
    const bool flushed = mLocalFile->flush();
    mLocalFile->close();
    mLocalFile.reset();
    bool result = true;
    if (mOpenMode & QIODevice::WriteOnly) {
        if (!flushed || !copy(mLocalPath, mPath, kCloseRetries, kCloseObjectType)) {
            traceValue("MtpFile::close Error copying file", 11005);
            result = false;
        }
    }
    QFile::remove(mLocalPath);
    return result;
}

QByteArray MtpFile::readAll()
{
    TraceScope trace("MtpFile::readAll");
    if (!mLocalFile || !mLocalFile->seek(0))
        return QByteArray();
    return mLocalFile->readAll();
}

QByteArray MtpFile::read(qint64 maxBytes)
{
    TraceScope trace("MtpFile::read");
    if (!mLocalFile || !mLocalFile->seek(0))
        return QByteArray();
    return mLocalFile->read(maxBytes);
}

bool MtpFile::write(const QByteArray& data)
{
    TraceScope trace("MtpFile::write");
    if (!mLocalFile)
        return false;
    return mLocalFile->write(data) == data.size();
}

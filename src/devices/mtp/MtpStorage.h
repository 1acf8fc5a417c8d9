// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/PhoneStorage.h"
#include "devices/mtp/QMtpDeviceStorage.h"

#include <QString>

class MtpDevice;
class QMtpCachedFile;

// One storage of an MTP phone as a file tree. Paths become object ids one
// part at a time through the phone's folder cache (MtpDevice); reading and
// writing go through temporary local copies in the program folder, since
// MTP moves whole objects only.
class MtpStorage : public PhoneStorage
{
public:
    // The device must outlive the storage; the figures are copied.
    MtpStorage(::MtpDevice* device, const QMtpDeviceStorage& storage);

    // 0 with the id of the path's last part (empty for the root) and of the
    // folder holding it, or PhoneResult::PathNotFound. With create every
    // missing part is made as a folder.
    int objectAt(const QString& path, QString& id, QString& parentId, bool create);
    // Like objectAt without creating, but the last part must be a file.
    int fileAt(const QString& path, QString& id, QString& parentId);

    ::MtpDevice* mtpDevice() const { return mDevice; }
    QMtpDeviceStorage& deviceStorage() { return mStorage; }

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
    // The object named name in a folder. Without matchAny folders are
    // skipped; with preferFolder a folder of the name wins over a file.
    int findName(const QString& parentId, const QString& name, QMtpCachedFile& found, bool matchAny, bool preferFolder,
                 bool create);
    int resolve(const QString& path, QMtpCachedFile& found, QString& parentId, bool create, bool fileOnly);
    // Sends under a passing name first when a file of the name is there, so
    // that the old file stays whole until its replacement is.
    bool send(const QString& localPath, const QString& path, int type);
    // A new, empty local file for a copy, or empty when none can be made.
    static QString newLocalFile();

    ::MtpDevice* mDevice;
    QMtpDeviceStorage mStorage;
};

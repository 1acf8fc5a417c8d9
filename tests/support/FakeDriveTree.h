// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>
#include <QTemporaryDir>

// A fake /proc and /sys in a temporary folder, laid out as the kernel lays
// them out: disks under sys/devices/<bus path>/block/<name> with their
// "removable" flag and the SCSI device's vendor, model and type behind the
// "device" link, partitions inside their disk's folder, sys/dev/block/MAJ:MIN
// links, and proc/self/mountinfo.
class FakeDriveTree
{
public:
    FakeDriveTree();

    bool isValid() const { return mDir.isValid(); }
    // Both lie below a folder named like a USB bus, so that only the part of
    // a path below the sys root may count when deciding what is on USB.
    QString procRoot() const { return mDir.filePath(QStringLiteral("usb1/proc")); }
    QString sysRoot() const { return mDir.filePath(QStringLiteral("usb1/sys")); }

    // busPath is the path below sys/devices of the device that owns the disk
    // (for a SCSI disk the h:c:t:l folder). Empty vendor/model/type strings
    // leave the attribute file out.
    void addDisk(const QString& busPath, const QString& name, const QString& deviceNumber, int removable,
                 const QString& vendor, const QString& model, const QString& scsiType = QString());
    void addPartition(const QString& diskName, const QString& name, const QString& deviceNumber);
    // Appends a mountinfo line; mountPoint is escaped as the kernel does.
    void addMount(const QString& deviceNumber, const QString& mountPoint, const QString& fileSystemType,
                  const QString& source);
    void writeMountInfo(const QByteArray& contents);
    // Writes a file below the sys root (for attributes such as device/name).
    void writeSysFile(const QString& relativePath, const QByteArray& contents);

private:
    QString diskFolder(const QString& diskName) const;
    void link(const QString& target, const QString& linkPath);

    QTemporaryDir mDir;
    int mNextMountId = 20;
};

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QList>
#include <QString>

class QByteArray;

// One line of /proc/self/mountinfo, with its escapes decoded.
struct MountedVolume
{
    QString mountPoint;
    // "MAJ:MIN" of the block device; major 0 for file systems without one.
    QString deviceNumber;
    QString fileSystemType;
    QString source;
};

// Decides whether a mounted volume is a USB removable disk (the form a phone in
// mass-storage mode takes) and finds its device's display name. The answers
// come from the proc and sys trees, whose roots are given so that tests can
// point them at a fake tree.
class DriveIdentification
{
public:
    explicit DriveIdentification(const QString& procRoot = QStringLiteral("/proc"),
                                 const QString& sysRoot = QStringLiteral("/sys"));

    // Every mounted file system, in mount order.
    QList<MountedVolume> mountedVolumes() const;
    // Parses the text of a mountinfo file; malformed lines are skipped.
    static QList<MountedVolume> parseMountInfo(const QByteArray& contents);

    // The device name of the volume mounted at mountPoint (a trailing "/" is
    // allowed); isUsb is true only for a USB or removable disk that is neither
    // a floppy nor an optical drive.
    QString GetDeviceNameFromMountPoint(const QString& mountPoint, bool& isUsb) const;
    QString GetDeviceNameFromVolume(const MountedVolume& volume, bool& isUsb) const;
    // The sysfs folder of the whole disk behind a block device number; empty
    // when there is none.
    QString GetDiskSysPathByDeviceNumber(const QString& deviceNumber) const;
    // The disk's vendor and model joined by a blank, else "Unknown Device".
    QString GetDeviceName(const QString& diskSysPath) const;

private:
    bool isOnUsbBus(const QString& diskSysPath) const;

    QString mProcRoot;
    QString mSysRoot;
};

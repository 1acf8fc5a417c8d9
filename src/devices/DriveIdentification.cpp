// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/DriveIdentification.h"

#include "app/TraceLog.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// sysfs attributes are a line or two; nothing longer is worth reading.
constexpr qint64 kMaxAttributeBytes = 4096;

QByteArray readAttribute(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(kMaxAttributeBytes).trimmed();
}

// mountinfo escapes blanks, tabs, newlines and backslashes as "\ooo".
QString decodeField(const QByteArray& field)
{
    QByteArray decoded;
    decoded.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size()) {
            const char a = field.at(i + 1), b = field.at(i + 2), d = field.at(i + 3);
            const auto isOctal = [](char x) { return x >= '0' && x <= '7'; };
            if (isOctal(a) && isOctal(b) && isOctal(d)) {
                const int value = (a - '0') * 64 + (b - '0') * 8 + (d - '0');
                if (value <= 0xff) {
                    decoded.append(static_cast<char>(value));
                    i += 3;
                    continue;
                }
            }
        }
        decoded.append(c);
    }
    return QFile::decodeName(decoded);
}

QString withoutTrailingSlash(const QString& path)
{
    QString result = path;
    while (result.size() > 1 && result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}

} // namespace

DriveIdentification::DriveIdentification(const QString& procRoot, const QString& sysRoot)
    : mProcRoot(procRoot), mSysRoot(sysRoot)
{
}

QList<MountedVolume> DriveIdentification::parseMountInfo(const QByteArray& contents)
{
    TraceScope trace("DriveIdentification::parseMountInfo");
    QList<MountedVolume> volumes;
    for (const QByteArray& line : contents.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        // id, parent, MAJ:MIN, root, mount point, options, [optional...], "-", type, source, ...
        if (fields.size() < 5 || fields.at(4).isEmpty())
            continue;
        MountedVolume volume;
        volume.deviceNumber = QString::fromLatin1(fields.at(2));
        volume.mountPoint = decodeField(fields.at(4));
        const int separator = fields.indexOf(QByteArray("-"), 6);
        if (separator >= 0 && separator + 1 < fields.size())
            volume.fileSystemType = decodeField(fields.at(separator + 1));
        if (separator >= 0 && separator + 2 < fields.size())
            volume.source = decodeField(fields.at(separator + 2));
        volumes.append(volume);
    }
    return volumes;
}

QList<MountedVolume> DriveIdentification::mountedVolumes() const
{
    TraceScope trace("DriveIdentification::mountedVolumes");
    QFile file(mProcRoot + QStringLiteral("/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly)) {
        traceValue("Cannot read mount table", file.fileName());
        return {};
    }
    return parseMountInfo(file.readAll());
}

QString DriveIdentification::GetDeviceNameFromMountPoint(const QString& mountPoint, bool& isUsb) const
{
    TraceScope trace("GetDeviceNameFromMountPoint");
    isUsb = false;
    const QString wanted = withoutTrailingSlash(mountPoint);
    const QList<MountedVolume> volumes = mountedVolumes();
    // A later mount on the same point hides the earlier ones.
    for (int i = volumes.size() - 1; i >= 0; --i) {
        if (volumes.at(i).mountPoint == wanted)
            return GetDeviceNameFromVolume(volumes.at(i), isUsb);
    }
    traceValue("Invalid drive letter", mountPoint);
    traceReturns(1);
    return QString();
}

QString DriveIdentification::GetDeviceNameFromVolume(const MountedVolume& volume, bool& isUsb) const
{
    TraceScope trace("GetDeviceNameFromVolume");
    isUsb = false;
    traceValue("mountPoint", volume.mountPoint);
    // Major 0 belongs to file systems without a block device (proc, tmpfs, network).
    static const QRegularExpression blockDevice(QStringLiteral("^[1-9][0-9]{0,9}:[0-9]{1,10}$"));
    if (!blockDevice.match(volume.deviceNumber).hasMatch()) {
        traceMessage("Device number not invalid");
        traceReturns(1);
        return QString();
    }
    const QString disk = GetDiskSysPathByDeviceNumber(volume.deviceNumber);
    if (disk.isEmpty()) {
        traceMessage("Invalid DevInst");
        traceReturns(1);
        return QString();
    }
    const QString diskName = QFileInfo(disk).fileName();
    const bool floppy = diskName.startsWith(QStringLiteral("fd"));
    // SCSI peripheral type 5 is an optical drive; such drives are never phones.
    const bool optical =
        diskName.startsWith(QStringLiteral("sr")) || readAttribute(disk + QStringLiteral("/device/type")) == "5";
    // Many USB disks report removable 0, so the bus decides as well.
    const bool removable = readAttribute(disk + QStringLiteral("/removable")) == "1";
    if ((removable || isOnUsbBus(disk)) && !floppy && !optical) {
        traceMessage("Is USB driver");
        isUsb = true;
    }
    return GetDeviceName(disk);
}

QString DriveIdentification::GetDiskSysPathByDeviceNumber(const QString& deviceNumber) const
{
    TraceScope trace("GetDiskSysPathByDeviceNumber");
    static const QRegularExpression number(QStringLiteral("^[0-9]{1,10}:[0-9]{1,10}$"));
    if (!number.match(deviceNumber).hasMatch()) {
        traceMessage("Unkown drive type");
        return QString();
    }
    const QString resolved = QFileInfo(mSysRoot + QStringLiteral("/dev/block/") + deviceNumber).canonicalFilePath();
    if (resolved.isEmpty()) {
        traceValue("Invalid handle", deviceNumber);
        return QString();
    }
    // A partition's folder sits inside its disk's folder.
    if (QFileInfo::exists(resolved + QStringLiteral("/partition")))
        return QFileInfo(resolved).path();
    return resolved;
}

QString DriveIdentification::GetDeviceName(const QString& diskSysPath) const
{
    TraceScope trace("GetDeviceName");
    QStringList parts;
    const QString vendor = QString::fromUtf8(readAttribute(diskSysPath + QStringLiteral("/device/vendor")));
    const QString model = QString::fromUtf8(readAttribute(diskSysPath + QStringLiteral("/device/model")));
    if (!vendor.isEmpty())
        parts.append(vendor);
    if (!model.isEmpty())
        parts.append(model);
    if (parts.isEmpty()) {
        // Card readers on the MMC bus name the card instead.
        const QString cardName = QString::fromUtf8(readAttribute(diskSysPath + QStringLiteral("/device/name")));
        if (!cardName.isEmpty())
            parts.append(cardName);
    }
    QString name = parts.join(QLatin1Char(' '));
    if (name.isEmpty())
        name = QStringLiteral("Unknown Device");
    traceValue("deviceName", name);
    return name;
}

bool DriveIdentification::isOnUsbBus(const QString& diskSysPath) const
{
    TraceScope trace("DriveIdentification::isOnUsbBus");
    // Only the part below the sys root counts: the root itself may live anywhere.
    QString root = QFileInfo(mSysRoot).canonicalFilePath();
    QString relative = diskSysPath;
    if (!root.isEmpty() && relative.startsWith(root + QLatin1Char('/')))
        relative = relative.mid(root.size() + 1);
    static const QRegularExpression usbComponent(QStringLiteral("^usb[0-9]*$"));
    for (const QString& component : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (usbComponent.match(component).hasMatch())
            return true;
    }
    return false;
}

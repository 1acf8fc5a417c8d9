// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/FakeUsbMachine.h"

#include "app/Constants.h"
#include "devices/DeviceList.h"
#include "devices/mtp/MtpPhoneSource.h"

#include <QDir>
#include <QFile>

namespace {

QString usbBus(int port)
{
    return QStringLiteral("pci0000:00/0000:00:14.0/usb2/2-%1/2-%1:1.0/host%1/target%1:0:0/%1:0:0:0").arg(port);
}

} // namespace

FakeUsbMachine::FakeUsbMachine() : mOldHome(qgetenv("HOME"))
{
    qputenv("HOME", QFile::encodeName(mHome.path()));
}

FakeUsbMachine::~FakeUsbMachine()
{
    qputenv("HOME", mOldHome);
}

QString FakeUsbMachine::plugUsbPhone(const QString& model, const QByteArray& uniqueId, bool alive)
{
    const int port = ++mPorts;
    const QString disk = QStringLiteral("sd%1").arg(QChar(QLatin1Char('a' + port)));
    const QString number = QStringLiteral("8:%1").arg(port * 16);
    mTree.addDisk(usbBus(port), disk, number, 0, QStringLiteral("Acme"), model);
    const QString mountPoint = mDrives.filePath(alive ? model : QStringLiteral("gone/") + model);
    if (alive)
        QDir().mkpath(mountPoint + QLatin1Char('/') + Constants::phoneProgramFolder());
    if (alive && !uniqueId.isEmpty()) {
        QFile id(mountPoint + QLatin1Char('/') + Constants::phoneUniqueIdFile());
        if (id.open(QIODevice::WriteOnly))
            id.write(uniqueId);
    }
    mTree.addMount(number, mountPoint, QStringLiteral("vfat"), QStringLiteral("/dev/") + disk);
    return mountPoint;
}

void FakeUsbMachine::mountFixedDisk(const QString& mountPoint)
{
    if (!mSataDisk) {
        mTree.addDisk(QStringLiteral("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0"), QStringLiteral("sda"),
                      QStringLiteral("8:0"), 0, QStringLiteral("ATA"), QStringLiteral("Samsung SSD"));
        mSataDisk = true;
    }
    mTree.addMount(QStringLiteral("8:0"), mountPoint, QStringLiteral("ext4"), QStringLiteral("/dev/sda"));
}

void FakeUsbMachine::unplugAll()
{
    mTree.writeMountInfo(QByteArray());
}

std::unique_ptr<DeviceList> FakeUsbMachine::makeDeviceList(std::unique_ptr<MtpPhoneSource> mtp)
{
    return std::make_unique<DeviceList>(nullptr, std::move(mtp), mTree.procRoot(), mTree.sysRoot());
}

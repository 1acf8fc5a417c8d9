// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Drive identification on fake proc and sys trees.
#include "support/FakeDriveTree.h"

#include "devices/DriveIdentification.h"

#include <QtTest>

namespace {

const QString kUsbBus = QStringLiteral("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0");
const QString kUsbReaderBus = QStringLiteral("pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/host7/target7:0:0/7:0:0:1");
const QString kSataBus = QStringLiteral("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0");
const QString kMmcBus = QStringLiteral("pci0000:00/0000:00:1e.6/mmc_host/mmc0/mmc0:aaaa");
const QString kUsbBareBus = QStringLiteral("pci0000:00/0000:00:14.0/usb2/2-2/2-2:1.0/host8/target8:0:0/8:0:0:0");
const QString kUsbCdBus = QStringLiteral("pci0000:00/0000:00:14.0/usb2/2-4/2-4:1.0/host9/target9:0:0/9:0:0:0");
const QString kFloppyBus = QStringLiteral("platform/floppy.0");

} // namespace

class TestDriveIdentification : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void identifiesMountedVolumes_data();
    void identifiesMountedVolumes();
    void mountPointsWithEscapes();
    void laterMountOnTheSamePointWins();
    void parsesOddMountInfo_data();
    void parsesOddMountInfo();
    void refusesDeviceNumbersThatAreNotNumbers_data();
    void refusesDeviceNumbersThatAreNotNumbers();
    void missingProcTreeGivesNoVolumes();

private:
    FakeDriveTree mTree;
};

void TestDriveIdentification::initTestCase()
{
    QVERIFY(mTree.isValid());
    // A USB stick that reports removable 0, as many do.
    mTree.addDisk(kUsbBus, QStringLiteral("sdb"), QStringLiteral("8:16"), 0, QStringLiteral("SanDisk "),
                  QStringLiteral("Cruzer Blade    "));
    mTree.addPartition(QStringLiteral("sdb"), QStringLiteral("sdb1"), QStringLiteral("8:17"));
    mTree.addMount(QStringLiteral("8:17"), QStringLiteral("/media/user/MY STICK"), QStringLiteral("vfat"),
                   QStringLiteral("/dev/sdb1"));
    // A USB multi-card reader slot.
    mTree.addDisk(kUsbReaderBus, QStringLiteral("sdc"), QStringLiteral("8:32"), 1, QStringLiteral("Generic-"),
                  QStringLiteral("SD/MMC"));
    mTree.addMount(QStringLiteral("8:32"), QStringLiteral("/media/user/CARD"), QStringLiteral("exfat"),
                   QStringLiteral("/dev/sdc"));
    // A built-in SD card reader on the MMC bus: no vendor or model, the card's name.
    mTree.addDisk(kMmcBus, QStringLiteral("mmcblk0"), QStringLiteral("179:0"), 1, QString(), QString());
    mTree.writeSysFile(QStringLiteral("devices/") + kMmcBus + QStringLiteral("/name"), "SD32G\n");
    mTree.addPartition(QStringLiteral("mmcblk0"), QStringLiteral("mmcblk0p1"), QStringLiteral("179:1"));
    mTree.addMount(QStringLiteral("179:1"), QStringLiteral("/media/user/SDCARD"), QStringLiteral("vfat"),
                   QStringLiteral("/dev/mmcblk0p1"));
    // The fixed SATA system disk.
    mTree.addDisk(kSataBus, QStringLiteral("sda"), QStringLiteral("8:0"), 0, QStringLiteral("ATA     "),
                  QStringLiteral("Samsung SSD 860 "));
    mTree.addPartition(QStringLiteral("sda"), QStringLiteral("sda2"), QStringLiteral("8:2"));
    mTree.addMount(QStringLiteral("8:2"), QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/sda2"));
    // A USB disk without model strings.
    mTree.addDisk(kUsbBareBus, QStringLiteral("sdd"), QStringLiteral("8:48"), 0, QString(), QString());
    mTree.addMount(QStringLiteral("8:48"), QStringLiteral("/mnt/bare"), QStringLiteral("vfat"),
                   QStringLiteral("/dev/sdd"));
    // A USB optical drive and a floppy: removable, never phones.
    mTree.addDisk(kUsbCdBus, QStringLiteral("sr0"), QStringLiteral("11:0"), 1, QStringLiteral("HL-DT-ST"),
                  QStringLiteral("DVDRAM"), QStringLiteral("5"));
    mTree.addMount(QStringLiteral("11:0"), QStringLiteral("/media/user/DVD"), QStringLiteral("iso9660"),
                   QStringLiteral("/dev/sr0"));
    mTree.addDisk(kFloppyBus, QStringLiteral("fd0"), QStringLiteral("2:0"), 1, QString(), QString());
    mTree.addMount(QStringLiteral("2:0"), QStringLiteral("/media/floppy"), QStringLiteral("vfat"),
                   QStringLiteral("/dev/fd0"));
    // File systems without a block device, and one whose block device has no sysfs entry.
    mTree.addMount(QStringLiteral("0:45"), QStringLiteral("/run/user/1000"), QStringLiteral("tmpfs"),
                   QStringLiteral("tmpfs"));
    mTree.addMount(QStringLiteral("0:22"), QStringLiteral("/proc"), QStringLiteral("proc"), QStringLiteral("proc"));
    mTree.addMount(QStringLiteral("259:3"), QStringLiteral("/mnt/vanished"), QStringLiteral("ext4"),
                   QStringLiteral("/dev/nvme0n1p3"));
}

void TestDriveIdentification::identifiesMountedVolumes_data()
{
    QTest::addColumn<QString>("mountPoint");
    QTest::addColumn<bool>("isUsb");
    QTest::addColumn<QString>("name");
    QTest::newRow("USB stick with removable 0") << "/media/user/MY STICK" << true << "SanDisk Cruzer Blade";
    QTest::newRow("root path with its slash") << "/media/user/MY STICK/" << true << "SanDisk Cruzer Blade";
    QTest::newRow("USB card reader") << "/media/user/CARD" << true << "Generic- SD/MMC";
    QTest::newRow("built-in SD card reader") << "/media/user/SDCARD" << true << "SD32G";
    QTest::newRow("fixed SATA disk") << "/" << false << "ATA Samsung SSD 860";
    QTest::newRow("USB disk without model strings") << "/mnt/bare" << true << "Unknown Device";
    QTest::newRow("USB optical drive") << "/media/user/DVD" << false << "HL-DT-ST DVDRAM";
    QTest::newRow("floppy") << "/media/floppy" << false << "Unknown Device";
    QTest::newRow("tmpfs") << "/run/user/1000" << false << "";
    QTest::newRow("proc") << "/proc" << false << "";
    QTest::newRow("block device gone from sysfs") << "/mnt/vanished" << false << "";
    QTest::newRow("not mounted") << "/media/user/NOTHING" << false << "";
    QTest::newRow("empty") << "" << false << "";
}

void TestDriveIdentification::identifiesMountedVolumes()
{
    QFETCH(QString, mountPoint);
    QFETCH(bool, isUsb);
    DriveIdentification identification(mTree.procRoot(), mTree.sysRoot());
    bool answer = !isUsb;
    const QString name = identification.GetDeviceNameFromMountPoint(mountPoint, answer);
    QCOMPARE(answer, isUsb);
    QTEST(name, "name");
}

void TestDriveIdentification::mountPointsWithEscapes()
{
    FakeDriveTree tree;
    tree.addDisk(kUsbBus, QStringLiteral("sdb"), QStringLiteral("8:16"), 0, QStringLiteral("V"), QStringLiteral("M"));
    const QStringList points = {QStringLiteral("/media/u/My Phone"), QStringLiteral("/media/u/tab\there"),
                                QStringLiteral("/media/u/back\\slash"), QStringLiteral("/media/u/new\nline"),
                                QStringLiteral("/media/u/\u00c9t\u00e9 2")};
    for (const QString& point : points)
        tree.addMount(QStringLiteral("8:16"), point, QStringLiteral("vfat"), QStringLiteral("/dev/sdb"));
    DriveIdentification identification(tree.procRoot(), tree.sysRoot());
    const QList<MountedVolume> volumes = identification.mountedVolumes();
    QCOMPARE(volumes.size(), points.size());
    for (int i = 0; i < points.size(); ++i) {
        QCOMPARE(volumes.at(i).mountPoint, points.at(i));
        QCOMPARE(volumes.at(i).deviceNumber, QStringLiteral("8:16"));
        QCOMPARE(volumes.at(i).fileSystemType, QStringLiteral("vfat"));
        QCOMPARE(volumes.at(i).source, QStringLiteral("/dev/sdb"));
        bool isUsb = false;
        QCOMPARE(identification.GetDeviceNameFromMountPoint(points.at(i), isUsb), QStringLiteral("V M"));
        QVERIFY(isUsb);
    }
}

void TestDriveIdentification::laterMountOnTheSamePointWins()
{
    FakeDriveTree tree;
    tree.addDisk(kSataBus, QStringLiteral("sda"), QStringLiteral("8:0"), 0, QStringLiteral("ATA"),
                 QStringLiteral("Disk"));
    tree.addDisk(kUsbBus, QStringLiteral("sdb"), QStringLiteral("8:16"), 0, QStringLiteral("Phone"),
                 QStringLiteral("X"));
    tree.addMount(QStringLiteral("8:0"), QStringLiteral("/mnt/p"), QStringLiteral("ext4"), QStringLiteral("/dev/sda"));
    tree.addMount(QStringLiteral("8:16"), QStringLiteral("/mnt/p"), QStringLiteral("vfat"), QStringLiteral("/dev/sdb"));
    DriveIdentification identification(tree.procRoot(), tree.sysRoot());
    bool isUsb = false;
    QCOMPARE(identification.GetDeviceNameFromMountPoint(QStringLiteral("/mnt/p"), isUsb), QStringLiteral("Phone X"));
    QVERIFY(isUsb);
}

void TestDriveIdentification::parsesOddMountInfo_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("mountPoints");
    QTest::addColumn<QStringList>("types");
    QTest::newRow("no optional fields") << QByteArray("1 0 8:1 / /a rw - ext4 /dev/sda1 rw\n") << QStringList{"/a"}
                                        << QStringList{"ext4"};
    QTest::newRow("several optional fields")
        << QByteArray("1 0 8:1 / /a rw shared:1 master:2 propagate_from:3 - ext4 /dev/sda1 rw\n") << QStringList{"/a"}
        << QStringList{"ext4"};
    QTest::newRow("short and empty lines skipped")
        << QByteArray("\n1 0 8:1\n\n2 0 8:2 / /b rw - vfat x rw") << QStringList{"/b"} << QStringList{"vfat"};
    QTest::newRow("no separator") << QByteArray("1 0 8:1 / /c rw") << QStringList{"/c"} << QStringList{""};
    QTest::newRow("bad escapes kept as they are")
        << QByteArray("1 0 8:1 / /d\\9x\\04 rw - ext4 s\\") << QStringList{"/d\\9x\\04"} << QStringList{"ext4"};
    QTest::newRow("escape of a NUL byte")
        << QByteArray("1 0 8:1 / /e\\000f rw - ext4 s")
        << QStringList{QStringLiteral("/e") + QChar(0) + QStringLiteral("f")} << QStringList{"ext4"};
    QTest::newRow("CRLF") << QByteArray("1 0 8:1 / /g rw - ext4 s rw\r\n") << QStringList{"/g"} << QStringList{"ext4"};
    QTest::newRow("nothing") << QByteArray() << QStringList() << QStringList();
}

void TestDriveIdentification::parsesOddMountInfo()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, mountPoints);
    QFETCH(QStringList, types);
    const QList<MountedVolume> volumes = DriveIdentification::parseMountInfo(contents);
    QStringList foundPoints;
    QStringList foundTypes;
    for (const MountedVolume& volume : volumes) {
        foundPoints.append(volume.mountPoint);
        foundTypes.append(volume.fileSystemType);
    }
    QCOMPARE(foundPoints, mountPoints);
    QCOMPARE(foundTypes, types);
}

void TestDriveIdentification::refusesDeviceNumbersThatAreNotNumbers_data()
{
    QTest::addColumn<QString>("deviceNumber");
    QTest::newRow("climbs out of sys") << "../../../etc";
    QTest::newRow("major and minor with a path") << "8:16/../../8:0";
    QTest::newRow("empty") << "";
    QTest::newRow("letters") << "a:b";
    QTest::newRow("too long") << "99999999999:1";
}

void TestDriveIdentification::refusesDeviceNumbersThatAreNotNumbers()
{
    QFETCH(QString, deviceNumber);
    DriveIdentification identification(mTree.procRoot(), mTree.sysRoot());
    QVERIFY(identification.GetDiskSysPathByDeviceNumber(deviceNumber).isEmpty());
    MountedVolume volume;
    volume.mountPoint = QStringLiteral("/x");
    volume.deviceNumber = deviceNumber;
    bool isUsb = true;
    QVERIFY(identification.GetDeviceNameFromVolume(volume, isUsb).isEmpty());
    QVERIFY(!isUsb);
}

void TestDriveIdentification::missingProcTreeGivesNoVolumes()
{
    DriveIdentification identification(mTree.procRoot() + QStringLiteral("/none"), mTree.sysRoot());
    QVERIFY(identification.mountedVolumes().isEmpty());
    bool isUsb = true;
    QVERIFY(identification.GetDeviceNameFromMountPoint(QStringLiteral("/"), isUsb).isEmpty());
    QVERIFY(!isUsb);
}

QTEST_GUILESS_MAIN(TestDriveIdentification)
#include "tst_DriveIdentification.moc"

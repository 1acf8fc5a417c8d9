// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "FakeDriveTree.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

bool writeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

QByteArray escapeMountField(const QString& text)
{
    QByteArray escaped;
    for (const char c : text.toUtf8()) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\')
            escaped += '\\' + QByteArray::number(static_cast<unsigned char>(c), 8).rightJustified(3, '0');
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

FakeDriveTree::FakeDriveTree()
{
    QDir().mkpath(sysRoot() + QStringLiteral("/dev/block"));
    writeMountInfo(QByteArray());
}

void FakeDriveTree::link(const QString& target, const QString& linkPath)
{
    QDir().mkpath(QFileInfo(linkPath).path());
    QFile::link(QDir(QFileInfo(linkPath).path()).relativeFilePath(target), linkPath);
}

QString FakeDriveTree::diskFolder(const QString& diskName) const
{
    QDirIterator it(sysRoot() + QStringLiteral("/devices"), QStringList{diskName}, QDir::Dirs,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (QFileInfo(path).path().endsWith(QStringLiteral("/block")))
            return path;
    }
    return QString();
}

void FakeDriveTree::addDisk(const QString& busPath, const QString& name, const QString& deviceNumber, int removable,
                            const QString& vendor, const QString& model, const QString& scsiType)
{
    const QString device = sysRoot() + QStringLiteral("/devices/") + busPath;
    const QString disk = device + QStringLiteral("/block/") + name;
    writeFile(disk + QStringLiteral("/removable"), QByteArray::number(removable) + '\n');
    writeFile(disk + QStringLiteral("/dev"), deviceNumber.toLatin1() + '\n');
    if (!vendor.isEmpty())
        writeFile(device + QStringLiteral("/vendor"), vendor.toUtf8() + '\n');
    if (!model.isEmpty())
        writeFile(device + QStringLiteral("/model"), model.toUtf8() + '\n');
    if (!scsiType.isEmpty())
        writeFile(device + QStringLiteral("/type"), scsiType.toUtf8() + '\n');
    QDir().mkpath(device);
    link(device, disk + QStringLiteral("/device"));
    link(disk, sysRoot() + QStringLiteral("/dev/block/") + deviceNumber);
}

void FakeDriveTree::addPartition(const QString& diskName, const QString& name, const QString& deviceNumber)
{
    const QString partition = diskFolder(diskName) + QLatin1Char('/') + name;
    writeFile(partition + QStringLiteral("/partition"), "1\n");
    writeFile(partition + QStringLiteral("/dev"), deviceNumber.toLatin1() + '\n');
    link(partition, sysRoot() + QStringLiteral("/dev/block/") + deviceNumber);
}

void FakeDriveTree::addMount(const QString& deviceNumber, const QString& mountPoint, const QString& fileSystemType,
                             const QString& source)
{
    QFile file(procRoot() + QStringLiteral("/self/mountinfo"));
    file.open(QIODevice::Append);
    const int id = mNextMountId++;
    file.write(QByteArray::number(id) + " 1 " + deviceNumber.toLatin1() + " / " + escapeMountField(mountPoint)
               + " rw,relatime shared:" + QByteArray::number(id) + " - " + fileSystemType.toUtf8() + ' '
               + escapeMountField(source) + " rw\n");
}

void FakeDriveTree::writeMountInfo(const QByteArray& contents)
{
    writeFile(procRoot() + QStringLiteral("/self/mountinfo"), contents);
}

void FakeDriveTree::writeSysFile(const QString& relativePath, const QByteArray& contents)
{
    writeFile(sysRoot() + QLatin1Char('/') + relativePath, contents);
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/FakeUsbPhoneMachine.h"

#include "model/LocalMusicLibrary.h"
#include "support/SyncMedia.h"
#include "support/SyncTestLibrary.h"

#include <QFile>

namespace {
const QString kUsbBus = QStringLiteral("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0");
} // namespace

FakeUsbPhoneMachine::FakeUsbPhoneMachine(Phone phone)
{
    if (phone == Phone::None) {
        unplug();
        return;
    }
    mTree.addDisk(kUsbBus, QStringLiteral("sdb"), QStringLiteral("8:16"), 1, QStringLiteral("SAMSUNG"),
                  QStringLiteral("Galaxy"));
    mTree.addPartition(QStringLiteral("sdb"), QStringLiteral("sdb1"), QStringLiteral("8:17"));
    QString mountPoint = mHome.phoneRoot();
    mountPoint.chop(1);
    if (phone == Phone::Unreachable)
        mountPoint = mHome.home() + QStringLiteral("/no-such-mount");
    mTree.addMount(QStringLiteral("8:17"), mountPoint, QStringLiteral("vfat"), QStringLiteral("/dev/sdb1"));
}

SyncController::Environment FakeUsbPhoneMachine::environment(std::unique_ptr<LocalMusicLibrary> library) const
{
    SyncController::Environment environment;
    environment.procRoot = mTree.procRoot();
    environment.sysRoot = mTree.sysRoot();
    environment.library = std::move(library);
    return environment;
}

void FakeUsbPhoneMachine::unplug()
{
    mTree.writeMountInfo(QByteArray());
}

void FakeUsbPhoneMachine::addTrack(SyncTestLibrary& library, qint64 size)
{
    const QString path = mHome.inputFolder() + QStringLiteral("/Lost.mp3");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QByteArray(64, '\xff'));
    file.close();
    Track track = SyncMedia::track(path, QStringLiteral("Lost"), QStringLiteral("Album"), QStringLiteral("Artist"), 1);
    track.setSizeOnPc(size);
    library.addPlaylist(QStringLiteral("Mix"), {track});
    mHome.configurePhone({QStringLiteral("Mix")});
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// How long the interface thread is kept from its events: a timer on the main
// thread ticks every 5 ms and the longest gap between ticks is recorded,
// (1) during a whole sync of 2,000 photos and 500 tracks to a USB phone folder,
// its progress signals drawn into a label and a progress bar as the window
// does, and (2) during device-list refreshes with 20 mounted USB drives.
// Goal: at most 50 ms. Prints the longest and the 99th-percentile gap.
#include "BenchRounds.h"
#include "devices/DeviceList.h"
#include "devices/UsbMSDevice.h"
#include "devices/mtp/MtpPhoneSource.h"
#include "model/Track.h"
#include "settings/SyncSettings.h"
#include "support/FakeUsbMachine.h"
#include "support/SyncTestLibrary.h"
#include "sync/MusicSync.h"
#include "sync/MusicSyncThread.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

using namespace BenchRounds;

constexpr int kPhotos = 2000;
constexpr qint64 kPhotoSize = 64 * 1024;
constexpr int kTracks = 500;
constexpr qint64 kTrackSize = 256 * 1024;
constexpr int kMounts = 20;
constexpr int kRefreshes = 50;
constexpr int kTickMs = 5;

// Records the gaps between ticks of a timer on the calling thread.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        connect(&mTimer, &QTimer::timeout, this, [this] {
            const qint64 now = mClock.nsecsElapsed();
            if (mLast >= 0)
                mGaps.append((now - mLast) / 1e6);
            mLast = now;
        });
        mTimer.setTimerType(Qt::PreciseTimer);
        mClock.start();
        mTimer.start(kTickMs);
    }
    double longest() const { return mGaps.isEmpty() ? 0 : *std::max_element(mGaps.begin(), mGaps.end()); }
    double percentile99() const
    {
        if (mGaps.isEmpty())
            return 0;
        QList<double> sorted = mGaps;
        std::sort(sorted.begin(), sorted.end());
        return sorted.at(int(sorted.size() * 99 / 100));
    }
    int ticks() const { return int(mGaps.size()); }

private:
    QTimer mTimer;
    QElapsedTimer mClock;
    qint64 mLast = -1;
    QList<double> mGaps;
};

void printFigures(const char* what, const StallMeter& meter, double seconds)
{
    std::printf("  %-34s %6.2f s, %5d ticks: longest gap %7.1f ms, 99th percentile %6.1f ms (goal <= 50 ms) %s\n", what,
                seconds, meter.ticks(), meter.longest(), meter.percentile99(), meter.longest() <= 50 ? "ok" : "OVER");
}

void measureSync(const QString& root)
{
    const QString photos = root + QStringLiteral("/photos");
    QDir().mkpath(photos);
    for (int i = 0; i < kPhotos; ++i)
        writeRandomFile(photos + QStringLiteral("/IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0')), kPhotoSize);
    const QString music = root + QStringLiteral("/music");
    SyncTestLibrary library;
    library.addPlaylist(QStringLiteral("All"), writeRandomTracks(music, kTracks, kTrackSize));
    const QString phone = freshPhoneFolder(root);
    SyncSettings settings;
    settings.load();
    settings.setConfig(phoneId(), false, 0, {QStringLiteral("All")}, {}, QStringLiteral("bench"));
    settings.setCopyPhotos(phoneId(), true);
    settings.addToSettingsList(phoneId(), QStringLiteral("photo_folders"), QString(), photos);
    settings.save();

    UsbMSDevice device(phone, QStringLiteral("bench"), true);
    MusicSync sync(&library, &device, nullptr);
    // What the window does with each progress signal.
    QLabel label;
    QProgressBar bar;
    QObject::connect(&sync, qOverload<int, int, QString>(&MusicSync::ProgressUpdate), &label,
                     [&](int, int percent, const QString& name) {
                         label.setText(name);
                         bar.setValue(percent);
                     });
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    StallMeter meter;
    sync.StartInNewThread(false);
    QObject::connect(sync.thread(), &QThread::finished, &loop, &QEventLoop::quit);
    if (!sync.thread()->isFinished())
        loop.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    const int photosOnPhone = QDir(phone + QStringLiteral("DCIM/Blackberry")).entryList(QDir::Files).size();
    printFigures("sync (photos and tracks)", meter, seconds);
    std::printf("  %d photos and %d tracks copied\n", photosOnPhone, sync.outcome().tracksCopied);
}

void measureRefreshes()
{
    FakeUsbMachine machine;
    for (int i = 0; i < kMounts; ++i)
        machine.plugUsbPhone(QStringLiteral("Phone %1").arg(i), QByteArray("ID") + QByteArray::number(i));
    auto list = machine.makeDeviceList();
    QElapsedTimer clock;
    clock.start();
    StallMeter meter;
    int done = 0;
    QEventLoop loop;
    // A refresh every 20 ms, as often as a busy desktop would trigger them.
    QTimer refresher;
    QObject::connect(&refresher, &QTimer::timeout, &loop, [&] {
        list->RefreshDevices();
        if (++done == kRefreshes)
            loop.quit();
    });
    refresher.start(20);
    loop.exec();
    printFigures("device-list refreshes, 20 mounts", meter, clock.nsecsElapsed() / 1e9);
    std::printf("  %d refreshes, %d phones listed\n", done, int(list->GetDevices().size()));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir root;
    isolateSyncRun(root.path());
    std::printf("interface thread stalls, timer every %d ms:\n", kTickMs);
    measureSync(root.path());
    measureRefreshes();
    return 0;
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/UsbMSDevice.h"
#include "support/SyncMedia.h"
#include "support/SyncTestHome.h"
#include "sync/PhotoCopier.h"
#include "sync/SyncState.h"
#include "sync/VideoConverter.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

class RecordingObserver : public PhotoCopier::Observer
{
public:
    void photoStateChanged(int state) override { mEvents.append(QStringLiteral("state %1").arg(state)); }
    void photoProgress(const QString& fileName, int done, int total) override
    {
        mEvents.append(QStringLiteral("%1 %2/%3").arg(fileName).arg(done).arg(total));
    }
    QStringList mEvents;
};

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_PhotoCopier : public QObject
{
    Q_OBJECT

private slots:
    void folderCopyRecreatesTreeWithoutHiddenEntries();
    void folderCopyKeepsFilesAlreadyOnPhone();
    void folderCopySurvivesLinkLoop();
    void cameraRollPhotoAndVideo_data();
    void cameraRollPhotoAndVideo();
    void cameraRollVideoWithoutConverterIsSkipped();
    void screenSizeOfParent();
};

void tst_PhotoCopier::folderCopyRecreatesTreeWithoutHiddenEntries()
{
    SyncTestHome env;
    const QString photos = env.inputFolder() + QStringLiteral("/photos");
    writeFile(photos + QStringLiteral("/b.jpg"), "b");
    writeFile(photos + QStringLiteral("/A.jpg"), "a");
    writeFile(photos + QStringLiteral("/Holiday/c.jpg"), "c");
    writeFile(photos + QStringLiteral("/.thumbs/t.jpg"), "thumb");
    writeFile(photos + QStringLiteral("/.hidden.jpg"), "hidden");
    UsbMSDevice phone(env.phoneRoot(), QStringLiteral("phone"), true);
    RecordingObserver observer;

    PhotoCopier copier(phone, observer);
    // Counted as they are copied: hidden files and folders are no part of the total.
    copier.setTotal(PhotoCopier::folderFileCount(photos));
    copier.copyFolder(photos, QStringLiteral("DCIM/Blackberry"));

    QCOMPARE(readFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/A.jpg"))), QByteArray("a"));
    QCOMPARE(readFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/b.jpg"))), QByteArray("b"));
    QCOMPARE(readFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/Holiday/c.jpg"))), QByteArray("c"));
    QVERIFY(!QFileInfo::exists(env.phoneFile(QStringLiteral("DCIM/Blackberry/.thumbs"))));
    QVERIFY(!QFileInfo::exists(env.phoneFile(QStringLiteral("DCIM/Blackberry/.hidden.jpg"))));
    // Names ignoring case, files and folders together; no state changes.
    QCOMPARE(observer.mEvents,
             (QStringList{QStringLiteral("A.jpg 1/3"), QStringLiteral("b.jpg 2/3"), QStringLiteral("c.jpg 3/3")}));
}

void tst_PhotoCopier::folderCopyKeepsFilesAlreadyOnPhone()
{
    SyncTestHome env;
    const QString photos = env.inputFolder() + QStringLiteral("/photos");
    writeFile(photos + QStringLiteral("/a.jpg"), "new");
    writeFile(photos + QStringLiteral("/b.jpg"), "b");
    writeFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/a.jpg")), "on phone");
    UsbMSDevice phone(env.phoneRoot(), QStringLiteral("phone"), true);
    RecordingObserver observer;

    PhotoCopier(phone, observer).copyFolder(photos, QStringLiteral("DCIM/Blackberry"));

    QCOMPARE(readFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/a.jpg"))), QByteArray("on phone"));
    QCOMPARE(readFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/b.jpg"))), QByteArray("b"));
}

void tst_PhotoCopier::folderCopySurvivesLinkLoop()
{
    SyncTestHome env;
    const QString photos = env.inputFolder() + QStringLiteral("/photos");
    writeFile(photos + QStringLiteral("/sub/a.jpg"), "a");
    QVERIFY(QFile::link(photos, photos + QStringLiteral("/sub/back")));
    UsbMSDevice phone(env.phoneRoot(), QStringLiteral("phone"), true);
    RecordingObserver observer;

    PhotoCopier(phone, observer).copyFolder(photos, QStringLiteral("DCIM/Blackberry"));

    QCOMPARE(readFile(env.phoneFile(QStringLiteral("DCIM/Blackberry/sub/a.jpg"))), QByteArray("a"));
    QCOMPARE(observer.mEvents, QStringList{QStringLiteral("a.jpg 1/0")});
}

void tst_PhotoCopier::cameraRollPhotoAndVideo_data()
{
    QTest::addColumn<int>("screenPixels");
    QTest::addColumn<QString>("expectedSize");
    QTest::newRow("small screen scales down") << 384000 << QStringLiteral("width=480\nheight=270");
    QTest::newRow("large screen copies streams") << 384001 << QStringLiteral("width=64\nheight=48");
}

void tst_PhotoCopier::cameraRollPhotoAndVideo()
{
    QFETCH(int, screenPixels);
    QFETCH(QString, expectedSize);
    SyncTestHome env;
    const QString photo = env.inputFolder() + QStringLiteral("/photo");
    const QString video = env.inputFolder() + QStringLiteral("/video");
    writeFile(photo, "jpeg bytes");
    QVERIFY(SyncMedia::makeQuickTimeVideo(video));
    UsbMSDevice phone(env.phoneRoot(), QStringLiteral("phone"), true);
    RecordingObserver observer;
    PhotoCopier copier(phone, observer);

    copier.copyCameraRollFile(photo, QStringLiteral("/100APPLE/IMG_0001.JPG"), screenPixels);
    copier.copyCameraRollFile(video, QStringLiteral("/100APPLE/IMG_0002.MOV"), screenPixels);

    QCOMPARE(readFile(env.phoneFile(QStringLiteral("DCIM/100APPLE/IMG_0001.JPG"))), QByteArray("jpeg bytes"));
    QVERIFY(!QFileInfo::exists(env.phoneFile(QStringLiteral("DCIM/100APPLE/IMG_0002.MOV"))));
    const QString converted = env.phoneFile(QStringLiteral("DCIM/100APPLE/IMG_0002.mp4"));
    QVERIFY(QFileInfo::exists(converted));
    const QString probe = SyncMedia::probe(converted);
    QVERIFY2(probe.contains(expectedSize), qPrintable(probe));
    QCOMPARE(observer.mEvents, (QStringList{QStringLiteral("IMG_0001.JPG 1/0"), QStringLiteral("IMG_0002.MOV 2/0"),
                                            QStringLiteral("state 17"), QStringLiteral("IMG_0002.MOV 2/0"),
                                            QStringLiteral("state 16"), QStringLiteral("IMG_0002.MOV 2/0")}));
}

void tst_PhotoCopier::cameraRollVideoWithoutConverterIsSkipped()
{
    SyncTestHome env;
    // A broken video: the converter fails, and an old temporary output from an
    // earlier video must not be sent in its place.
    const QString video = env.inputFolder() + QStringLiteral("/broken");
    writeFile(video, "not a video");
    QDir().mkpath(env.programFolder());
    writeFile(PhotoCopier::convertedVideoPath(), "earlier video");
    UsbMSDevice phone(env.phoneRoot(), QStringLiteral("phone"), true);
    RecordingObserver observer;

    PhotoCopier(phone, observer).copyCameraRollFile(video, QStringLiteral("/100APPLE/IMG_9.mov"), 500000);

    QVERIFY(!QFileInfo::exists(env.phoneFile(QStringLiteral("DCIM/100APPLE/IMG_9.mp4"))));
    QVERIFY(!QFileInfo::exists(env.phoneFile(QStringLiteral("DCIM/100APPLE/IMG_9.mov"))));
}

void tst_PhotoCopier::screenSizeOfParent()
{
    SyncTestHome env;
    QCOMPARE(PhotoCopier::screenPixelsOf(nullptr), VideoConverter::kDefaultScreenPixels);

    writeFile(env.phoneFile(QStringLiteral("KORVA/android.xml")), "<device version=\"10\" screen_pixels=\"384000\"/>");
    UsbMSDevice phone(env.phoneRoot(), QStringLiteral("phone"), true);
    DeviceParentMs parent(QStringLiteral("drive"));
    QCOMPARE(PhotoCopier::screenPixelsOf(&parent), VideoConverter::kDefaultScreenPixels);
    parent.addChild(&phone);
    QCOMPARE(PhotoCopier::screenPixelsOf(&parent), 384000);
}

QTEST_GUILESS_MAIN(tst_PhotoCopier)
#include "tst_PhotoCopier.moc"

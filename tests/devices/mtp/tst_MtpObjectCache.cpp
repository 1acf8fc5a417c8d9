// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/Constants.h"
#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/DeviceParentMtpMac.h"
#include "devices/mtp/MtpDevice.h"
#include "devices/mtp/MtpStorage.h"
#include "devices/mtp/PortableDevices.h"
#include "devices/mtp/QMtpDeviceStorage.h"
#include "support/EmulatedMtpPhone.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The folder-listing cache of an MTP phone and the files read and written
// through it, on the emulated phone.
class tst_MtpObjectCache : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void mangledKeys_data();
    void mangledKeys();
    void listingAskedOnceUntilReopen();
    void addedObjectsAppearInCachedListing();
    void objectAddedToUnlistedFolderHidesNothing();
    void folderMadeOnPhoneAfterListingIsFound();
    void failedSendsLeaveNoHalfFile_data();
    void failedSendsLeaveNoHalfFile();
    void refusedDeleteIsReported();
    void staleIdsAfterReopenAreNotUsed();
    void readOfMissingFileFailsAndLeavesNothing();
    void temporaryNameSkipsTakenOnes();
    void writeRoundTripAndReadSendsNothing();
    void rootLevelFileGoesToTheRoot();

private:
    QString localFile(const QString& name, const QByteArray& data);

    std::unique_ptr<QTemporaryDir> mHome;
    QByteArray mOldHome;
    std::unique_ptr<EmulatedMtpPhone> mPhone;
};

void tst_MtpObjectCache::init()
{
    mHome = std::make_unique<QTemporaryDir>();
    QVERIFY(mHome->isValid());
    mOldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(mHome->path()));
    mPhone = std::make_unique<EmulatedMtpPhone>();
    QVERIFY(mPhone->open());
}

void tst_MtpObjectCache::cleanup()
{
    mPhone.reset();
    qputenv("HOME", mOldHome);
    mHome.reset();
}

QString tst_MtpObjectCache::localFile(const QString& name, const QByteArray& data)
{
    const QString path = mHome->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return QString();
    return path;
}

void tst_MtpObjectCache::mangledKeys_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("storage");
    QTest::addColumn<QString>("key");
    QTest::newRow("storage root") << "4294967295"
                                  << "s1"
                                  << "storage_root_s1";
    QTest::newRow("root named by the storage") << "s1"
                                               << "s1"
                                               << "storage_root_s1";
    QTest::newRow("any other folder") << "1.7"
                                      << "s1"
                                      << "1.7";
}

void tst_MtpObjectCache::mangledKeys()
{
    QFETCH(QString, folder);
    QFETCH(QString, storage);
    QFETCH(QString, key);
    QCOMPARE(MangleFolderId(folder, storage), key);
}

void tst_MtpObjectCache::listingAskedOnceUntilReopen()
{
    MtpDevice* mtp = mPhone->parent()->mtpDevice();
    const QString storage = mPhone->device()->storage()->Id();
    QVERIFY(mtp->reopen());
    const int before = mPhone->emulation().listCount(mPhone->pnpId());
    const QList<QMtpCachedFile> first = mtp->getFilesAndFolders(storage, Constants::mtpRootObjectId());
    const QList<QMtpCachedFile> second = mtp->getFilesAndFolders(storage, Constants::mtpRootObjectId());
    QCOMPARE(mPhone->emulation().listCount(mPhone->pnpId()), before + 1);
    QCOMPARE(first.size(), 1);
    QCOMPARE(second.first().name(), QStringLiteral("KORVA"));
    QCOMPARE(second.first().id(), first.first().id());

    // Ids belong to one connection: after reopening the phone is asked again.
    QVERIFY(mtp->reopen());
    mtp->getFilesAndFolders(storage, Constants::mtpRootObjectId());
    QCOMPARE(mPhone->emulation().listCount(mPhone->pnpId()), before + 2);
}

void tst_MtpObjectCache::addedObjectsAppearInCachedListing()
{
    DeviceMtpMac* device = mPhone->device();
    MtpDevice* mtp = mPhone->parent()->mtpDevice();
    const QString storage = device->storage()->Id();
    QString korva;
    QString parent;
    QCOMPARE(device->objects().objectAt(QStringLiteral("KORVA"), korva, parent, false), 0);
    QCOMPARE(mtp->getFilesAndFolders(storage, korva).size(), 1);
    const int listed = mPhone->emulation().listCount(mPhone->pnpId());

    const QString folder = mtp->createFolder(QStringLiteral("Sub"), korva, storage);
    QVERIFY(!folder.isEmpty());
    QMtpFile descriptor;
    descriptor.setName(QStringLiteral("note.txt"));
    descriptor.setParentId(korva);
    descriptor.setStorageId(storage);
    descriptor.setSize(3);
    QCOMPARE(mtp->sendFile(localFile(QStringLiteral("note"), "abc"), descriptor), 0);

    QStringList names;
    for (const QMtpCachedFile& file : mtp->getFilesAndFolders(storage, korva))
        names.append(file.name());
    QCOMPARE(names, (QStringList{"android.xml", "Sub", "note.txt"}));
    // The new folder is known to be empty without asking.
    QVERIFY(mtp->getFilesAndFolders(storage, folder).isEmpty());
    QCOMPARE(mPhone->emulation().listCount(mPhone->pnpId()), listed);
    QCOMPARE(mPhone->read(QStringLiteral("KORVA/note.txt")), QByteArray("abc"));
}

void tst_MtpObjectCache::objectAddedToUnlistedFolderHidesNothing()
{
    QVERIFY(mPhone->put(QStringLiteral("Music/A/B/one.mp3"), "1"));
    QVERIFY(mPhone->put(QStringLiteral("Music/A/B/two.mp3"), "2"));
    DeviceMtpMac* device = mPhone->device();
    MtpDevice* mtp = mPhone->parent()->mtpDevice();
    QString album;
    QString artist;
    QCOMPARE(device->objects().objectAt(QStringLiteral("/Music/A/B"), album, artist, true), 0);

    // The album's own listing was never fetched: a cover sent into it must
    // not become the whole of its cached listing.
    QMtpFile descriptor;
    descriptor.setName(QStringLiteral("folder.jpg"));
    descriptor.setParentId(album);
    descriptor.setStorageId(device->storage()->Id());
    descriptor.setSize(1);
    QCOMPARE(mtp->sendFile(localFile(QStringLiteral("art"), "j"), descriptor), 0);
    QStringList names;
    for (const QMtpCachedFile& file : mtp->getFilesAndFolders(device->storage()->Id(), album))
        names.append(file.name());
    QCOMPARE(names, (QStringList{"one.mp3", "two.mp3", "folder.jpg"}));
}

void tst_MtpObjectCache::folderMadeOnPhoneAfterListingIsFound()
{
    DeviceMtpMac* device = mPhone->device();
    QVERIFY(device->objects().exists(QStringLiteral("KORVA")));
    // The root's listing is cached; the phone gains a folder behind it.
    QVERIFY(mPhone->emulation().makeFolder(mPhone->pnpId(), 0, QStringLiteral("Music")));
    QVERIFY(device->objects().makeFolder(QStringLiteral("/Music/A")));
    QCOMPARE(mPhone->list(QString()), (QStringList{"KORVA", "Music"}));
    QCOMPARE(mPhone->list(QStringLiteral("Music")), QStringList{"A"});
}

void tst_MtpObjectCache::failedSendsLeaveNoHalfFile_data()
{
    QTest::addColumn<int>("failures");
    QTest::addColumn<bool>("sent");
    QTest::newRow("two failures, then sent") << 2 << true;
    QTest::newRow("every attempt fails") << 6 << false;
}

void tst_MtpObjectCache::failedSendsLeaveNoHalfFile()
{
    QFETCH(int, failures);
    QFETCH(bool, sent);
    const QByteArray data(1000, 'x');
    const QString source = localFile(QStringLiteral("track"), data);
    DeviceMtpMac* device = mPhone->device();
    // The folder's listing is cached before the sends fail.
    MtpStorage& storage = device->objects();
    QVERIFY(storage.makeFolder(QStringLiteral("/Music/A")));
    QVERIFY(!storage.exists(QStringLiteral("/Music/A/t.mp3")));
    mPhone->emulation().failNextSends(mPhone->pnpId(), failures, true);
    const int sendsBefore = mPhone->emulation().sendCount(mPhone->pnpId());

    QCOMPARE(storage.put(source, QStringLiteral("/Music/A/t.mp3"), PhoneStorage::Kind::File), sent);
    QCOMPARE(mPhone->emulation().sendCount(mPhone->pnpId()) - sendsBefore, sent ? failures + 1 : 6);
    if (sent) {
        QCOMPARE(mPhone->list(QStringLiteral("Music/A")), QStringList{"t.mp3"});
        QCOMPARE(mPhone->read(QStringLiteral("Music/A/t.mp3")), data);
    } else {
        QCOMPARE(mPhone->list(QStringLiteral("Music/A")), QStringList());
        QVERIFY(!storage.exists(QStringLiteral("/Music/A/t.mp3")));
    }
}

void tst_MtpObjectCache::refusedDeleteIsReported()
{
    QVERIFY(mPhone->put(QStringLiteral("Music/keep.mp3"), "k"));
    QVERIFY(mPhone->parent()->mtpDevice()->reopen());
    MtpStorage& storage = mPhone->device()->objects();
    QVERIFY(storage.exists(QStringLiteral("/Music/keep.mp3")));
    mPhone->emulation().setRefuseDeletes(mPhone->pnpId(), true);
    QVERIFY(!storage.remove(QStringLiteral("/Music/keep.mp3")));
    QVERIFY(storage.exists(QStringLiteral("/Music/keep.mp3")));
    mPhone->emulation().setRefuseDeletes(mPhone->pnpId(), false);
    QVERIFY(storage.remove(QStringLiteral("/Music/keep.mp3")));
    QVERIFY(!storage.exists(QStringLiteral("/Music/keep.mp3")));
    QVERIFY(!mPhone->exists(QStringLiteral("Music/keep.mp3")));
    // A folder is never removed, empty or not.
    QVERIFY(mPhone->put(QStringLiteral("Music/A/x.mp3"), "x"));
    QVERIFY(storage.makeFolder(QStringLiteral("Music/Empty")));
    QVERIFY(!storage.remove(QStringLiteral("/Music/A")));
    QVERIFY(!storage.remove(QStringLiteral("/Music/Empty")));
    QVERIFY(mPhone->exists(QStringLiteral("Music/A/x.mp3")));
    QVERIFY(mPhone->exists(QStringLiteral("Music/Empty")));
}

void tst_MtpObjectCache::staleIdsAfterReopenAreNotUsed()
{
    DeviceMtpMac* device = mPhone->device();
    QString id;
    QString parent;
    QCOMPARE(device->objects().objectAt(QStringLiteral("KORVA/android.xml"), id, parent, false), 0);
    QVERIFY(device->mtpDevice()->reopen());
    // The old id names nothing on the new connection; the path still works.
    QVERIFY(device->mtpDevice()->transferFromDevice(id, mHome->filePath(QStringLiteral("stale"))) != 0);
    QByteArray data;
    QVERIFY(device->objects().read(QStringLiteral("KORVA/android.xml"), data, 1024));
    QCOMPARE(data, EmulatedMtpPhone::deviceInfo());
}

void tst_MtpObjectCache::readOfMissingFileFailsAndLeavesNothing()
{
    PhoneStorage::LocalCopy copy;
    QVERIFY(!mPhone->device()->objects().get(QStringLiteral("KORVA/none"), copy));
    QVERIFY(!mPhone->device()->objects().get(QStringLiteral("KORVA"), copy));
    QVERIFY(!mPhone->exists(QStringLiteral("KORVA/none")));
    QCOMPARE(QDir(Constants::programFolderPath()).entryList(QDir::Files), QStringList());
}

void tst_MtpObjectCache::temporaryNameSkipsTakenOnes()
{
    const QString folder = Constants::programFolderPath();
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(!localFile(QStringLiteral("KORVA/temp0"), "other").isEmpty());
    QVERIFY(!localFile(QStringLiteral("KORVA/temp1"), "other").isEmpty());
    QString copyPath;
    {
        PhoneStorage::LocalCopy copy;
        QVERIFY(mPhone->device()->objects().get(QStringLiteral("KORVA/android.xml"), copy));
        copyPath = copy.path();
        QCOMPARE(copyPath, folder + QStringLiteral("/temp2"));
    }
    QVERIFY(!QFile::exists(copyPath));
    QVERIFY(QFile::exists(folder + QStringLiteral("/temp0")));
}

void tst_MtpObjectCache::writeRoundTripAndReadSendsNothing()
{
    MtpStorage& storage = mPhone->device()->objects();
    QVERIFY(storage.put(QByteArray("first second"), QStringLiteral("KORVA/data/notes.txt")));
    QCOMPARE(mPhone->read(QStringLiteral("KORVA/data/notes.txt")), QByteArray("first second"));
    const int sends = mPhone->emulation().sendCount(mPhone->pnpId());
    QByteArray data;
    QVERIFY(storage.read(QStringLiteral("KORVA/data/notes.txt"), data, 1024));
    QCOMPARE(data, QByteArray("first second"));
    QCOMPARE(mPhone->emulation().sendCount(mPhone->pnpId()), sends);
    // A replacement takes the old one's name: one object stays.
    QVERIFY(storage.put(QByteArray("third"), QStringLiteral("KORVA/data/notes.txt")));
    QCOMPARE(mPhone->read(QStringLiteral("KORVA/data/notes.txt")), QByteArray("third"));
    QCOMPARE(mPhone->list(QStringLiteral("KORVA/data")), QStringList{"notes.txt"});
    QCOMPARE(storage.size(QStringLiteral("KORVA/data/notes.txt")), qint64(5));
    QCOMPARE(QDir(Constants::programFolderPath()).entryList(QDir::Files), QStringList());
}

void tst_MtpObjectCache::rootLevelFileGoesToTheRoot()
{
    QVERIFY(mPhone->device()->objects().put(QByteArray("t"), QStringLiteral("top.txt")));
    QCOMPARE(mPhone->list(QString()), (QStringList{"KORVA", "top.txt"}));
}

QTEST_GUILESS_MAIN(tst_MtpObjectCache)
#include "tst_MtpObjectCache.moc"

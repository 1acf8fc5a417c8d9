// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/Constants.h"
#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/DeviceParentMtpMac.h"
#include "devices/mtp/MtpDevice.h"
#include "devices/mtp/MtpFile.h"
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
    void readOfMissingFileIsEmpty();
    void secondOpenFails();
    void temporaryNameSkipsTakenOnes();
    void writeRoundTripAndReadOnlyCloseSendsNothing();
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
    QCOMPARE(device->GetOrCreateFromPath(QStringLiteral("KORVA"), korva, parent, false), 0);
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
    QCOMPARE(device->FindOrCreateDirectories(QStringLiteral("A"), QStringLiteral("B"), album), 0);

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
    QVERIFY(MtpFile(device, QString()).exists(QStringLiteral("KORVA")));
    // The root's listing is cached; the phone gains a folder behind it.
    QVERIFY(mPhone->emulation().makeFolder(mPhone->pnpId(), 0, QStringLiteral("Music")));
    QVERIFY(MtpFile(device, QString()).mkpath(QStringLiteral("/Music/A")));
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
    QVERIFY(MtpFile(device, QString()).mkpath(QStringLiteral("/Music/A")));
    QVERIFY(!MtpFile(device, QString()).exists(QStringLiteral("/Music/A/t.mp3")));
    mPhone->emulation().failNextSends(mPhone->pnpId(), failures, true);
    const int sendsBefore = mPhone->emulation().sendCount(mPhone->pnpId());

    MtpFile file(device, QStringLiteral("/Music/A/t.mp3"));
    QCOMPARE(file.copy(source, QStringLiteral("/Music/A/t.mp3"), 5, 2), sent);
    QCOMPARE(mPhone->emulation().sendCount(mPhone->pnpId()) - sendsBefore, sent ? failures + 1 : 6);
    if (sent) {
        QCOMPARE(mPhone->list(QStringLiteral("Music/A")), QStringList{"t.mp3"});
        QCOMPARE(mPhone->read(QStringLiteral("Music/A/t.mp3")), data);
    } else {
        QCOMPARE(mPhone->list(QStringLiteral("Music/A")), QStringList());
        QVERIFY(!file.exists(QStringLiteral("/Music/A/t.mp3")));
    }
}

void tst_MtpObjectCache::refusedDeleteIsReported()
{
    QVERIFY(mPhone->put(QStringLiteral("Music/keep.mp3"), "k"));
    QVERIFY(mPhone->parent()->mtpDevice()->reopen());
    MtpFile file(mPhone->device(), QStringLiteral("/Music/keep.mp3"));
    QVERIFY(file.exists(QStringLiteral("/Music/keep.mp3")));
    mPhone->emulation().setRefuseDeletes(mPhone->pnpId(), true);
    QVERIFY(!file.remove(QStringLiteral("/Music/keep.mp3")));
    QVERIFY(file.exists(QStringLiteral("/Music/keep.mp3")));
    mPhone->emulation().setRefuseDeletes(mPhone->pnpId(), false);
    QVERIFY(file.remove(QStringLiteral("/Music/keep.mp3")));
    QVERIFY(!file.exists(QStringLiteral("/Music/keep.mp3")));
    QVERIFY(!mPhone->exists(QStringLiteral("Music/keep.mp3")));
    // A folder that still holds objects is never removed.
    QVERIFY(mPhone->put(QStringLiteral("Music/A/x.mp3"), "x"));
    QVERIFY(!file.remove(QStringLiteral("/Music/A")));
    QVERIFY(mPhone->exists(QStringLiteral("Music/A/x.mp3")));
}

void tst_MtpObjectCache::staleIdsAfterReopenAreNotUsed()
{
    DeviceMtpMac* device = mPhone->device();
    QString id;
    QString parent;
    QCOMPARE(device->GetOrCreateFromPath(QStringLiteral("KORVA/android.xml"), id, parent, false), 0);
    QVERIFY(device->mtpDevice()->reopen());
    // The old id names nothing on the new connection; the path still works.
    QVERIFY(device->mtpDevice()->transferFromDevice(id, mHome->filePath(QStringLiteral("stale"))) != 0);
    MtpFile file(device, QStringLiteral("KORVA/android.xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), EmulatedMtpPhone::deviceInfo());
    QVERIFY(file.close());
}

void tst_MtpObjectCache::readOfMissingFileIsEmpty()
{
    MtpFile file(mPhone->device(), QStringLiteral("KORVA/none"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray());
    QVERIFY(file.close());
    QVERIFY(!mPhone->exists(QStringLiteral("KORVA/none")));
}

void tst_MtpObjectCache::secondOpenFails()
{
    MtpFile file(mPhone->device(), QStringLiteral("KORVA/android.xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.open(QIODevice::ReadOnly));
    QVERIFY(file.close());
    QVERIFY(!QFile::exists(file.localPath()));
}

void tst_MtpObjectCache::temporaryNameSkipsTakenOnes()
{
    const QString folder = Constants::programFolderPath();
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(!localFile(QStringLiteral("KORVA/temp0"), "other").isEmpty());
    QVERIFY(!localFile(QStringLiteral("KORVA/temp1"), "other").isEmpty());
    MtpFile file(mPhone->device(), QStringLiteral("KORVA/android.xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.localPath(), folder + QStringLiteral("/temp2"));
    QVERIFY(file.close());
    QVERIFY(QFile::exists(folder + QStringLiteral("/temp0")));
}

void tst_MtpObjectCache::writeRoundTripAndReadOnlyCloseSendsNothing()
{
    {
        MtpFile file(mPhone->device(), QStringLiteral("KORVA/data/notes.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("first "));
        QVERIFY(file.write("second"));
        QVERIFY(file.close());
        QVERIFY(!QFile::exists(file.localPath()));
    }
    QCOMPARE(mPhone->read(QStringLiteral("KORVA/data/notes.txt")), QByteArray("first second"));
    const int sends = mPhone->emulation().sendCount(mPhone->pnpId());
    MtpFile reader(mPhone->device(), QStringLiteral("KORVA/data/notes.txt"));
    QVERIFY(reader.open(QIODevice::ReadOnly));
    QCOMPARE(reader.readAll(), QByteArray("first second"));
    QVERIFY(reader.close());
    QCOMPARE(mPhone->emulation().sendCount(mPhone->pnpId()), sends);
    // Appending starts from the phone's content.
    MtpFile appender(mPhone->device(), QStringLiteral("KORVA/data/notes.txt"));
    QVERIFY(appender.open(QIODevice::Append));
    QVERIFY(appender.write("!"));
    QVERIFY(appender.close());
    QCOMPARE(mPhone->read(QStringLiteral("KORVA/data/notes.txt")), QByteArray("first second!"));
    QCOMPARE(mPhone->list(QStringLiteral("KORVA/data")), QStringList{"notes.txt"});
}

void tst_MtpObjectCache::rootLevelFileGoesToTheRoot()
{
    MtpFile file(mPhone->device(), QStringLiteral("top.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write("t"));
    QVERIFY(file.close());
    QCOMPARE(mPhone->list(QString()), (QStringList{"KORVA", "top.txt"}));
}

QTEST_GUILESS_MAIN(tst_MtpObjectCache)
#include "tst_MtpObjectCache.moc"

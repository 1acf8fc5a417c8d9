// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The two storages the device jobs run over, a mounted drive's folder and
// an MTP phone's objects, through the same cases.
#include "devices/DirectoryStorage.h"
#include "devices/mtp/DeviceMtpMac.h"
#include "devices/mtp/DeviceParentMtpMac.h"
#include "devices/mtp/MtpStorage.h"
#include "support/EmulatedMtpPhone.h"
#include "support/PhoneContents.h"
#include "support/SyncTestHome.h"

#include <QDir>
#include <QtTest>

#include <memory>

class tst_PhoneStorage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void putMakesFoldersAndReadsBack();
    void putMakesFoldersAndReadsBack_data() { cases_data(); }
    void replaceLeavesOneWholeFile();
    void replaceLeavesOneWholeFile_data() { cases_data(); }
    void removeTakesFilesOnly();
    void removeTakesFilesOnly_data() { cases_data(); }
    void listTellsKinds();
    void listTellsKinds_data() { cases_data(); }
    void renameAndFigures();
    void renameAndFigures_data() { cases_data(); }

private:
    static void cases_data();
    PhoneStorage& storage();
    QString localFile(const QString& name, const QByteArray& data);
    // Temporary copies are made in the program folder; none may stay.
    QStringList leftovers() const;

    std::unique_ptr<SyncTestHome> mHome;
    std::unique_ptr<EmulatedMtpPhone> mPhone;
    std::unique_ptr<PhoneStorage> mStorage;
};

void tst_PhoneStorage::init()
{
    mHome = std::make_unique<SyncTestHome>();
    QVERIFY(mHome->isValid());
}

void tst_PhoneStorage::cleanup()
{
    mStorage.reset();
    mPhone.reset();
    mHome.reset();
}

void tst_PhoneStorage::cases_data()
{
    QTest::addColumn<bool>("mtp");
    QTest::newRow("directory") << false;
    QTest::newRow("mtp") << true;
}

PhoneStorage& tst_PhoneStorage::storage()
{
    QFETCH(bool, mtp);
    if (!mStorage && !mtp)
        mStorage = std::make_unique<DirectoryStorage>(mHome->phoneRoot());
    if (!mStorage && mtp) {
        mPhone = std::make_unique<EmulatedMtpPhone>(QStringList{QStringLiteral("Internal storage")}, false);
        if (mPhone->open())
            mStorage = std::make_unique<MtpStorage>(mPhone->parent()->mtpDevice(), *mPhone->device()->storage());
    }
    return *mStorage;
}

QString tst_PhoneStorage::localFile(const QString& name, const QByteArray& data)
{
    const QString path = mHome->inputFolder() + QLatin1Char('/') + name;
    return PhoneContents::writeFile(path, data) ? path : QString();
}

QStringList tst_PhoneStorage::leftovers() const
{
    return QDir(mHome->programFolder()).entryList(QDir::Files | QDir::Hidden);
}

void tst_PhoneStorage::putMakesFoldersAndReadsBack()
{
    PhoneStorage& phone = storage();
    QVERIFY(
        phone.put(localFile(QStringLiteral("a"), "abc"), QStringLiteral("/Music/A/B/t.mp3"), PhoneStorage::Kind::File));
    QVERIFY(phone.put(QByteArray("id"), QStringLiteral("KORVA/id.txt")));
    QVERIFY(phone.exists(QStringLiteral("Music/A/B")));
    QVERIFY(!phone.isFile(QStringLiteral("Music/A/B")));
    QVERIFY(phone.isFile(QStringLiteral("/Music/A/B/t.mp3")));
    QCOMPARE(phone.size(QStringLiteral("Music/A/B/t.mp3")), qint64(3));
    QCOMPARE(phone.size(QStringLiteral("Music/A/B")), qint64(-1));
    QCOMPARE(phone.size(QStringLiteral("Music/none.mp3")), qint64(-1));
    QByteArray data;
    QVERIFY(phone.read(QStringLiteral("KORVA/id.txt"), data, 1024));
    QCOMPARE(data, QByteArray("id"));
    QVERIFY(phone.read(QStringLiteral("Music/A/B/t.mp3"), data, 2));
    QCOMPARE(data, QByteArray("ab"));
    PhoneStorage::LocalCopy copy;
    QVERIFY(!phone.get(QStringLiteral("Music/none.mp3"), copy));
    QVERIFY(!phone.get(QStringLiteral("Music/A"), copy));
    QVERIFY(phone.makeFolder(QStringLiteral("DCIM/Camera/2024")));
    QVERIFY(phone.exists(QStringLiteral("DCIM/Camera/2024")));
    QCOMPARE(leftovers(), QStringList());
}

void tst_PhoneStorage::replaceLeavesOneWholeFile()
{
    PhoneStorage& phone = storage();
    QVERIFY(phone.put(QByteArray("old"), QStringLiteral("KORVA/c.xml")));
    QVERIFY(
        phone.put(localFile(QStringLiteral("n"), "newer"), QStringLiteral("KORVA/c.xml"), PhoneStorage::Kind::File));
    QByteArray data;
    QVERIFY(phone.read(QStringLiteral("KORVA/c.xml"), data, 1024));
    QCOMPARE(data, QByteArray("newer"));
    QStringList names;
    for (const PhoneStorage::Entry& entry : phone.list(QStringLiteral("KORVA")))
        names.append(entry.name);
    QCOMPARE(names, QStringList{QStringLiteral("c.xml")});
    QCOMPARE(leftovers(), QStringList());
}

void tst_PhoneStorage::removeTakesFilesOnly()
{
    PhoneStorage& phone = storage();
    QVERIFY(phone.put(QByteArray("x"), QStringLiteral("Music/A/x.mp3")));
    QVERIFY(phone.makeFolder(QStringLiteral("Music/Empty")));
    QVERIFY(!phone.remove(QStringLiteral("Music/A")));
    QVERIFY(!phone.remove(QStringLiteral("Music/Empty")));
    QVERIFY(!phone.remove(QStringLiteral("Music/none.mp3")));
    QVERIFY(phone.exists(QStringLiteral("Music/Empty")));
    QVERIFY(phone.remove(QStringLiteral("/Music/A/x.mp3")));
    QVERIFY(!phone.exists(QStringLiteral("Music/A/x.mp3")));
    QVERIFY(phone.exists(QStringLiteral("Music/A")));
}

void tst_PhoneStorage::listTellsKinds()
{
    PhoneStorage& phone = storage();
    QVERIFY(phone.put(localFile(QStringLiteral("p"), "#EXTM3U\r\n"), QStringLiteral("Playlists_QNL/Mix.m3u"),
                      PhoneStorage::Kind::Playlist));
    QVERIFY(phone.put(QByteArray("t"), QStringLiteral("Playlists_QNL/notes.txt")));
    QVERIFY(phone.makeFolder(QStringLiteral("Playlists_QNL/Old")));
    QMap<QString, PhoneStorage::Kind> kinds;
    for (const PhoneStorage::Entry& entry : phone.list(QStringLiteral("/Playlists_QNL")))
        kinds.insert(entry.name, entry.kind);
    QCOMPARE(kinds.size(), 3);
    QCOMPARE(kinds.value(QStringLiteral("Mix.m3u")), PhoneStorage::Kind::Playlist);
    QCOMPARE(kinds.value(QStringLiteral("notes.txt")), PhoneStorage::Kind::File);
    QCOMPARE(kinds.value(QStringLiteral("Old")), PhoneStorage::Kind::Folder);
    QVERIFY(phone.list(QStringLiteral("Nowhere")).isEmpty());
}

void tst_PhoneStorage::renameAndFigures()
{
    PhoneStorage& phone = storage();
    QVERIFY(phone.put(QByteArray("r"), QStringLiteral("KORVA/a.tmp")));
    QVERIFY(phone.rename(QStringLiteral("KORVA/a.tmp"), QStringLiteral("a.xml")));
    QVERIFY(!phone.exists(QStringLiteral("KORVA/a.tmp")));
    QVERIFY(phone.isFile(QStringLiteral("KORVA/a.xml")));
    QVERIFY(!phone.rename(QStringLiteral("KORVA/none"), QStringLiteral("b.xml")));
    qint64 freeBytes = -1;
    qint64 totalBytes = -1;
    QVERIFY(phone.space(freeBytes, totalBytes));
    QVERIFY(totalBytes > 0);
    QVERIFY(freeBytes >= 0 && freeBytes <= totalBytes);
    QCOMPARE(phone.flush(), 0);
    QVERIFY(phone.reachable());
}

QTEST_GUILESS_MAIN(tst_PhoneStorage)
#include "tst_PhoneStorage.moc"

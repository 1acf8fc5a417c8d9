// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/TrackList.h"
#include "support/SongTrack.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestTrackList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void m4aAndMp3AreTwoEntriesUnlessConverted();
    void sameLibraryTrackTwiceCountsOnce();
    void cachedTrackThenLibraryTrack();
    void deletedRecordThenLibraryTrackThenCachedCopy();
    void missingCachedPathTakesLibraryPath();
    void existingCachedPathIsKept();
    void mergeFillsDurationDateAndLibraryAttributes();
    void flagsAreNeverCleared();
    void totalsMatchEntries_data();
    void totalsMatchEntries();
    void manyTracksKeepTheirIndexes();

private:
    QString existingFile(const QString& name);

    QTemporaryDir mFolder;
};

namespace {

Track libraryTrack(const QString& path, qint64 sizeOnPc = 100)
{
    Track track = songTrack(path, 3);
    track.setSizeOnPc(sizeOnPc);
    track.setOnLocalSyncPlaylist(true);
    return track;
}

Track cachedTrack(const QString& path, bool onPhone, qint64 sizeOnDevice = 90, qint32 flagsPosition = 100)
{
    Track track;
    track.setFromCache(QStringLiteral("Song"), QStringLiteral("Album"), QStringLiteral("Artist"), 3, path, false,
                       onPhone, true, flagsPosition, QStringLiteral("/Music/Artist/Album/song.mp3"), sizeOnDevice);
    return track;
}

// The totals as the definition has them, counted from the entries.
void verifyTotals(const TrackList& list)
{
    qint32 toCopy = 0;
    qint64 toSync = 0;
    qint64 onDevice = 0;
    for (int i = 0; i < list.count(); ++i) {
        const Track& track = list.track(i);
        if (track.onLocalSyncPlaylist() && !track.onRemoteDevice())
            ++toCopy;
        if (track.onLocalSyncPlaylist())
            toSync += track.sizeOnPc();
        if (track.onRemoteDevice())
            onDevice += track.sizeOnDevice();
        QCOMPARE(list.indexOf(track.uniqueId()), i);
    }
    QCOMPARE(list.totalTracksToCopy(), toCopy);
    QCOMPARE(list.totalSizeToSync(), toSync);
    QCOMPARE(list.totalSizeOnDevice(), onDevice);
}

} // namespace

void TestTrackList::initTestCase()
{
    QVERIFY(mFolder.isValid());
}

QString TestTrackList::existingFile(const QString& name)
{
    const QString path = mFolder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write("x");
    return path;
}

void TestTrackList::m4aAndMp3AreTwoEntriesUnlessConverted()
{
    TrackList list;
    const int aac = list.addTrack(libraryTrack(QStringLiteral("/m/song.m4a")));
    const int mp3 = list.addTrack(libraryTrack(QStringLiteral("/m/song.mp3")));
    QCOMPARE(list.count(), 2);
    QVERIFY(aac != mp3);
    QCOMPARE(list.totalTracksToCopy(), 2);

    TrackList converting;
    Track converted = libraryTrack(QStringLiteral("/m/song.m4a"));
    converted.setConvertToMp3(true);
    QCOMPARE(converting.addTrack(converted), 0);
    QCOMPARE(converting.addTrack(libraryTrack(QStringLiteral("/m/song.mp3"))), 0);
    QCOMPARE(converting.count(), 1);
    QCOMPARE(converting.totalTracksToCopy(), 1);
    verifyTotals(converting);
}

void TestTrackList::sameLibraryTrackTwiceCountsOnce()
{
    TrackList list;
    QCOMPARE(list.addTrack(libraryTrack(QStringLiteral("/m/a.mp3"), 500)), 0);
    QCOMPARE(list.addTrack(libraryTrack(QStringLiteral("/m/a.mp3"), 500)), 0);
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.totalTracksToCopy(), 1);
    QCOMPARE(list.totalSizeToSync(), qint64(500));
    verifyTotals(list);
}

void TestTrackList::cachedTrackThenLibraryTrack()
{
    const QString path = existingFile(QStringLiteral("onphone.mp3"));
    TrackList list;
    list.addTrack(cachedTrack(path, true, 90, 144));
    QCOMPARE(list.totalSizeOnDevice(), qint64(90));
    QCOMPARE(list.totalTracksToCopy(), 0);

    QCOMPARE(list.addTrack(libraryTrack(path, 100)), 0);
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.totalTracksToCopy(), 0);
    QCOMPARE(list.totalSizeOnDevice(), qint64(90));
    QCOMPARE(list.totalSizeToSync(), qint64(100));
    const Track& merged = list.track(0);
    QVERIFY(merged.onLocalSyncPlaylist());
    QVERIFY(merged.onRemoteDevice());
    QVERIFY(merged.inCache());
    QCOMPARE(merged.deviceId(), QStringLiteral("/Music/Artist/Album/song.mp3"));
    QCOMPARE(merged.flagsFilePosition(), 144);
    verifyTotals(list);
}

void TestTrackList::deletedRecordThenLibraryTrackThenCachedCopy()
{
    TrackList list;
    // A record of a track deleted from the phone: neither on the phone nor chosen.
    list.addTrack(cachedTrack(QStringLiteral("/gone/a.mp3"), false, 70, 100));
    QCOMPARE(list.totalTracksToCopy(), 0);
    QCOMPARE(list.totalSizeOnDevice(), qint64(0));

    list.addTrack(libraryTrack(QStringLiteral("/m/a.mp3"), 100));
    QCOMPARE(list.totalTracksToCopy(), 1);

    // A later record of the same track that is on the phone.
    Track onPhone = cachedTrack(QStringLiteral("/gone/a.mp3"), true, 80, 300);
    onPhone.setDeviceId(QStringLiteral("/Music/new.mp3"));
    onPhone.setCacheIdRefPosition(260);
    list.addTrack(onPhone);
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.totalTracksToCopy(), 0);
    QCOMPARE(list.totalSizeOnDevice(), qint64(80));
    // The entry now stands for the copy on the phone and its record.
    const Track& entry = list.track(0);
    QCOMPARE(entry.deviceId(), QStringLiteral("/Music/new.mp3"));
    QCOMPARE(entry.sizeOnDevice(), qint64(80));
    QCOMPARE(entry.flagsFilePosition(), 300);
    QCOMPARE(entry.cacheIdRefPosition(), qint64(260));
    verifyTotals(list);
}

void TestTrackList::missingCachedPathTakesLibraryPath()
{
    const QString current = existingFile(QStringLiteral("current.mp3"));
    TrackList list;
    list.addTrack(cachedTrack(mFolder.filePath(QStringLiteral("moved-away.mp3")), true));
    list.addTrack(libraryTrack(current));
    QCOMPARE(list.track(0).path(), current);

    // Paths from a damaged cache: replaced without troubling the file system.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    for (const QString& damaged : {QString(), QStringLiteral("/m/a\0b.mp3")}) {
        TrackList other;
        Track cached = cachedTrack(damaged, true);
        cached.setConvertedToMp3(true);
        other.addTrack(cached);
        other.addTrack(libraryTrack(current));
        QCOMPARE(other.track(0).path(), current);
    }
}

void TestTrackList::existingCachedPathIsKept()
{
    const QString cached = existingFile(QStringLiteral("cached.mp3"));
    TrackList list;
    list.addTrack(cachedTrack(cached, true));
    list.addTrack(libraryTrack(mFolder.filePath(QStringLiteral("other.mp3"))));
    QCOMPARE(list.track(0).path(), cached);
}

void TestTrackList::mergeFillsDurationDateAndLibraryAttributes()
{
    TrackList list;
    list.addTrack(cachedTrack(QStringLiteral("/gone/a.mp3"), false));
    Track library = libraryTrack(QStringLiteral("/m/a.mp3"), 4321);
    library.setDuration(215);
    library.setDateAdded(1700000000);
    library.setMp3Bitrate(256);
    library.setITunesId(QStringLiteral("ABC"));
    list.addTrack(library);

    const Track& entry = list.track(0);
    QCOMPARE(entry.duration(), 215);
    QCOMPARE(entry.dateAdded(), qint64(1700000000));
    // A cached record knows no bitrate: the upload would convert at 0 kbit/s.
    QCOMPARE(entry.mp3Bitrate(), 256);
    QCOMPARE(entry.iTunesId(), QStringLiteral("ABC"));
    QCOMPARE(entry.sizeOnPc(), qint64(4321));

    // Values already set are kept.
    Track later = library;
    later.setDuration(999);
    later.setDateAdded(5);
    list.addTrack(later);
    QCOMPARE(list.track(0).duration(), 215);
    QCOMPARE(list.track(0).dateAdded(), qint64(1700000000));
    verifyTotals(list);
}

void TestTrackList::flagsAreNeverCleared()
{
    const QString path = existingFile(QStringLiteral("flags.m4a"));
    TrackList list;
    Track first = libraryTrack(path);
    first.setConvertToMp3(true);
    first.setCompilation(true);
    list.addTrack(first);
    Track second = libraryTrack(path);
    second.setConvertToMp3(true);
    second.setOnLocalSyncPlaylist(false);
    list.addTrack(second);
    QVERIFY(list.track(0).onLocalSyncPlaylist());
    QVERIFY(list.track(0).compilation());
    QVERIFY(list.track(0).convertToMp3());

    TrackList other;
    other.addTrack(libraryTrack(path));
    Track compilation = libraryTrack(path);
    compilation.setCompilation(true);
    other.addTrack(compilation);
    QVERIFY(other.track(0).compilation());
}

void TestTrackList::totalsMatchEntries_data()
{
    // Each row is a sequence of arrivals of the same track: c = cached on the
    // phone, d = cached record of a deleted track, l = library track.
    QTest::addColumn<QString>("arrivals");
    QTest::addColumn<int>("toCopy");

    QTest::newRow("library") << "l" << 1;
    QTest::newRow("cached") << "c" << 0;
    QTest::newRow("deleted") << "d" << 0;
    QTest::newRow("cached, library") << "cl" << 0;
    QTest::newRow("deleted, library") << "dl" << 1;
    QTest::newRow("deleted, library, cached") << "dlc" << 0;
    QTest::newRow("library, cached") << "lc" << 0;
    QTest::newRow("library, library, cached, library") << "llcl" << 0;
    QTest::newRow("deleted, deleted, library, library") << "ddll" << 1;
    QTest::newRow("cached, deleted, library") << "cdl" << 0;
}

void TestTrackList::totalsMatchEntries()
{
    QFETCH(QString, arrivals);
    QFETCH(int, toCopy);

    TrackList list;
    int position = 100;
    for (const QChar kind : arrivals) {
        if (kind == QLatin1Char('l'))
            list.addTrack(libraryTrack(QStringLiteral("/m/a.mp3"), 1000));
        else
            list.addTrack(cachedTrack(QStringLiteral("/m/a.mp3"), kind == QLatin1Char('c'), 900, position += 100));
    }
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.totalTracksToCopy(), toCopy);
    verifyTotals(list);
}

void TestTrackList::manyTracksKeepTheirIndexes()
{
    TrackList list;
    const int count = 20000;
    for (int i = 0; i < count; ++i) {
        Track track = libraryTrack(QStringLiteral("/m/%1.mp3").arg(i), 10);
        track.setTrackName(QStringLiteral("Song %1").arg(i));
        QCOMPARE(list.addTrack(track), i);
    }
    // Each again: merged into its own entry, found through the index.
    for (int i = count - 1; i >= 0; i -= 997) {
        Track track = libraryTrack(QStringLiteral("/m/%1.mp3").arg(i), 10);
        track.setTrackName(QStringLiteral("Song %1").arg(i));
        QCOMPARE(list.addTrack(track), i);
    }
    QCOMPARE(list.count(), count);
    QCOMPARE(list.totalTracksToCopy(), count);
    QCOMPARE(list.totalSizeToSync(), qint64(10) * count);
}

QTEST_GUILESS_MAIN(TestTrackList)
#include "tst_TrackList.moc"

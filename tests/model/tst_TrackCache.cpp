// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/TrackCache.h"

#include "model/Track.h"
#include "model/TrackList.h"
#include "settings/SyncPlan.h"
#include "settings/SyncSettings.h"
#include "support/SongTrack.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

namespace {

// Builds cache files by hand, independently of the code under test.
class CacheBytes
{
public:
    CacheBytes() : mStream(&mBytes, QIODevice::WriteOnly) { mStream.setByteOrder(QDataStream::LittleEndian); }

    CacheBytes& word(qint32 value)
    {
        mStream << value;
        return *this;
    }
    CacheBytes& integer(qint32 tag, qint32 value) { return word(tag).word(4).word(value); }
    CacheBytes& longField(qint32 tag, qint64 value)
    {
        word(tag).word(8);
        mStream << value;
        return *this;
    }
    CacheBytes& string(qint32 tag, const QString& text)
    {
        word(tag).word(static_cast<qint32>(text.size() * 2));
        for (const QChar c : text)
            mStream << quint16(c.unicode());
        return *this;
    }
    CacheBytes& header(qint64 total, qint32 integrity)
    {
        return word(1000).integer(1001, 1).longField(1002, total).integer(1003, integrity);
    }
    // A record as the program writes it.
    CacheBytes& record(const QString& name, const QString& path, qint64 idPosition, qint32 idLength, qint32 flags,
                       qint64 size)
    {
        return word(0)
            .string(1, name)
            .string(2, QStringLiteral("Album"))
            .string(3, QStringLiteral("Artist"))
            .string(4, path)
            .integer(5, 4)
            .longField(9, idPosition)
            .integer(10, idLength)
            .integer(7, flags)
            .longField(8, size);
    }
    const QByteArray& bytes() const { return mBytes; }
    int size() const { return mBytes.size(); }

private:
    QByteArray mBytes;
    QDataStream mStream;
};

QByteArray utf16(const QString& text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xff));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

qint32 wordAt(const QByteArray& bytes, int position)
{
    return qFromLittleEndian<qint32>(bytes.constData() + position);
}

qint64 longAt(const QByteArray& bytes, int position)
{
    return qFromLittleEndian<qint64>(bytes.constData() + position);
}

Track phoneTrack(const QString& name, const QString& path, const QString& deviceId, qint64 size)
{
    Track track = songTrack(path, 4);
    track.setTrackName(name);
    track.setDeviceId(deviceId);
    track.setSizeOnDevice(size);
    track.setOnRemoteDevice(true);
    track.setOnLocalSyncPlaylist(true);
    return track;
}

} // namespace

class TestTrackCache : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void newCacheIsExactlyTheHeader();
    void openFindsTheCacheThroughTheSettings();
    void addedRecordIsByteForByte();
    void roundTripOfSeveralTracks();
    void removeKeepsTheRecordAndLowersTheTotal();
    void reAddingCachedTrackRewritesTagsNineAndTen();
    void readsTagsInAnyOrder();
    void maximumCountAndHeaderTotal();
    void wrongMarkerIsFormatError();
    void headerWithTwoOfThreeTags_data();
    void headerWithTwoOfThreeTags();
    void tagSixStopsReadingKeepingEarlierTracks();
    void damagedFiles_data();
    void damagedFiles();
    void truncationAtEveryByte();
    void noWriteBeforeHeaderIsKnown();
    void noWriteIntoDamagedHeaderField();
    void rewriteAtStalePositionChangesNothing();
    void clearKeepsIdsFile();
    void openFailures();
    void writeFailuresAreReported();
    void regressionOverflowingSizes();

private:
    QString cachePath() const { return mFolder->filePath(QStringLiteral("mcache0")); }
    QString idsPath() const { return cachePath() + QLatin1Char('p'); }
    void writeCache(const CacheBytes& cache, const QByteArray& ids);
    int writeAndOpen(TrackCache& cache, const CacheBytes& file, const QByteArray& ids);

    std::unique_ptr<QTemporaryDir> mFolder;
};

void TestTrackCache::init()
{
    mFolder = std::make_unique<QTemporaryDir>();
    QVERIFY(mFolder->isValid());
}

void TestTrackCache::writeCache(const CacheBytes& cache, const QByteArray& ids)
{
    QVERIFY(writeAll(cachePath(), cache.bytes()));
    QVERIFY(writeAll(idsPath(), ids));
}

// Puts the cache and its id file in place and opens them, as a sync finds them.
int TestTrackCache::writeAndOpen(TrackCache& cache, const CacheBytes& file, const QByteArray& ids)
{
    writeCache(file, ids);
    return cache.openFile(cachePath());
}

void TestTrackCache::newCacheIsExactlyTheHeader()
{
    TrackCache cache;
    QCOMPARE(cache.openFile(cachePath()), TrackCache::kNewCacheCreated);
    cache.close();
    QCOMPARE(readAll(cachePath()), CacheBytes().header(0, 44).bytes());
    QVERIFY(QFile::exists(idsPath()));
    QCOMPARE(QFileInfo(idsPath()).size(), qint64(0));

    // Opened again, it is an existing, empty cache.
    QCOMPARE(cache.openFile(cachePath()), 0);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list, -1), 0);
    QCOMPARE(list.count(), 0);
}

void TestTrackCache::openFindsTheCacheThroughTheSettings()
{
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", mFolder->path().toLocal8Bit());

    SyncSettings settings;
    settings.load();
    QCOMPARE(settings.setConfig(QStringLiteral("PHONE-1"), false, 0, {}, {}, QStringLiteral("Phone")), 0);
    QString expected;
    QCOMPARE(settings.getCacheFilename(QStringLiteral("PHONE-1"), expected), 0);
    QVERIFY(!expected.isEmpty());

    QCOMPARE(SyncPlan::read(settings, QStringLiteral("OTHER")).configResult, SyncSettings::kErrorNotConfigured);
    const SyncPlan plan = SyncPlan::read(settings, QStringLiteral("PHONE-1"));
    QCOMPARE(plan.cacheFileName, expected);
    TrackCache cache;
    QCOMPARE(cache.openFile(plan.cacheFileName), TrackCache::kNewCacheCreated);
    QCOMPARE(cache.cacheFileName(), expected);
    QVERIFY(QFile::exists(expected + QLatin1Char('p')));
    cache.close();

    qputenv("HOME", oldHome);
}

void TestTrackCache::addedRecordIsByteForByte()
{
    TrackCache cache;
    QCOMPARE(cache.openFile(cachePath()), TrackCache::kNewCacheCreated);
    Track track =
        phoneTrack(QStringLiteral("Song"), QStringLiteral("/m/song.m4a"), QStringLiteral("/Music/s.mp3"), 1234);
    track.setConvertToMp3(true);
    // Right after the cache was made: the total's place is already known.
    QCOMPARE(cache.addTrack(track), 0);
    cache.close();

    CacheBytes expected;
    expected.header(1234, 0).record(QStringLiteral("Song"), QStringLiteral("/m/song.m4a"), 0, 24, 3, 1234);
    QByteArray bytes = expected.bytes();
    qToLittleEndian<qint32>(bytes.size(), bytes.data() + 40);
    QCOMPARE(readAll(cachePath()), bytes);
    QCOMPARE(readAll(idsPath()), utf16(QStringLiteral("/Music/s.mp3")));
    // The track knows where its record is.
    QVERIFY(track.inCache());
    QCOMPARE(wordAt(bytes, track.flagsFilePosition()), 7);
    QCOMPARE(wordAt(bytes, int(track.cacheIdRefPosition())), 9);
}

void TestTrackCache::roundTripOfSeveralTracks()
{
    TrackCache cache;
    QCOMPARE(cache.openFile(cachePath()), TrackCache::kNewCacheCreated);
    QList<Track> tracks;
    tracks << phoneTrack(QStringLiteral("Eins"), QStringLiteral("/m/1.mp3"), QStringLiteral("/Music/1.mp3"), 100);
    tracks << phoneTrack(QStringLiteral("Zwei \u00e9\u4e2d"), QStringLiteral("/m/2.m4a"), QStringLiteral("17"), 200);
    tracks[1].setConvertToMp3(true);
    tracks << phoneTrack(QString(), QString(), QString(), 300);
    for (Track& track : tracks)
        QCOMPARE(cache.addTrack(track), 0);
    cache.close();

    const QByteArray bytes = readAll(cachePath());
    QCOMPARE(longAt(bytes, 24), qint64(100 + 200));
    QCOMPARE(wordAt(bytes, 40), bytes.size());

    QCOMPARE(cache.openFile(cachePath()), 0);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list, -1), 0);
    QCOMPARE(list.count(), 3);
    QCOMPARE(cache.totalSizeOfUploadedFiles(), qint64(300));
    // With no limit, the list's total is the sum of its tracks on the phone.
    QCOMPARE(list.totalSizeOnDevice(), qint64(300));
    for (int i = 0; i < 3; ++i) {
        const Track& read = list.track(i);
        QCOMPARE(read.trackName(), tracks[i].trackName());
        QCOMPARE(read.path(), tracks[i].path());
        QCOMPARE(read.trackNumberOnAlbum(), 4);
        QCOMPARE(read.deviceId(), tracks[i].deviceId());
        QCOMPARE(read.flagsFilePosition(), tracks[i].flagsFilePosition());
        QCOMPARE(read.cacheIdRefPosition(), tracks[i].cacheIdRefPosition());
        QVERIFY(read.inCache());
        QVERIFY(!read.onLocalSyncPlaylist());
        QCOMPARE(read.onRemoteDevice(), true);
    }
    QVERIFY(list.track(1).convertedToMp3());
    QVERIFY(list.track(1).uniqueId().endsWith(QLatin1String("mp3")));
    QVERIFY(!list.track(2).convertedToMp3());
    // The third had no device id: no size on the phone.
    QCOMPARE(list.track(2).sizeOnDevice(), qint64(0));
}

void TestTrackCache::removeKeepsTheRecordAndLowersTheTotal()
{
    TrackCache cache;
    cache.openFile(cachePath());
    Track track = phoneTrack(QStringLiteral("Song"), QStringLiteral("/m/a.mp3"), QStringLiteral("/Music/a.mp3"), 500);
    QCOMPARE(cache.addTrack(track), 0);
    cache.close();
    const QByteArray before = readAll(cachePath());
    QCOMPARE(longAt(before, 24), qint64(500));

    QCOMPARE(cache.openFile(cachePath()), 0);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list, -1), 0);
    QCOMPARE(cache.removeDeletedTrack(list.track(0)), 0);
    cache.close();
    const QByteArray after = readAll(cachePath());
    QCOMPARE(after.size(), before.size());
    QCOMPARE(longAt(after, 24), qint64(0));
    QCOMPARE(wordAt(after, track.flagsFilePosition() + 8), 0);

    QCOMPARE(cache.openFile(cachePath()), 0);
    TrackList reread;
    QCOMPARE(cache.updateTrackList(reread, -1), 0);
    QCOMPARE(reread.count(), 1);
    QVERIFY(!reread.track(0).onRemoteDevice());
    QCOMPARE(reread.totalSizeOnDevice(), qint64(0));

    // A size larger than the total leaves the total at 0, not below.
    QCOMPARE(cache.setTotalSizeOfUploadedFiles(100), 0);
    QCOMPARE(cache.removeDeletedTrack(reread.track(0)), 0);
    QCOMPARE(cache.totalSizeOfUploadedFiles(), qint64(0));
    cache.close();
    QCOMPARE(longAt(readAll(cachePath()), 24), qint64(0));
}

void TestTrackCache::reAddingCachedTrackRewritesTagsNineAndTen()
{
    TrackCache cache;
    cache.openFile(cachePath());
    Track first = phoneTrack(QStringLiteral("A"), QStringLiteral("/m/a.mp3"), QStringLiteral("/Music/a.mp3"), 10);
    Track second = phoneTrack(QStringLiteral("B"), QStringLiteral("/m/b.mp3"), QStringLiteral("/Music/b.mp3"), 20);
    cache.addTrack(first);
    cache.addTrack(second);
    cache.close();

    QCOMPARE(cache.openFile(cachePath()), 0);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list, -1), 0);
    Track& cached = list.track(0);
    QCOMPARE(cache.removeDeletedTrack(cached), 0);
    const qint64 cacheSize = QFileInfo(cachePath()).size();
    const qint64 idsSize = QFileInfo(idsPath()).size();

    // Copied to the phone again under a new id and with a new size.
    cached.setDeviceId(QStringLiteral("/Music/again.mp3"));
    cached.setSizeOnDevice(15);
    cached.setOnRemoteDevice(true);
    QCOMPARE(cache.addTrack(cached), 0);
    cache.close();

    QCOMPARE(QFileInfo(cachePath()).size(), cacheSize);
    QCOMPARE(QFileInfo(idsPath()).size(), idsSize + 2 * 16);
    const QByteArray bytes = readAll(cachePath());
    QCOMPARE(longAt(bytes, 24), qint64(20 + 15));

    QCOMPARE(cache.openFile(cachePath()), 0);
    TrackList reread;
    QCOMPARE(cache.updateTrackList(reread, -1), 0);
    QCOMPARE(reread.count(), 2);
    QCOMPARE(reread.track(0).deviceId(), QStringLiteral("/Music/again.mp3"));
    QVERIFY(reread.track(0).onRemoteDevice());
    QCOMPARE(reread.track(0).sizeOnDevice(), qint64(15));
    QCOMPARE(reread.track(1).deviceId(), QStringLiteral("/Music/b.mp3"));
    QCOMPARE(reread.totalSizeOnDevice(), qint64(35));
}

void TestTrackCache::readsTagsInAnyOrder()
{
    CacheBytes file;
    file.header(7, 0)
        .word(0)
        .longField(8, 7)
        .integer(7, 1)
        .integer(10, 4)
        .longField(9, 4)
        .integer(5, 9)
        .string(4, QStringLiteral("/p.mp3"))
        .string(3, QStringLiteral("Ar"))
        .string(2, QStringLiteral("Al"))
        .string(1, QStringLiteral("N"));
    TrackCache cache;
    QCOMPARE(writeAndOpen(cache, file, utf16(QStringLiteral("xyid"))), 0);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list, -1), 0);
    QCOMPARE(list.count(), 1);
    const Track& track = list.track(0);
    QCOMPARE(track.trackName(), QStringLiteral("N"));
    QCOMPARE(track.albumName(), QStringLiteral("Al"));
    QCOMPARE(track.artistName(), QStringLiteral("Ar"));
    QCOMPARE(track.path(), QStringLiteral("/p.mp3"));
    QCOMPARE(track.trackNumberOnAlbum(), 9);
    QCOMPARE(track.deviceId(), QStringLiteral("id"));
    QCOMPARE(track.sizeOnDevice(), qint64(7));
    QCOMPARE(track.flagsFilePosition(), 44 + 4 + 16);
}

void TestTrackCache::maximumCountAndHeaderTotal()
{
    CacheBytes file;
    file.header(999, 0);
    QByteArray ids;
    for (int i = 0; i < 5; ++i) {
        const QByteArray id = utf16(QStringLiteral("id%1").arg(i));
        file.record(QStringLiteral("T%1").arg(i), QStringLiteral("/t%1.mp3").arg(i), ids.size(), id.size(), 1, 10);
        ids += id;
    }
    TrackCache cache;
    QCOMPARE(writeAndOpen(cache, file, ids), 0);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list, 2), 0);
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.totalSizeOnDevice(), qint64(999));
    QCOMPARE(list.track(1).deviceId(), QStringLiteral("id1"));
}

void TestTrackCache::wrongMarkerIsFormatError()
{
    CacheBytes file;
    file.word(1001).integer(1001, 1).longField(1002, 0).integer(1003, 44);
    TrackCache cache;
    QCOMPARE(writeAndOpen(cache, file, QByteArray()), 0);
    QCOMPARE(cache.readHeader(), TrackCache::kErrorFormat);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list, -1), TrackCache::kErrorFormat);
    QCOMPARE(list.count(), 0);
}

void TestTrackCache::headerWithTwoOfThreeTags_data()
{
    QTest::addColumn<int>("missing");
    QTest::newRow("no version") << 1001;
    QTest::newRow("no total") << 1002;
    QTest::newRow("no integrity value") << 1003;
}

void TestTrackCache::headerWithTwoOfThreeTags()
{
    QFETCH(int, missing);
    CacheBytes file;
    file.word(1000);
    if (missing != 1001)
        file.integer(1001, 1);
    if (missing != 1002)
        file.longField(1002, 0);
    if (missing != 1003)
        file.integer(1003, 36);
    TrackCache cache;
    QCOMPARE(writeAndOpen(cache, file, QByteArray()), 0);
    QCOMPARE(cache.readHeader(), TrackCache::kEndOfFile);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list, -1), 0);
    QCOMPARE(list.count(), 0);
}

void TestTrackCache::tagSixStopsReadingKeepingEarlierTracks()
{
    CacheBytes file;
    file.header(0, 0)
        .record(QStringLiteral("One"), QStringLiteral("/1.mp3"), 0, 2, 1, 5)
        .record(QStringLiteral("Two"), QStringLiteral("/2.mp3"), 2, 2, 1, 5)
        .word(0)
        .string(1, QStringLiteral("Bad"))
        .integer(6, 1)
        .record(QStringLiteral("Four"), QStringLiteral("/4.mp3"), 4, 2, 1, 5);
    TrackCache cache;
    QCOMPARE(writeAndOpen(cache, file, utf16(QStringLiteral("abc"))), 0);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list, -1), TrackCache::kErrorFormat);
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.track(0).deviceId(), QStringLiteral("a"));
    QCOMPARE(list.track(1).deviceId(), QStringLiteral("b"));
}

void TestTrackCache::damagedFiles_data()
{
    // Every row: a good record, then a damaged one. The good one must stay.
    QTest::addColumn<QByteArray>("damaged");
    QTest::addColumn<int>("result");

    const auto row = [](const char* name, const CacheBytes& bytes, int result) {
        QTest::newRow(name) << bytes.bytes() << result;
    };
    row("negative string length", CacheBytes().word(0).word(1).word(-2).word(0x41), TrackCache::kErrorFormat);
    row("odd string length", CacheBytes().word(0).word(1).word(3).word(0x410041), TrackCache::kErrorFormat);
    row("string longer than the file", CacheBytes().word(0).word(1).word(0x7ffffffe).word(0x410041),
        TrackCache::kErrorFormat);
    row("string just past the end", CacheBytes().word(0).word(2).word(6).word(0x410041), TrackCache::kErrorFormat);
    row("id past the end of the ids file", CacheBytes().word(0).longField(9, 1000).integer(10, 2),
        TrackCache::kErrorFormat);
    row("id longer than the ids file", CacheBytes().word(0).longField(9, 0).integer(10, 0x7ffffffe),
        TrackCache::kErrorFormat);
    row("negative id position", CacheBytes().word(0).longField(9, -4).integer(10, 2), TrackCache::kErrorFormat);
    row("odd id length", CacheBytes().word(0).longField(9, 0).integer(10, 3), TrackCache::kErrorFormat);
    row("integer field of length 8", CacheBytes().word(0).longField(5, 1), TrackCache::kErrorFormat);
    row("long field of length 4", CacheBytes().word(0).integer(8, 1), TrackCache::kErrorFormat);
    row("tag above 10", CacheBytes().word(0).integer(11, 1), TrackCache::kErrorFormat);
    row("negative tag", CacheBytes().word(0).integer(-1, 1), TrackCache::kErrorFormat);
    row("end of file inside a field", CacheBytes().word(0).word(5).word(4), TrackCache::kErrorFormat);
    row("end of file inside a word", CacheBytes().word(0).word(5).word(4).word(1).word(7).word(4),
        TrackCache::kErrorFormat);
    row("negative size on the phone", CacheBytes().word(0).longField(8, -5), TrackCache::kErrorFormat);
    row("header tag inside a record", CacheBytes().word(0).integer(1001, 1), TrackCache::kErrorFormat);
}

void TestTrackCache::damagedFiles()
{
    QFETCH(QByteArray, damaged);
    QFETCH(int, result);

    CacheBytes file;
    file.header(0, 0).record(QStringLiteral("Good"), QStringLiteral("/g.mp3"), 0, 4, 1, 5);
    QByteArray bytes = file.bytes() + damaged;
    if (QByteArray(QTest::currentDataTag()) == "end of file inside a word")
        bytes.chop(2);
    QVERIFY(writeAll(cachePath(), bytes));
    QVERIFY(writeAll(idsPath(), utf16(QStringLiteral("gd"))));

    TrackCache cache;
    QCOMPARE(cache.openFile(cachePath()), 0);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list, -1), result);
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.track(0).deviceId(), QStringLiteral("gd"));
}

void TestTrackCache::truncationAtEveryByte()
{
    CacheBytes file;
    file.header(30, 0);
    QList<int> recordEnds;
    QByteArray ids;
    for (int i = 0; i < 3; ++i) {
        const QByteArray id = utf16(QStringLiteral("/Music/%1.mp3").arg(i));
        file.record(QStringLiteral("Track %1").arg(i), QStringLiteral("/m/%1.mp3").arg(i), ids.size(), id.size(), 1,
                    10);
        ids += id;
        recordEnds << file.size();
    }
    for (int length = 0; length <= file.size(); ++length) {
        QVERIFY(writeAll(cachePath(), file.bytes().left(length)));
        QVERIFY(writeAll(idsPath(), ids));
        TrackCache cache;
        const int opened = cache.openFile(cachePath());
        QVERIFY(opened == 0 || (length == 0 && opened == TrackCache::kNewCacheCreated));
        TrackList list;
        const int result = cache.updateTrackList(list, -1);
        QVERIFY2(result == 0 || result == TrackCache::kErrorFormat, qPrintable(QString::number(length)));
        int complete = 0;
        while (complete < recordEnds.size() && recordEnds[complete] <= length)
            ++complete;
        if (length <= 44) {
            QCOMPARE(list.count(), 0);
        } else if (recordEnds.contains(length)) {
            QCOMPARE(result, 0);
            QCOMPARE(list.count(), complete);
        } else if (result == 0) {
            // Cut after a whole field: the record ends at the end of the file.
            QCOMPARE(list.count(), complete + 1);
        } else {
            // Cut inside a field: that record is dropped, the earlier ones
            // stay; cut inside a tag word, the record before it is whole.
            QVERIFY2(list.count() == complete || list.count() == complete + 1, qPrintable(QString::number(length)));
            QCOMPARE(result, int(TrackCache::kErrorFormat));
        }
        for (int i = 0; i < complete; ++i)
            QCOMPARE(list.track(i).deviceId(), QStringLiteral("/Music/%1.mp3").arg(i));
    }
}

void TestTrackCache::noWriteBeforeHeaderIsKnown()
{
    TrackCache cache;
    QCOMPARE(cache.openFile(cachePath()), TrackCache::kNewCacheCreated);
    cache.close();
    const QByteArray before = readAll(cachePath());

    // Opened but not read: the places of the header fields are not known yet.
    QCOMPARE(cache.openFile(cachePath()), 0);
    QCOMPARE(cache.writeIntegrityValue(), TrackCache::kErrorFormat);
    QCOMPARE(cache.setTotalSizeOfUploadedFiles(5), TrackCache::kErrorFormat);
    cache.close();
    QCOMPARE(readAll(cachePath()), before);
}

void TestTrackCache::noWriteIntoDamagedHeaderField()
{
    // The total's field claims 4 bytes instead of 8.
    CacheBytes file;
    file.word(1000).integer(1001, 1).integer(1002, 5).integer(1003, 40);
    TrackCache cache;
    QCOMPARE(writeAndOpen(cache, file, QByteArray()), 0);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list, -1), TrackCache::kErrorFormat);
    QCOMPARE(cache.setTotalSizeOfUploadedFiles(77), TrackCache::kErrorFormat);
    QCOMPARE(cache.writeIntegrityValue(), TrackCache::kErrorFormat);
    cache.close();
    QCOMPARE(readAll(cachePath()), file.bytes());
}

void TestTrackCache::rewriteAtStalePositionChangesNothing()
{
    TrackCache cache;
    cache.openFile(cachePath());
    Track track = phoneTrack(QStringLiteral("A"), QStringLiteral("/a.mp3"), QStringLiteral("/Music/a.mp3"), 10);
    QCOMPARE(cache.addTrack(track), 0);
    const QByteArray before = readAll(cachePath());

    Track stale = track;
    stale.setFlagsFilePosition(track.flagsFilePosition() + 2);
    QCOMPARE(cache.removeDeletedTrack(stale), TrackCache::kErrorFormat);
    stale.setFlagsFilePosition(1 << 30);
    QCOMPARE(cache.removeDeletedTrack(stale), TrackCache::kErrorFormat);
    stale.setFlagsFilePosition(0);
    QCOMPARE(cache.removeDeletedTrack(stale), TrackCache::kErrorFormat);

    Track wrongIdRef = track;
    wrongIdRef.setCacheIdRefPosition(track.cacheIdRefPosition() + 4);
    QCOMPARE(cache.addTrack(wrongIdRef), TrackCache::kErrorFormat);
    cache.close();
    QCOMPARE(readAll(cachePath()), before);
}

void TestTrackCache::clearKeepsIdsFile()
{
    TrackCache cache;
    cache.openFile(cachePath());
    Track track = phoneTrack(QStringLiteral("A"), QStringLiteral("/a.mp3"), QStringLiteral("/Music/a.mp3"), 10);
    QCOMPARE(cache.addTrack(track), 0);
    const QByteArray ids = readAll(idsPath());
    QCOMPARE(cache.clear(), 0);
    QCOMPARE(cache.totalSizeOfUploadedFiles(), qint64(0));
    cache.close();
    QCOMPARE(readAll(cachePath()), CacheBytes().header(0, 44).bytes());
    QCOMPARE(readAll(idsPath()), ids);
}

void TestTrackCache::openFailures()
{
    TrackCache cache;
    QCOMPARE(cache.openFile(mFolder->filePath(QStringLiteral("missing/mcache0"))), TrackCache::kErrorOpen);
    QCOMPARE(cache.openFile(QString()), TrackCache::kErrorOpen);
    QVERIFY(QDir(mFolder->path()).mkdir(QStringLiteral("mcache0p")));
    QCOMPARE(cache.openFile(cachePath()), TrackCache::kErrorOpen);
    QVERIFY(!cache.isOpen());
    TrackList list;
    QVERIFY(cache.updateTrackList(list, -1) < 0);
    Track track;
    QVERIFY(cache.addTrack(track) < 0);
}

void TestTrackCache::writeFailuresAreReported()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full to fill");
    // A full disk under the cache file: the new header cannot be written.
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), cachePath()));
    TrackCache cache;
    // Qt warns about every seek on the device.
    const QRegularExpression seekWarning(QStringLiteral("Cannot call seek"));
    QTest::ignoreMessage(QtWarningMsg, seekWarning);
    QTest::ignoreMessage(QtWarningMsg, seekWarning);
    QCOMPARE(cache.openFile(cachePath()), TrackCache::kErrorWrite);
    cache.close();
    QVERIFY(QFile::remove(cachePath()));
    QVERIFY(QFile::remove(idsPath()));

    // A full disk under the persistent IDs file: the track is not recorded.
    QCOMPARE(cache.openFile(cachePath()), TrackCache::kNewCacheCreated);
    cache.close();
    QVERIFY(QFile::remove(idsPath()));
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), idsPath()));
    const QByteArray before = readAll(cachePath());
    QTest::ignoreMessage(QtWarningMsg, seekWarning);
    QCOMPARE(cache.openFile(cachePath()), 0);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list, -1), 0);
    Track track = phoneTrack(QStringLiteral("A"), QStringLiteral("/a.mp3"), QStringLiteral("/Music/a.mp3"), 10);
    QCOMPARE(cache.addTrack(track), TrackCache::kErrorWrite);
    QVERIFY(!track.inCache());
    cache.close();
    QCOMPARE(readAll(cachePath()), before);
}

void TestTrackCache::regressionOverflowingSizes()
{
    // Sizes whose sums pass the 64-bit range: the totals stop at the top
    // instead of overflowing (found by fuzz_trackcache).
    const QString fixture = QStringLiteral(VELMORA_TEST_DATA_DIR "/model/overflowing_sizes.mcache");
    QVERIFY(QFile::copy(fixture, cachePath()));
    QVERIFY(QFile::copy(fixture + QLatin1Char('p'), idsPath()));
    QFile::setPermissions(cachePath(), QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(idsPath(), QFile::ReadOwner | QFile::WriteOwner);
    const qint64 top = std::numeric_limits<qint64>::max();

    TrackCache cache;
    QCOMPARE(cache.openFile(cachePath()), 0);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list, -1), 0);
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.totalSizeOnDevice(), top);

    Track big = phoneTrack(QStringLiteral("New"), QStringLiteral("/n.mp3"), QStringLiteral("/Music/n.mp3"),
                           6935543469678724073);
    QCOMPARE(cache.addTrack(big), 0);
    QCOMPARE(cache.totalSizeOfUploadedFiles(), top);
    QCOMPARE(cache.decrementTotalSizeOfUploadedFiles(std::numeric_limits<qint64>::min()), 0);
    QCOMPARE(cache.totalSizeOfUploadedFiles(), top);

    TrackList library;
    Track onPc = big;
    onPc.setOnRemoteDevice(false);
    onPc.setSizeOnPc(top);
    library.addTrack(onPc);
    onPc.setTrackName(QStringLiteral("Other"));
    library.addTrack(onPc);
    QCOMPARE(library.totalSizeToSync(), top);
}

QTEST_GUILESS_MAIN(TestTrackCache)
#include "tst_TrackCache.moc"

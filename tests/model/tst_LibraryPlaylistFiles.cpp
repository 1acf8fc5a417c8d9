// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/ResultCodes.h"
#include "model/library/PlaylistFileReader.h"
#include "model/library/TrackTags.h"
#include "support/LibraryMedia.h"

#include <QTemporaryDir>
#include <QtTest>

// The readers of the playlist files found in a music folder.
class tst_LibraryPlaylistFiles : public QObject
{
    Q_OBJECT

private slots:
    void m3uEntries();
    void m3uEncodings();
    void plsFollowsItsNumbers();
    void resolvedEntries_data();
    void resolvedEntries();
    void oversizedAndMissingFiles();
    void damagedBytesAreHarmless();
    void taggedDates_data();
    void taggedDates();
};

void tst_LibraryPlaylistFiles::m3uEntries()
{
    const QByteArray text = "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:12,One\r\nOne.mp3\r\n\r\n   \r\n"
                            "# a comment\n/abs/Two.flac\nsub/../Three.ogg\nhttp://radio.example/stream\n";
    QCOMPARE(PlaylistFileReader::parseM3u(text, QStringLiteral("/music/lists"), false),
             (QStringList{"/music/lists/One.mp3", "/abs/Two.flac", "/music/lists/Three.ogg"}));
}

void tst_LibraryPlaylistFiles::m3uEncodings()
{
    // M3U8 is UTF-8; plain M3U in Latin-1 keeps its accents.
    QCOMPARE(PlaylistFileReader::parseM3u("Caf\xC3\xA9.mp3\n", QStringLiteral("/m"), true),
             QStringList{QStringLiteral("/m/Caf\u00E9.mp3")});
    QCOMPARE(PlaylistFileReader::parseM3u("Caf\xE9.mp3\n", QStringLiteral("/m"), false),
             QStringList{QStringLiteral("/m/Caf\u00E9.mp3")});
    QCOMPARE(PlaylistFileReader::parseM3u("Caf\xC3\xA9.mp3\n", QStringLiteral("/m"), false),
             QStringList{QStringLiteral("/m/Caf\u00E9.mp3")});
}

void tst_LibraryPlaylistFiles::plsFollowsItsNumbers()
{
    const QByteArray text = "[playlist]\nNumberOfEntries=3\nFile2=b.mp3\nTitle2=B\nfile1=a.mp3\n"
                            "File10=c.mp3\nFile2=duplicate.mp3\nFileX=bad.mp3\nFile3=\nVersion=2\n";
    QCOMPARE(PlaylistFileReader::parsePls(text, QStringLiteral("/p")),
             (QStringList{"/p/a.mp3", "/p/b.mp3", "/p/c.mp3"}));
}

void tst_LibraryPlaylistFiles::resolvedEntries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("expected");
    QTest::newRow("relative") << "Album/1.mp3"
                              << "/home/u/Music/Album/1.mp3";
    QTest::newRow("windows separators") << "Album\\1.mp3"
                                        << "/home/u/Music/Album/1.mp3";
    QTest::newRow("up and out") << "../Other/2.mp3"
                                << "/home/u/Other/2.mp3";
    QTest::newRow("absolute") << "/srv/m/3.mp3"
                              << "/srv/m/3.mp3";
    QTest::newRow("file url") << "file:///srv/m/A%20B.mp3"
                              << "/srv/m/A B.mp3";
    QTest::newRow("windows drive") << "C:\\Music\\x.mp3" << QString();
    QTest::newRow("stream") << "https://example.org/x.mp3" << QString();
    QTest::newRow("remote file url") << "file://server/share/x.mp3" << QString();
    QTest::newRow("nul") << QString(QStringLiteral("a") + QChar::Null + QStringLiteral(".mp3")) << QString();
    QTest::newRow("blank") << "   " << QString();
    QTest::newRow("nul in a file url") << "file:///srv/a%00b.mp3" << QString();
    QTest::newRow("colon first") << ":u\\x.mp3"
                                 << "/home/u/Music/:u/x.mp3";
}

void tst_LibraryPlaylistFiles::resolvedEntries()
{
    QFETCH(QString, entry);
    QFETCH(QString, expected);
    QCOMPARE(PlaylistFileReader::resolveEntry(entry, QStringLiteral("/home/u/Music")), expected);
}

void tst_LibraryPlaylistFiles::oversizedAndMissingFiles()
{
    QTemporaryDir dir;
    QStringList entries{QStringLiteral("left over")};
    QCOMPARE(PlaylistFileReader::readFile(dir.filePath(QStringLiteral("none.m3u")), entries),
             int(LibraryResult::PlaylistCannotOpen));
    QVERIFY(entries.isEmpty());

    const QString big = dir.filePath(QStringLiteral("big.m3u"));
    QVERIFY(LibraryMedia::writeText(big, QByteArray(PlaylistFileReader::kMaxFileSize + 1, 'a')));
    QCOMPARE(PlaylistFileReader::readFile(big, entries), int(LibraryResult::PlaylistTooLarge));

    const QString pls = dir.filePath(QStringLiteral("list.PLS"));
    QVERIFY(LibraryMedia::writeText(pls, "File1=x.mp3\n"));
    QCOMPARE(PlaylistFileReader::readFile(pls, entries), 0);
    QCOMPARE(entries, QStringList{dir.filePath(QStringLiteral("x.mp3"))});

    // Past the limit of entries the rest is dropped, not held in memory.
    QByteArray many;
    for (int i = 0; i < PlaylistFileReader::kMaxEntries + 10; ++i)
        many += "a.mp3\n";
    QCOMPARE(PlaylistFileReader::parseM3u(many, QStringLiteral("/m"), false).size(), PlaylistFileReader::kMaxEntries);
}

void tst_LibraryPlaylistFiles::damagedBytesAreHarmless()
{
    QByteArray noise;
    for (int i = 0; i < 4096; ++i)
        noise.append(char((i * 131 + 7) % 256));
    const QStringList m3u = PlaylistFileReader::parseM3u(noise, QStringLiteral("/m"), false);
    const QStringList pls = PlaylistFileReader::parsePls(noise, QStringLiteral("/m"));
    for (const QString& entry : m3u + pls) {
        QVERIFY(entry.startsWith(QLatin1Char('/')));
        QVERIFY(!entry.contains(QChar::Null));
    }
    QVERIFY(PlaylistFileReader::parsePls(QByteArray("File99999999999999999999=a\nFile=\n="), QStringLiteral("/m"))
                .isEmpty());
}

void tst_LibraryPlaylistFiles::taggedDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("seconds");
    QTest::newRow("day") << "2024-03-05" << QDateTime(QDate(2024, 3, 5), QTime(0, 0), Qt::LocalTime).toSecsSinceEpoch();
    QTest::newRow("utc time") << "2024-03-05T18:30:00Z" << qint64(1709663400);
    QTest::newRow("year only") << "2024" << qint64(0);
    QTest::newRow("garbage") << "yesterday evening" << qint64(0);
    QTest::newRow("empty") << QString() << qint64(0);
}

void tst_LibraryPlaylistFiles::taggedDates()
{
    QFETCH(QString, text);
    QFETCH(qint64, seconds);
    QCOMPARE(TrackTagReader::parseTaggedDate(text), seconds);
}

QTEST_GUILESS_MAIN(tst_LibraryPlaylistFiles)
#include "tst_LibraryPlaylistFiles.moc"

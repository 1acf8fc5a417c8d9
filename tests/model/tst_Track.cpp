// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/Track.h"
#include "support/SongTrack.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestTrack : public QObject
{
    Q_OBJECT

private slots:
    void mp3Suffix_data();
    void mp3Suffix();
    void conversion_data();
    void conversion();
    void extension_data();
    void extension();
    void uploadPathOfConvertedTrackIsInProgramFolder();
    void sizeOnDeviceNeedsDeviceId();
    void fieldsDoNotRunTogether();
};

namespace {

Track makeTrack(const QString& path, bool convert, bool converted)
{
    Track track = songTrack(path, 7);
    track.setConvertToMp3(convert);
    track.setConvertedToMp3(converted);
    return track;
}

} // namespace

void TestTrack::mp3Suffix_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("convert");
    QTest::addColumn<bool>("converted");
    QTest::addColumn<bool>("suffix");

    QTest::newRow("m4a, no conversion") << "/music/a.m4a" << false << false << false;
    QTest::newRow("m4a, conversion on") << "/music/a.m4a" << true << false << true;
    QTest::newRow("m4a, converted copy in cache") << "/music/a.m4a" << false << true << true;
    QTest::newRow("mp3") << "/music/a.mp3" << false << false << true;
    QTest::newRow("upper-case MP3") << "/music/a.MP3" << false << false << true;
    QTest::newRow("mixed-case Mp3 with conversion on") << "/music/a.Mp3" << true << false << true;
    QTest::newRow("path of three characters mp3") << "mp3" << false << false << false;
    QTest::newRow("wav") << "/music/a.wav" << false << false << false;
}

void TestTrack::mp3Suffix()
{
    QFETCH(QString, path);
    QFETCH(bool, convert);
    QFETCH(bool, converted);
    QFETCH(bool, suffix);

    const Track track = makeTrack(path, convert, converted);
    QCOMPARE(track.uniqueId().endsWith(QLatin1String("mp3")), suffix);
    // The suffix is the only difference between the two forms of a track.
    const Track plain = makeTrack(QStringLiteral("/music/a.wav"), false, false);
    QCOMPARE(track.uniqueId() == plain.uniqueId() + QLatin1String("mp3"), suffix);
}

void TestTrack::conversion_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("convert");
    QTest::addColumn<bool>("needs");

    QTest::newRow("m4a with conversion") << "/m/a.m4a" << true << true;
    QTest::newRow("m4a without conversion") << "/m/a.m4a" << false << false;
    QTest::newRow("mp3 with conversion") << "/m/a.mp3" << true << false;
    QTest::newRow("MP3 with conversion") << "/m/a.MP3" << true << false;
    QTest::newRow("empty path with conversion") << "" << true << true;
}

void TestTrack::conversion()
{
    QFETCH(QString, path);
    QFETCH(bool, convert);
    QFETCH(bool, needs);

    const Track track = makeTrack(path, convert, false);
    QCOMPARE(track.needsConversion(), needs);
    if (!needs)
        QCOMPARE(track.uploadPath(), path);
}

void TestTrack::extension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");

    QTest::newRow("normal") << "/m/a.flac"
                            << "lac";
    QTest::newRow("four characters") << "a.MP3"
                                     << "MP3";
    QTest::newRow("three characters") << "mp3"
                                      << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestTrack::extension()
{
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QCOMPARE(makeTrack(path, false, false).extension(), extension);
}

void TestTrack::uploadPathOfConvertedTrackIsInProgramFolder()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toLocal8Bit());

    const Track track = makeTrack(QStringLiteral("/m/a.m4a"), true, false);
    QCOMPARE(track.uploadPath(), QDir::homePath() + QStringLiteral("/KORVA/temp.mp3"));

    qputenv("HOME", oldHome);
}

void TestTrack::sizeOnDeviceNeedsDeviceId()
{
    Track track;
    track.setSizeOnDevice(1234);
    QCOMPARE(track.sizeOnDevice(), qint64(0));
    track.setDeviceId(QStringLiteral("/Music/a.mp3"));
    QCOMPARE(track.sizeOnDevice(), qint64(1234));
}

void TestTrack::fieldsDoNotRunTogether()
{
    // Concatenated without a separator these would be the same id, and the
    // second track would be merged into the first and never copied.
    Track first = makeTrack(QStringLiteral("/m/a.m4a"), false, false);
    first.setTrackName(QStringLiteral("ab"));
    first.setAlbumName(QStringLiteral("c"));
    Track second = first;
    second.setTrackName(QStringLiteral("a"));
    second.setAlbumName(QStringLiteral("bc"));
    QVERIFY(first.uniqueId() != second.uniqueId());

    Track third = first;
    third.setArtistName(QStringLiteral("X1"));
    third.setTrackNumberOnAlbum(2);
    Track fourth = first;
    fourth.setArtistName(QStringLiteral("X"));
    fourth.setTrackNumberOnAlbum(12);
    QVERIFY(third.uniqueId() != fourth.uniqueId());
}

QTEST_GUILESS_MAIN(TestTrack)
#include "tst_Track.moc"

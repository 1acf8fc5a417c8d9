// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/SyncMedia.h"
#include "sync/ConverterProcess.h"
#include "sync/Mp3Converter.h"
#include "sync/VideoConverter.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

// The external converter is run with argument lists: names with quotes and
// blanks arrive whole, options are the ones the installed ffmpeg accepts.
class tst_SyncConverters : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mp3ArgumentsKeepEachPathWhole();
    void aacBecomesMp3WithItsTags_data();
    void aacBecomesMp3WithItsTags();
    void failedConversionLeavesNoOutput();
    void videoArgumentsFollowScreenSize_data();
    void videoArgumentsFollowScreenSize();
    void quickTimeNames_data();
    void quickTimeNames();

private:
    QTemporaryDir mDir;
};

void tst_SyncConverters::initTestCase()
{
    QVERIFY(mDir.isValid());
    QVERIFY2(!ConverterProcess::program().isEmpty(), "ffmpeg must be installed");
}

void tst_SyncConverters::mp3ArgumentsKeepEachPathWhole()
{
    const QString source = QStringLiteral("/music/My \"Best\" -y song.m4a");
    const QString output = QStringLiteral("/home/u/KORVA/temp.mp3");
    const QStringList expected{QStringLiteral("-i"),   source,
                               QStringLiteral("-y"),   QStringLiteral("-ab"),
                               QStringLiteral("192k"), QStringLiteral("-map_metadata"),
                               QStringLiteral("0"),    output};
    QCOMPARE(Mp3Converter::arguments(source, output, 192), expected);
}

void tst_SyncConverters::aacBecomesMp3WithItsTags_data()
{
    QTest::addColumn<QString>("sourceName");
    QTest::newRow("plain") << QStringLiteral("plain.m4a");
    QTest::newRow("quotes and blanks") << QStringLiteral("He said \"hi\" & left.m4a");
    // As a command string this name would have ended the quoted path and
    // added an output of its own.
    QTest::newRow("injection attempt") << QStringLiteral("x.m4a\" -f null \"injected.mp3");
}

void tst_SyncConverters::aacBecomesMp3WithItsTags()
{
    QFETCH(QString, sourceName);
    const QString source = mDir.filePath(sourceName);
    const QString output = mDir.filePath(QStringLiteral("temp.mp3"));
    QVERIFY(SyncMedia::makeSilence(source, QStringLiteral("Tagged Title")));
    QFile::remove(output);

    QCOMPARE(Mp3Converter::convert(source, output, 128), 0);

    const QString probe = SyncMedia::probe(output);
    QVERIFY2(probe.contains(QLatin1String("codec_name=mp3")), qPrintable(probe));
    QVERIFY2(probe.contains(QLatin1String("TAG:title=Tagged Title")), qPrintable(probe));
    QVERIFY(!QFileInfo::exists(mDir.filePath(QStringLiteral("injected.mp3"))));
    QVERIFY(!QFileInfo::exists(QDir::current().filePath(QStringLiteral("injected.mp3"))));
    QFile::remove(source);
}

void tst_SyncConverters::failedConversionLeavesNoOutput()
{
    const QString output = mDir.filePath(QStringLiteral("stale.mp3"));
    QFile stale(output);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("old conversion");
    stale.close();

    const int result = Mp3Converter::convert(mDir.filePath(QStringLiteral("missing.m4a")), output, 128);
    QVERIFY(result != 0);
    // The stale file of an earlier track must not be sent in its place.
    QVERIFY(!QFileInfo::exists(output));
}

void tst_SyncConverters::videoArgumentsFollowScreenSize_data()
{
    QTest::addColumn<int>("screenPixels");
    QTest::addColumn<bool>("streamCopy");
    QTest::addColumn<QString>("expectedSize");
    QTest::newRow("800x480 is small") << 384000 << false << QStringLiteral("width=480\nheight=270");
    QTest::newRow("one pixel more") << 384001 << true << QStringLiteral("width=64\nheight=48");
    QTest::newRow("unknown screen") << VideoConverter::kDefaultScreenPixels << true
                                    << QStringLiteral("width=64\nheight=48");
}

void tst_SyncConverters::videoArgumentsFollowScreenSize()
{
    QFETCH(int, screenPixels);
    QFETCH(bool, streamCopy);
    QFETCH(QString, expectedSize);
    const QString source = mDir.filePath(QStringLiteral("clip \"one\".MOV"));
    const QString output = mDir.filePath(QStringLiteral("temp.mp4"));
    QVERIFY(SyncMedia::makeQuickTimeVideo(source));

    const QStringList arguments = VideoConverter::arguments(source, output, screenPixels);
    QCOMPARE(arguments.at(1), source);
    QCOMPARE(arguments.last(), output);
    QCOMPARE(arguments.contains(QStringLiteral("480x270")), !streamCopy);

    QCOMPARE(VideoConverter::convert(source, output, screenPixels), 0);
    const QString probe = SyncMedia::probe(output);
    QVERIFY2(probe.contains(QLatin1String("format_name=mov,mp4")), qPrintable(probe));
    QVERIFY2(probe.contains(expectedSize), qPrintable(probe));
}

void tst_SyncConverters::quickTimeNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isVideo");
    QTest::newRow("upper case") << QStringLiteral("DCIM/100APPLE/IMG_1.MOV") << true;
    QTest::newRow("lower case") << QStringLiteral("a.mov") << true;
    QTest::newRow("only the ending") << QStringLiteral("mov") << false;
    QTest::newRow("photo") << QStringLiteral("IMG_2.JPG") << false;
}

void tst_SyncConverters::quickTimeNames()
{
    QFETCH(QString, name);
    QFETCH(bool, isVideo);
    QCOMPARE(VideoConverter::isQuickTimeVideo(name), isVideo);
    if (isVideo)
        QVERIFY(VideoConverter::mp4Name(name).endsWith(QLatin1String(".mp4")));
}

QTEST_GUILESS_MAIN(tst_SyncConverters)
#include "tst_SyncConverters.moc"

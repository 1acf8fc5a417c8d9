// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/AlbumArtImage.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

class tst_AlbumArtImage : public QObject
{
    Q_OBJECT

private slots:
    void scaledToFitKeepingShape_data();
    void scaledToFitKeepingShape();
    void transparentBecomesWhite();
    void unreadableArtworkSendsNothing_data();
    void unreadableArtworkSendsNothing();

private:
    QTemporaryDir mDir;
};

void tst_AlbumArtImage::scaledToFitKeepingShape_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("square") << QSize(1000, 1000) << QSize(300, 300);
    QTest::newRow("wide") << QSize(600, 300) << QSize(300, 150);
    QTest::newRow("tall") << QSize(100, 400) << QSize(75, 300);
    QTest::newRow("small is enlarged") << QSize(30, 30) << QSize(300, 300);
}

void tst_AlbumArtImage::scaledToFitKeepingShape()
{
    QFETCH(QSize, source);
    QFETCH(QSize, expected);
    QImage cover(source, QImage::Format_RGB32);
    cover.fill(Qt::red);
    const QString artwork = mDir.filePath(QStringLiteral("cover.png"));
    const QString target = mDir.filePath(QStringLiteral("AlbumArt.jpg"));
    QVERIFY(cover.save(artwork));

    QCOMPARE(AlbumArtImage::create(artwork, target), 0);

    QImageReader reader(target);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    QCOMPARE(reader.size(), expected);
}

void tst_AlbumArtImage::transparentBecomesWhite()
{
    QImage cover(200, 100, QImage::Format_ARGB32);
    cover.fill(Qt::transparent);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            cover.setPixelColor(x, y, Qt::black);
    QImage result;
    QCOMPARE(AlbumArtImage::render(cover, result), 0);
    QCOMPARE(result.size(), QSize(300, 150));
    QVERIFY(!result.hasAlphaChannel());
    QCOMPARE(result.pixelColor(250, 75), QColor(Qt::white));
    QCOMPARE(result.pixelColor(50, 75), QColor(Qt::black));
}

void tst_AlbumArtImage::unreadableArtworkSendsNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("not an image") << QByteArray("this is no picture");
    QTest::newRow("truncated png") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
}

void tst_AlbumArtImage::unreadableArtworkSendsNothing()
{
    QFETCH(QByteArray, content);
    const QString artwork = mDir.filePath(QStringLiteral("broken.png"));
    const QString target = mDir.filePath(QStringLiteral("AlbumArt.jpg"));
    QFile file(artwork);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    // A cover of an earlier album must not be sent for this one.
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old cover");
    old.close();

    QCOMPARE(AlbumArtImage::create(artwork, target), AlbumArtImage::kErrorImageNull);
    QVERIFY(!QFile::exists(target));
}

QTEST_GUILESS_MAIN(tst_AlbumArtImage)
#include "tst_AlbumArtImage.moc"

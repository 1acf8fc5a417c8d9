// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The space gauge drawn offscreen: which colour each part of the bar gets for
// the edge cases of used and free space, and the share in percent.
#include "ui/SpaceGauge.h"

#include <QImage>
#include <QtTest>

#include <limits>

namespace {

enum class Shade { Outside, Red, Green, Grey, Other };

const QColor kOutside(0, 0, 255);
const int kWidth = 200;
const int kHeight = 23;
// Half-way down the bar the gradients are half-way from white to their colour.
const int kSampleRow = 12;

Shade shadeOf(QRgb pixel)
{
    const int r = qRed(pixel);
    const int g = qGreen(pixel);
    const int b = qBlue(pixel);
    if (QColor(pixel) == kOutside)
        return Shade::Outside;
    if (r > 200 && g < 200 && b < 200 && r - g > 40)
        return Shade::Red;
    if (g > 200 && r < 200 && b < 200 && g - r > 40)
        return Shade::Green;
    if (qAbs(r - g) < 12 && qAbs(g - b) < 12 && r > 100 && r < 230)
        return Shade::Grey;
    return Shade::Other;
}

QImage render(SpaceGauge& gauge)
{
    gauge.resize(kWidth, kHeight);
    QImage image(gauge.size(), QImage::Format_ARGB32);
    image.fill(kOutside);
    gauge.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

// The shades met along the sample row between two columns, without repeats.
QList<Shade> shadesAlong(const QImage& image, int from, int to)
{
    QList<Shade> shades;
    for (int x = from; x <= to; ++x) {
        const Shade shade = shadeOf(image.pixel(x, kSampleRow));
        if (shades.isEmpty() || shades.last() != shade)
            shades.append(shade);
    }
    return shades;
}

} // namespace

Q_DECLARE_METATYPE(Shade)

class TestSpaceGauge : public QObject
{
    Q_OBJECT

private slots:
    void drawsShares_data();
    void drawsShares();
    void redPartFollowsTheShare();
    void wideGaugeKeepsItsMargins();
    void showsFigures();
    void figuresFitALargeFont();
    void usedPercent_data();
    void usedPercent();
};

void TestSpaceGauge::drawsShares_data()
{
    QTest::addColumn<qint64>("used");
    QTest::addColumn<qint64>("free");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<Shade>("left");
    QTest::addColumn<Shade>("right");

    QTest::newRow("nothing known") << qint64(0) << qint64(0) << true << Shade::Grey << Shade::Grey;
    QTest::newRow("empty phone") << qint64(0) << qint64(1000) << true << Shade::Green << Shade::Green;
    QTest::newRow("half full") << qint64(500) << qint64(500) << true << Shade::Red << Shade::Green;
    QTest::newRow("full") << qint64(1000) << qint64(0) << true << Shade::Red << Shade::Red;
    QTest::newRow("overfull: free negative") << qint64(1500) << qint64(-500) << true << Shade::Red << Shade::Red;
    QTest::newRow("far overfull") << qint64(1) << qint64(-1) << true << Shade::Green << Shade::Green;
    QTest::newRow("negative used") << qint64(-500) << qint64(1000) << true << Shade::Green << Shade::Green;
    QTest::newRow("disabled half full") << qint64(500) << qint64(500) << false << Shade::Grey << Shade::Grey;
    QTest::newRow("disabled full") << qint64(1000) << qint64(0) << false << Shade::Grey << Shade::Grey;
    QTest::newRow("terabytes") << qint64(3) * 1000000000000 << qint64(1) * 1000000000000 << true << Shade::Red
                               << Shade::Green;
    QTest::newRow("ends of the range") << std::numeric_limits<qint64>::max() << std::numeric_limits<qint64>::max()
                                       << true << Shade::Red << Shade::Red;
}

void TestSpaceGauge::drawsShares()
{
    QFETCH(qint64, used);
    QFETCH(qint64, free);
    QFETCH(bool, enabled);
    QFETCH(Shade, left);
    QFETCH(Shade, right);

    SpaceGauge gauge;
    gauge.update(used, free);
    if (!enabled)
        gauge.disable();
    const QImage image = render(gauge);
    // Inside the bar, clear of the rounded corners and the frame.
    QCOMPARE(shadeOf(image.pixel(8, kSampleRow)), left);
    QCOMPARE(shadeOf(image.pixel(kWidth - 9, kSampleRow)), right);
    // Nothing but the two expected shades, in that order, from one end to the other.
    QList<Shade> expected{left};
    if (right != left)
        expected.append(right);
    QList<Shade> seen = shadesAlong(image, 8, kWidth - 9);
    seen.removeAll(Shade::Other); // the used bar's one-pixel frame
    QCOMPARE(seen, expected);
}

void TestSpaceGauge::showsFigures()
{
    SpaceGauge gauge;
    QVERIFY(gauge.figuresText().isEmpty());
    const QLocale locale;
    gauge.update(qint64(1500) * 1000 * 1000, qint64(2) * 1000 * 1000 * 1000);
    const QString expected = locale.formattedDataSize(qint64(1500) * 1000 * 1000) + QStringLiteral(" used, ")
                             + locale.formattedDataSize(qint64(2) * 1000 * 1000 * 1000) + QStringLiteral(" free");
    QCOMPARE(gauge.figuresText(), expected);
    QCOMPARE(gauge.toolTip(), expected);
    // The figures sit under the bar: something is drawn there.
    gauge.resize(kWidth, gauge.sizeHint().height());
    QImage image(gauge.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    gauge.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    bool written = false;
    for (int x = 0; x < image.width() && !written; ++x)
        for (int y = 24; y < image.height() && !written; ++y)
            written = qGray(image.pixel(x, y)) < 128;
    QVERIFY(written);
    // An overfull phone says how much is missing, not a negative size.
    gauge.update(1500, -500);
    QCOMPARE(gauge.figuresText(), locale.formattedDataSize(1500) + QStringLiteral(" used, ")
                                      + locale.formattedDataSize(500) + QStringLiteral(" too little"));
    gauge.disable();
    QVERIFY(gauge.figuresText().isEmpty());
}

void TestSpaceGauge::redPartFollowsTheShare()
{
    SpaceGauge gauge;
    gauge.update(250, 750);
    QImage image = render(gauge);
    // Narrow margin 2: a quarter of 196 pixels is 49, so red ends near x = 50.
    QCOMPARE(shadeOf(image.pixel(40, kSampleRow)), Shade::Red);
    QCOMPARE(shadeOf(image.pixel(60, kSampleRow)), Shade::Green);

    // A re-enabled gauge shows the stored values again.
    gauge.disable();
    image = render(gauge);
    QCOMPARE(shadeOf(image.pixel(40, kSampleRow)), Shade::Grey);
    gauge.enable();
    image = render(gauge);
    QCOMPARE(shadeOf(image.pixel(40, kSampleRow)), Shade::Red);

    // New values replace the old ones.
    gauge.update(0, 750);
    image = render(gauge);
    QCOMPARE(shadeOf(image.pixel(40, kSampleRow)), Shade::Green);
}

void TestSpaceGauge::wideGaugeKeepsItsMargins()
{
    SpaceGauge wide(true);
    wide.update(1000, 0);
    const QImage image = render(wide);
    QCOMPARE(shadeOf(image.pixel(10, kSampleRow)), Shade::Outside);
    QCOMPARE(shadeOf(image.pixel(kWidth - 10, kSampleRow)), Shade::Outside);
    QCOMPARE(shadeOf(image.pixel(26, kSampleRow)), Shade::Red);
    QCOMPARE(shadeOf(image.pixel(kWidth - 26, kSampleRow)), Shade::Red);
    // Below the 20-pixel bar the widget draws nothing.
    QCOMPARE(shadeOf(image.pixel(kWidth / 2, 22)), Shade::Outside);

    // Narrower than its margins: nothing drawn, and no crash.
    wide.resize(30, kHeight);
    QImage tiny(wide.size(), QImage::Format_ARGB32);
    tiny.fill(kOutside);
    wide.render(&tiny, QPoint(), QRegion(), QWidget::RenderFlags());
    QCOMPARE(shadeOf(tiny.pixel(15, kSampleRow)), Shade::Outside);
}

void TestSpaceGauge::usedPercent_data()
{
    const qint64 max = std::numeric_limits<qint64>::max();
    const qint64 min = std::numeric_limits<qint64>::min();
    QTest::addColumn<qint64>("used");
    QTest::addColumn<qint64>("free");
    QTest::addColumn<int>("percent");

    QTest::newRow("nothing") << qint64(0) << qint64(0) << -1;
    QTest::newRow("sum negative") << qint64(100) << qint64(-200) << -1;
    QTest::newRow("empty") << qint64(0) << qint64(10) << 0;
    QTest::newRow("a third, rounded down") << qint64(1) << qint64(2) << 33;
    QTest::newRow("almost full stays below 100") << qint64(999) << qint64(1) << 99;
    QTest::newRow("free negative clips") << qint64(300) << qint64(-100) << 100;
    QTest::newRow("used negative") << qint64(-5) << qint64(10) << 0;
    QTest::newRow("product beyond 64 bits") << max / 2 << max / 2 << 50;
    QTest::newRow("sum beyond 64 bits") << max << max << 100;
    QTest::newRow("sum below 64 bits") << min << min << -1;
    QTest::newRow("used huge, free tiny") << max - 1 << qint64(1) << 99;
}

void TestSpaceGauge::usedPercent()
{
    QFETCH(qint64, used);
    QFETCH(qint64, free);
    QFETCH(int, percent);
    QCOMPARE(SpaceGauge::usedPercent(used, free), percent);
}

void TestSpaceGauge::figuresFitALargeFont()
{
    SpaceGauge gauge(true);
    QFont large = gauge.font();
    large.setPixelSize(32);
    gauge.setFont(large);
    // The bar and a whole line of the font below it.
    QVERIFY(gauge.sizeHint().height() >= 20 + QFontMetrics(large).height());
    QVERIFY(gauge.minimumSizeHint().height() >= 20 + QFontMetrics(large).height());
}

QTEST_MAIN(TestSpaceGauge)
#include "tst_SpaceGauge.moc"

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/SpaceGauge.h"

#include "app/TraceLog.h"
#include "model/SizeArithmetic.h"

#include <QLinearGradient>
#include <QLocale>
#include <QPainter>

namespace {
const int kWideMargin = 20;
const int kNarrowMargin = 2;
const int kBarHeight = 20;
const qreal kCornerRadius = 3.0;
const int kGradientEnd = 30;
// Room around the figures' line, which is written under the bar, where they
// hide none of its colours.
const int kFiguresPadding = 2;
} // namespace

int SpaceGauge::figuresHeight() const
{
    // As tall as the font is: a fixed height cuts the line's lower half off
    // under larger fonts.
    return fontMetrics().height() + kFiguresPadding;
}

SpaceGauge::SpaceGauge(bool wide, QWidget* parent) : QWidget(parent), mMargin(wide ? kWideMargin : kNarrowMargin)
{
    TraceScope trace("SpaceGauge::SpaceGauge");
}

QSize SpaceGauge::minimumSizeHint() const
{
    TraceScope trace("SpaceGauge::minimumSizeHint");
    return QSize(100, 23 + figuresHeight());
}

QSize SpaceGauge::sizeHint() const
{
    TraceScope trace("SpaceGauge::sizeHint");
    return QSize(200, 23 + figuresHeight());
}

void SpaceGauge::enable()
{
    TraceScope trace("SpaceGauge::enable");
    mEnabled = true;
    QWidget::update();
}

void SpaceGauge::disable()
{
    TraceScope trace("SpaceGauge::disable");
    mEnabled = false;
    QWidget::update();
}

void SpaceGauge::update(qint64 aUsedSpace, qint64 aFreeSpace)
{
    TraceScope trace("SpaceGauge::update");
    mUsedSpace = aUsedSpace;
    mFreeSpace = aFreeSpace;
    setToolTip(figuresText());
    QWidget::update();
}

void SpaceGauge::paintEvent(QPaintEvent*)
{
    TraceScope trace("SpaceGauge::paintEvent");
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    const int barWidth = width() - 2 * mMargin;
    if (barWidth <= 0)
        return;

    const bool showValues = mEnabled && (mUsedSpace != 0 || mFreeSpace != 0);
    QLinearGradient background(0, 0, 0, kGradientEnd);
    background.setColorAt(0, Qt::white);
    background.setColorAt(1, showValues ? QColor(0, 255, 0) : QColor(128, 128, 128));
    painter.setBrush(background);
    painter.drawRoundedRect(QRect(mMargin, 0, barWidth, kBarHeight), kCornerRadius, kCornerRadius);

    const int percent = usedPercent(mUsedSpace, mFreeSpace);
    if (!mEnabled || percent < 0)
        return;
    const int usedWidth = int(qint64(percent) * barWidth / 100);
    if (usedWidth > 0) {
        QLinearGradient used(0, 0, 0, kGradientEnd);
        used.setColorAt(0, Qt::white);
        used.setColorAt(1, QColor(255, 0, 0));
        painter.setBrush(used);
        painter.drawRoundedRect(QRect(mMargin, 0, usedWidth, kBarHeight), kCornerRadius, kCornerRadius);
    }
    if (showValues)
        // The whole width when the bar's is too narrow for the figures.
        painter.drawText(QRect(0, kBarHeight, width(), figuresHeight()), Qt::AlignCenter, figuresText());
}

QString SpaceGauge::figuresText() const
{
    if (!mEnabled || (mUsedSpace == 0 && mFreeSpace == 0))
        return QString();
    const QLocale locale;
    // An overfull phone has negative free space: said as such, not as a size.
    const QString freeText = mFreeSpace < 0 ? tr("%1 too little").arg(locale.formattedDataSize(-mFreeSpace))
                                            : tr("%1 free").arg(locale.formattedDataSize(mFreeSpace));
    return tr("%1 used, ").arg(locale.formattedDataSize(qMax<qint64>(mUsedSpace, 0))) + freeText;
}

int SpaceGauge::usedPercent(qint64 usedSpace, qint64 freeSpace)
{
    TraceScope trace("SpaceGauge::usedPercent");
    const qint64 total = SizeArithmetic::add(usedSpace, freeSpace);
    if (total <= 0)
        return -1;
    // Negative used space is damage, not a bar drawn leftwards out of the gauge.
    if (usedSpace <= 0)
        return 0;
    // More used than used and free together: free is negative, the phone overfull.
    if (usedSpace >= total)
        return 100;
    // Wide enough for used * 100 at any size, where 64 bits overflow beyond about 92 PB.
    return int(static_cast<__int128>(usedSpace) * 100 / total);
}

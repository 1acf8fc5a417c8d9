// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/SpaceGauge.h"

#include "app/TraceLog.h"

#include <QLinearGradient>
#include <QPainter>

namespace {
const int kWideMargin = 20;
const int kNarrowMargin = 2;
const int kBarHeight = 20;
const qreal kCornerRadius = 3.0;
const int kGradientEnd = 30;
} // namespace

SpaceGauge::SpaceGauge(bool wide, QWidget* parent)
    : QWidget(parent), mMargin(wide ? kWideMargin : kNarrowMargin)
{
    TraceScope trace("SpaceGauge::SpaceGauge");
}

QSize SpaceGauge::minimumSizeHint() const
{
    TraceScope trace("SpaceGauge::minimumSizeHint");
    return QSize(100, 23);
}

QSize SpaceGauge::sizeHint() const
{
    TraceScope trace("SpaceGauge::sizeHint");
    return QSize(200, 23);
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
    QWidget::update();
}

void SpaceGauge::paintEvent(QPaintEvent*)
{
    TraceScope trace("SpaceGauge::paintEvent");
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QWidget>

class QPaintEvent;

// A rounded bar showing how much of the phone's storage a sync will leave used:
// the red part is the used share, the rest green (grey when there is nothing to
// show or the gauge is disabled).
class SpaceGauge : public QWidget
{
    Q_OBJECT
public:
    // A wide gauge keeps a larger margin on both sides (the wizard pages).
    explicit SpaceGauge(bool wide = false, QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

    void enable();
    void disable();

public slots:
    // Used and free bytes after the sync; hides QWidget::update() on purpose so
    // that the space calculation's signal connects straight to it.
    void update(qint64 aUsedSpace, qint64 aFreeSpace);

public:
    // The red share in percent (0 to 100) of used and free together; -1 when
    // there is nothing to draw.
    static int usedPercent(qint64 usedSpace, qint64 freeSpace);
    // "1.5 GB used, 2.0 GB free" as drawn on the bar; empty when it shows nothing.
    QString figuresText() const;
    int figuresHeight() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    qint64 mUsedSpace = 0;
    qint64 mFreeSpace = 0;
    bool mEnabled = true;
    int mMargin = 2;
};

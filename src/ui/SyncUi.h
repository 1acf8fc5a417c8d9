// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QWidget>

class QLabel;

// The main window: phone status, the progress of a sync and the space gauge.
class SyncUi : public QWidget
{
    Q_OBJECT
public:
    explicit SyncUi(QWidget* parent = nullptr);
    ~SyncUi() override;

private:
    QLabel* mStatusLabel = nullptr;
    QLabel* mDetailLabel = nullptr;
};

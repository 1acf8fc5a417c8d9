// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QDialog>

class QCheckBox;

// Reminds the user to eject a USB phone after a sync, below what else the
// end of the run has to tell (one box, not two stacked). exec() answers 1
// when the user chose not to see the reminder again, else 0.
class UsbEjectWarning : public QDialog
{
    Q_OBJECT
public:
    explicit UsbEjectWarning(QWidget* parent = nullptr, const QString& endOfRunHtml = QString());

public slots:
    void userDone();

private:
    QCheckBox* mDontDisplayAgain = nullptr;
};

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QWizardPage>

class QCheckBox;

// The licence agreement, shown on the first run only; it cannot be left until
// the user accepts it.
class EULAPage : public QWizardPage
{
    Q_OBJECT
public:
    explicit EULAPage(QWidget* parent = nullptr);

    int nextId() const override;
    bool validatePage() override;

private:
    QCheckBox* mAcceptBox = nullptr;
};

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QWizardPage>

// The wizard's first page: says why the wizard is open.
class IntroPage : public QWizardPage
{
    Q_OBJECT
public:
    // mode: one of the DeviceWizard modes; hasLicensePage: the licence page follows.
    IntroPage(int mode, bool hasLicensePage, QWidget* parent = nullptr);

    int nextId() const override;

    // The text shown for a wizard mode.
    static QString introText(int mode);

private:
    bool mHasLicensePage;
};

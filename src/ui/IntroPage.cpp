// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/IntroPage.h"

#include "app/TraceLog.h"
#include "ui/DeviceWizard.h"
#include "ui/WizardSupport.h"

#include <QLabel>
#include <QVBoxLayout>

IntroPage::IntroPage(int mode, bool hasLicensePage, QWidget* parent)
    : QWizardPage(parent), mHasLicensePage(hasLicensePage)
{
    TraceScope trace("IntroPage::IntroPage");
    traceValue("mode", mode);
    setTitle(QStringLiteral("Phone Setup"));
    applyWizardWatermark(this);
    auto* label = new QLabel(introText(mode), this);
    label->setObjectName(QStringLiteral("introLabel"));
    label->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addStretch();
}

int IntroPage::nextId() const
{
    TraceScope trace("IntroPage::nextId");
    return mHasLicensePage ? WizardPageId::kEula : WizardPageId::kDeviceBackup;
}

QString IntroPage::introText(int mode)
{
    TraceScope trace("IntroPage::introText");
    switch (mode) {
    case DeviceWizard::kModeNewPhone:
        return QStringLiteral("A new phone has been detected. This wizard will help you set it up so that it can be "
                              "synchronized.");
    case DeviceWizard::kModeFirstRun:
        return QStringLiteral("This wizard will help you set up a phone so that it can be synchronized.");
    default:
        return QStringLiteral("This wizard will help you change your synchronization settings.");
    }
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/EULAPage.h"

#include "app/TraceLog.h"
#include "ui/WizardSupport.h"

#include <QCheckBox>
#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

EULAPage::EULAPage(QWidget* parent) : QWizardPage(parent)
{
    TraceScope trace("EULAPage::EULAPage");
    setTitle(QStringLiteral("License Agreement"));
    applyWizardWatermark(this);

    auto* browser = new QTextBrowser(this);
    browser->setObjectName(QStringLiteral("licenseText"));
    browser->setReadOnly(true);
    QFile file(QStringLiteral(":html/OstrelEULA.htm"));
    if (file.open(QIODevice::ReadOnly))
        browser->setHtml(QString::fromUtf8(file.readAll()));
    else
        traceMessage("Licence text not found");

    mAcceptBox = new QCheckBox(QStringLiteral("I accept the above license agreement"), this);
    mAcceptBox->setObjectName(QStringLiteral("acceptBox"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser);
    layout->addWidget(mAcceptBox);
}

int EULAPage::nextId() const
{
    TraceScope trace("EULAPage::nextId");
    return WizardPageId::kDeviceBackup;
}

bool EULAPage::validatePage()
{
    TraceScope trace("EULAPage::validatePage");
    if (mAcceptBox->isChecked())
        return true;
    showCriticalMessage(this, QStringLiteral("You must accept the license agreement to continue."));
    return false;
}

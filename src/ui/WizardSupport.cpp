// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/WizardSupport.h"

#include "app/Constants.h"
#include "app/TraceLog.h"

#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QWizardPage>

// The ui library is static, so its compiled-in resources must be registered
// by hand; Q_INIT_RESOURCE may not be used inside a namespace.
static void initWizardResources()
{
    Q_INIT_RESOURCE(wizard);
}

void registerWizardResources()
{
    static const bool registered = (initWizardResources(), true);
    Q_UNUSED(registered);
}

QString helpLink(const QString& pagePath)
{
    TraceScope trace("WizardSupport::helpLink");
    return QStringLiteral("<a href=\"") + Constants::helpBaseUrl() + pagePath + QStringLiteral("\">here</a>");
}

QLabel* newRichTextLabel(const QString& html, QWidget* parent)
{
    TraceScope trace("WizardSupport::newRichTextLabel");
    auto* label = new QLabel(html, parent);
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    label->setOpenExternalLinks(true);
    return label;
}

void applyWizardWatermark(QWizardPage* page)
{
    TraceScope trace("WizardSupport::applyWizardWatermark");
    registerWizardResources();
    page->setPixmap(QWizard::WatermarkPixmap, QPixmap(QStringLiteral(":/images/wizard1.png")));
}

namespace {

// The texts may carry help links in the middle of a line, where the automatic
// detection of rich text does not look.
void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text)
{
    TraceScope trace("WizardSupport::showMessage");
    traceValue("message", text);
    QMessageBox box(icon, Constants::applicationTitle(), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::RichText);
    // Help links open in the user's browser.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
        label->setOpenExternalLinks(true);
    box.exec();
}

} // namespace

void showCriticalMessage(QWidget* parent, const QString& text)
{
    TraceScope trace("WizardSupport::showCriticalMessage");
    showMessage(parent, QMessageBox::Critical, text);
}

void showWarningMessage(QWidget* parent, const QString& text)
{
    TraceScope trace("WizardSupport::showWarningMessage");
    showMessage(parent, QMessageBox::Warning, text);
}

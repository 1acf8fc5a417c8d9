// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/UsbEjectWarning.h"

#include "app/Constants.h"
#include "app/TraceLog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

UsbEjectWarning::UsbEjectWarning(QWidget* parent, const QString& endOfRunHtml) : QDialog(parent)
{
    TraceScope trace("UsbEjectWarning::UsbEjectWarning");
    setModal(true);
    setWindowTitle(Constants::applicationTitle());
    // Room for the end of the run's lists without a box taller than the screen.
    setMinimumWidth(endOfRunHtml.isEmpty() ? 300 : 520);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(
        endOfRunHtml + tr("<p>Synchronization is complete.</p><p>Please eject your phone before disconnecting, click ")
            + QStringLiteral("<a href=\"%1/blog/files/usbeject.htm\">").arg(Constants::helpBaseUrl()) + tr("here")
            + QStringLiteral("</a>") + tr(" for more details.</p>"),
        this);
    label->setWordWrap(true);
    label->setTextFormat(Qt::RichText);
    label->setOpenExternalLinks(true);
    layout->addWidget(label);
    mDontDisplayAgain = new QCheckBox(tr("Do not display this message again."), this);
    layout->addWidget(mDontDisplayAgain);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Horizontal, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &UsbEjectWarning::userDone);
    layout->addWidget(buttons);
}

void UsbEjectWarning::userDone()
{
    TraceScope trace("UsbEjectWarning::userDone");
    done(mDontDisplayAgain->isChecked() ? 1 : 0);
}

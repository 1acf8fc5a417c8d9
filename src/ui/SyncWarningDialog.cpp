// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/SyncWarningDialog.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "ui/TrackNames.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QUrl>
#include <QVBoxLayout>

SyncWarningDialog::SyncWarningDialog(QWidget* parent, const QList<Track>& tracks, int kind)
    : SyncWarningDialog(parent, trackNames(tracks), kind)
{
}

SyncWarningDialog::SyncWarningDialog(QWidget* parent, const TrackList& tracks, int kind)
    : SyncWarningDialog(parent, trackNames(tracks), kind)
{
}

SyncWarningDialog::SyncWarningDialog(QWidget* parent, const QStringList& names, int kind) : QDialog(parent)
{
    TraceScope trace("SyncWarningDialog::SyncWarningDialog");
    traceValue("kind", kind);
    setModal(true);
    setFixedWidth(400);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(textForKind(kind), this);
    label->setWordWrap(true);
    label->setTextFormat(Qt::RichText);
    connect(label, &QLabel::linkActivated, this, &SyncWarningDialog::linkActivated);
    layout->addWidget(label);
    layout->addWidget(makeTrackNameList(names, this));
    auto* dontShowAgain = new QCheckBox(tr("Do not show this warning again"), this);
    connect(dontShowAgain, &QCheckBox::stateChanged, this, &SyncWarningDialog::dontShowAgainStateChanged);
    layout->addWidget(dontShowAgain);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Horizontal, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

QString SyncWarningDialog::textForKind(int kind)
{
    TraceScope trace("SyncWarningDialog::textForKind");
    switch (kind) {
    case kKindFolderNotCreated:
    case kKindCopyFailed:
    case kKindNoSpace:
        return tr("<p>It was not possible to copy the following tracks to your phone.</p><p>Click ")
               + QStringLiteral("<a href=\"%1/blog/files/copyfailed.htm\">").arg(Constants::helpBaseUrl()) + tr("here")
               + QStringLiteral("</a>") + tr(" to diagnose the problem.</p>");
    case kKindDrm:
        return tr("<p>Some of your tracks are copy protected and cannot be played on your phone. These "
                  "tracks "
                  "are listed below.</p><p>Click ")
               + QStringLiteral("<a href=\"%1/blog/files/drm.htm\">").arg(Constants::helpBaseUrl()) + tr("here")
               + QStringLiteral("</a>") + tr(" for more information on copy protected tracks.</p>");
    default:
        return QString();
    }
}

void SyncWarningDialog::dontShowAgainStateChanged(int aNewState)
{
    TraceScope trace("SyncWarningDialog::dontShowAgainStateChanged");
    traceValue("aNewState", aNewState);
    mDontShowAgain = (aNewState == Qt::Checked);
}

void SyncWarningDialog::linkActivated(QString aLink)
{
    TraceScope trace("SyncWarningDialog::linkActivated");
    traceValue("aLink", aLink);
    QDesktopServices::openUrl(QUrl(aLink));
}

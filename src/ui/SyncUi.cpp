// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/SyncUi.h"

#include "app/TraceLog.h"

#include <QLabel>
#include <QVBoxLayout>

SyncUi::SyncUi(QWidget* parent)
    : QWidget(parent)
{
    TraceScope trace("SyncUi::SyncUi");
    setWindowTitle(QStringLiteral("Velmora for Blackberry"));
    setFixedWidth(400);
    auto* layout = new QVBoxLayout(this);
    mStatusLabel = new QLabel(tr("Starting up, please wait..."), this);
    mStatusLabel->setWordWrap(true);
    layout->addWidget(mStatusLabel);
}

SyncUi::~SyncUi()
{
    TraceScope trace("SyncUi::~SyncUi");
}

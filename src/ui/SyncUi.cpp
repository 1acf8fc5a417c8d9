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
    mStatusLabel = new QLabel(tr("Please wait while Velmora is started"), this);
    mStatusLabel->setAlignment(Qt::AlignCenter);
    mStatusLabel->setWordWrap(true);
    mDetailLabel = new QLabel(this);
    mDetailLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(mStatusLabel);
    layout->addWidget(mDetailLabel);
}

SyncUi::~SyncUi()
{
    TraceScope trace("SyncUi::~SyncUi");
}

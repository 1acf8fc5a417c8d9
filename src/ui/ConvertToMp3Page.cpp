// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/ConvertToMp3Page.h"

#include "app/TraceLog.h"
#include "ui/WizardSupport.h"

#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

ConvertToMp3Page::ConvertToMp3Page(QWidget* parent) : QWizardPage(parent)
{
    TraceScope trace("ConvertToMp3Page::ConvertToMp3Page");
    setTitle(QStringLiteral("Phone Setup"));
    applyWizardWatermark(this);

    auto* question = new QLabel(QStringLiteral("Is your phone capable of playing AAC files?"), this);
    auto* explanation = new QLabel(
        QStringLiteral("Your music library holds tracks in AAC format which are not playable on some phones. "
                       "If your phone cannot play them, they are converted to MP3 files while they are copied."),
        this);
    explanation->setWordWrap(true);
    mYesButton = new QRadioButton(QStringLiteral("Yes"), this);
    mYesButton->setObjectName(QStringLiteral("aacYes"));
    mNoButton = new QRadioButton(QStringLiteral("No"), this);
    mNoButton->setObjectName(QStringLiteral("aacNo"));
    mDontKnowButton = new QRadioButton(QStringLiteral("I Don't Know"), this);
    mDontKnowButton->setObjectName(QStringLiteral("aacDontKnow"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addWidget(explanation);
    layout->addWidget(mYesButton);
    layout->addWidget(mNoButton);
    layout->addWidget(mDontKnowButton);
    layout->addStretch();
    for (QRadioButton* button : {mYesButton, mNoButton, mDontKnowButton})
        connect(button, &QRadioButton::clicked, this, [this] { mChangedByUser = true; });
}

void ConvertToMp3Page::setConvertToMp3(bool convert)
{
    TraceScope trace("ConvertToMp3Page::setConvertToMp3");
    (convert ? mNoButton : mYesButton)->setChecked(true);
}

bool ConvertToMp3Page::convertToMp3() const
{
    TraceScope trace("ConvertToMp3Page::convertToMp3");
    // A phone that may not play AAC gets MP3s: "I Don't Know" is the safe side.
    const bool convert = !mYesButton->isChecked();
    traceReturns(convert ? 1 : 0);
    return convert;
}

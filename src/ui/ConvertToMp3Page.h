// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QWizardPage>

class QRadioButton;

// Asks whether the phone plays AAC files. Filled from the phone's settings,
// but no page of the wizard leads to it.
class ConvertToMp3Page : public QWizardPage
{
    Q_OBJECT
public:
    explicit ConvertToMp3Page(QWidget* parent = nullptr);

    // Checks "No" when the phone's tracks are converted, else "Yes".
    void setConvertToMp3(bool convert);
    // The answer given to the wizard's saving: always false, since the page is
    // never shown and its answer is not meant to change the phone's setting.
    bool convertToMp3() const;
    bool changedByUser() const { return mChangedByUser; }

private:
    QRadioButton* mYesButton = nullptr;
    QRadioButton* mNoButton = nullptr;
    QRadioButton* mDontKnowButton = nullptr;
    bool mChangedByUser = false;
};

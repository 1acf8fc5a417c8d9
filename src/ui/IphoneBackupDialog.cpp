// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/IphoneBackupDialog.h"

#include "app/Constants.h"
#include "transfer/IphoneBackupRunner.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

IphoneBackupDialog::IphoneBackupDialog(QWidget* parent) : QDialog(parent), mRunner(new IphoneBackupRunner(this))
{
    setWindowTitle(Constants::applicationTitle());
    setModal(true);
    setMinimumWidth(420);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(tr("Plug the iPhone in with its cable and unlock it. If it asks whether to trust "
                                "this computer, tap \"Trust\". The backup can take several minutes."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    mStepLabel = new QLabel(this);
    mStepLabel->setObjectName(QStringLiteral("backupStep"));
    layout->addWidget(mStepLabel);
    mProgressBar = new QProgressBar(this);
    mProgressBar->setRange(0, 100);
    layout->addWidget(mProgressBar);
    auto* choice = new QHBoxLayout;
    mPhoneChoice = new QComboBox(this);
    mPhoneChoice->setObjectName(QStringLiteral("iphoneChoice"));
    mPhoneChoice->hide();
    mChooseButton = new QPushButton(tr("Back Up This iPhone"), this);
    mChooseButton->setObjectName(QStringLiteral("backUpChosen"));
    mChooseButton->hide();
    choice->addWidget(mPhoneChoice, 1);
    choice->addWidget(mChooseButton);
    layout->addLayout(choice);
    mAdviceLabel = new QLabel(this);
    mAdviceLabel->setObjectName(QStringLiteral("backupAdvice"));
    mAdviceLabel->setWordWrap(true);
    layout->addWidget(mAdviceLabel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    mRetryButton = new QPushButton(tr("Try Again"), this);
    mRetryButton->setObjectName(QStringLiteral("retryBackup"));
    mRetryButton->setEnabled(false);
    mCloseButton = new QPushButton(tr("Cancel"), this);
    mCloseButton->setObjectName(QStringLiteral("closeBackup"));
    buttons->addWidget(mRetryButton);
    buttons->addWidget(mCloseButton);
    layout->addLayout(buttons);

    connect(mRunner, &IphoneBackupRunner::progress, this, [this](int percent, const QString& step) {
        mProgressBar->setValue(percent);
        mStepLabel->setText(step);
    });
    connect(mRunner, &IphoneBackupRunner::finished, this, &IphoneBackupDialog::backupEnded);
    connect(mRunner, &IphoneBackupRunner::choiceNeeded, this, &IphoneBackupDialog::offerChoice);
    connect(mChooseButton, &QPushButton::clicked, this, [this] {
        mPhoneChoice->hide();
        mChooseButton->hide();
        mAdviceLabel->clear();
        mRunner->backUp(mPhoneChoice->currentData().toString());
    });
    connect(mRetryButton, &QPushButton::clicked, this, [this] { startBackup(mBackupRoot); });
    connect(mCloseButton, &QPushButton::clicked, this, [this] {
        if (mRunner->isRunning())
            mRunner->cancel();
        else
            done(mBackupFolder.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
    });
}

void IphoneBackupDialog::startBackup(const QString& backupRoot)
{
    mBackupRoot = backupRoot;
    mAdviceLabel->clear();
    mPhoneChoice->hide();
    mChooseButton->hide();
    mRetryButton->setEnabled(false);
    mCloseButton->setText(tr("Cancel"));
    mProgressBar->setValue(0);
    mRunner->start(backupRoot);
}

void IphoneBackupDialog::backupEnded(int result, const QString& folder)
{
    mBackupFolder = folder;
    mPhoneChoice->hide();
    mChooseButton->hide();
    mAdviceLabel->setText(IphoneBackupRunner::adviceFor(result));
    mRetryButton->setEnabled(result != 0);
    mCloseButton->setText(tr("Close"));
}

void IphoneBackupDialog::offerChoice(const QList<PluggedIphone>& phones)
{
    mPhoneChoice->clear();
    for (const PluggedIphone& phone : phones)
        mPhoneChoice->addItem(phone.name, phone.udid);
    mAdviceLabel->setText(tr("Several iPhones are plugged in. Choose the one to back up."));
    mPhoneChoice->show();
    mChooseButton->show();
}

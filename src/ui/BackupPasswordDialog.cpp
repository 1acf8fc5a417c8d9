// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/BackupPasswordDialog.h"

#include "app/ResultCodes.h"
#include "app/TraceLog.h"
#include "transfer/FailureText.h"
#include "transfer/iphone/BackupCipher.h"
#include "transfer/iphone/BackupPasswords.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

BackupPasswordDialog::BackupPasswordDialog(const QString& backupFolder, QWidget* parent)
    : QDialog(parent), mBackupFolder(backupFolder)
{
    setWindowTitle(QStringLiteral("Encrypted iPhone Backup"));
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(QStringLiteral("This backup is encrypted. Enter its password: the one set when "
                                           "\"Encrypt local backup\" was turned on for this iPhone (not the "
                                           "iPhone's passcode). The password is kept only until Velmora ends."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    mPasswordField = new QLineEdit(this);
    mPasswordField->setObjectName(QStringLiteral("backupPassword"));
    mPasswordField->setEchoMode(QLineEdit::Password);
    layout->addWidget(mPasswordField);
    mWait = new QProgressBar(this);
    mWait->setObjectName(QStringLiteral("keyProgress"));
    // How far PBKDF2 has come cannot be asked: the bar shows that work goes on.
    mWait->setRange(0, 0);
    mWait->setFormat(QStringLiteral("Making the key from the password"));
    mWait->hide();
    layout->addWidget(mWait);
    mStatus = new QLabel(this);
    mStatus->setObjectName(QStringLiteral("passwordStatus"));
    mStatus->setWordWrap(true);
    layout->addWidget(mStatus);
    mButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(mButtons);
    connect(mButtons, &QDialogButtonBox::accepted, this, &BackupPasswordDialog::tryPassword);
    connect(mButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

BackupPasswordDialog::~BackupPasswordDialog()
{
    if (mTrial)
        mTrial->wait();
    BackupCipher::wipe(mPassword);
}

void BackupPasswordDialog::tryPassword()
{
    TraceScope trace("BackupPasswordDialog::tryPassword");
    if (mTrial || mPasswordField->text().isEmpty())
        return;
    BackupCipher::wipe(mPassword);
    mPassword = mPasswordField->text().toUtf8();
    mPasswordField->setEnabled(false);
    mButtons->setEnabled(false);
    mStatus->setText(QStringLiteral("Making the key from the password: this takes a few seconds."));
    mWait->show();
    const QString folder = mBackupFolder;
    const QByteArray password = mPassword;
    mTrial.reset(QThread::create([this, folder, password] {
        const int result = BackupPasswords::check(folder, password);
        QMetaObject::invokeMethod(
            this, [this, result] { trialEnded(result); }, Qt::QueuedConnection);
    }));
    mTrial->start();
}

void BackupPasswordDialog::trialEnded(int result)
{
    TraceScope trace("BackupPasswordDialog::trialEnded");
    traceReturns(result);
    mTrial->wait();
    mTrial.reset();
    mWait->hide();
    mPasswordField->setEnabled(true);
    mButtons->setEnabled(true);
    emit checked(result);
    if (result == 0) {
        accept();
        return;
    }
    BackupCipher::wipe(mPassword);
    mPasswordField->clear();
    mPasswordField->setFocus();
    mStatus->setText(result == DataResult::IphoneWrongPassword
                         ? FailureText::of(result) + QStringLiteral(". Try again.")
                         : QStringLiteral("The backup's keys cannot be read: ") + FailureText::of(result));
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>

#include <memory>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QThread;

// Asks for an encrypted iPhone backup's password and tries it on the
// backup's keybag. Making the key takes seconds, so the trial runs on a
// thread while a bar shows the wait; a wrong password is said plainly and the
// user may try again at once. Accepted only with a password that opens it.
class BackupPasswordDialog : public QDialog
{
    Q_OBJECT
public:
    explicit BackupPasswordDialog(const QString& backupFolder, QWidget* parent = nullptr);
    ~BackupPasswordDialog() override;

    QByteArray password() const { return mPassword; }

signals:
    // Each trial's end: 0, or why the password was not taken.
    void checked(int result);

private:
    void tryPassword();
    void trialEnded(int result);

    QString mBackupFolder;
    QByteArray mPassword;
    QLineEdit* mPasswordField = nullptr;
    QLabel* mStatus = nullptr;
    QProgressBar* mWait = nullptr;
    QDialogButtonBox* mButtons = nullptr;
    std::unique_ptr<QThread> mTrial;
};

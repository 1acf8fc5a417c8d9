// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QDialog>
#include <QString>

class IphoneBackupRunner;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
struct PluggedIphone;

// "Back Up an iPhone Now": runs the backup into Velmora's own backup folder,
// shows its progress and, at the end, what happened or what the user must do.
// With several iPhones plugged in, the user picks the one to back up.
class IphoneBackupDialog : public QDialog
{
    Q_OBJECT
public:
    explicit IphoneBackupDialog(QWidget* parent = nullptr);

    // Starts a backup into backupRoot (normally Velmora's iPhone backup folder).
    void startBackup(const QString& backupRoot);
    // The folder of the backup made; empty until one succeeded.
    QString backupFolder() const { return mBackupFolder; }
    IphoneBackupRunner* runner() const { return mRunner; }

private:
    void backupEnded(int result, const QString& folder);
    void offerChoice(const QList<PluggedIphone>& phones);

    IphoneBackupRunner* mRunner = nullptr;
    QLabel* mStepLabel = nullptr;
    QLabel* mAdviceLabel = nullptr;
    QProgressBar* mProgressBar = nullptr;
    QComboBox* mPhoneChoice = nullptr;
    QPushButton* mChooseButton = nullptr;
    QPushButton* mRetryButton = nullptr;
    QPushButton* mCloseButton = nullptr;
    QString mBackupRoot;
    QString mBackupFolder;
};

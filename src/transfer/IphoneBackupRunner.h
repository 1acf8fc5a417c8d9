// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QObject>
#include <QString>

class QProcess;

// Backs up a plugged-in iPhone into Velmora's own backup folder with
// libimobiledevice's programs: idevice_id finds the phone, idevicepair makes
// sure it trusts this computer, idevicebackup2 makes a full backup. The
// programs run as child processes; nothing here waits on them, so the window
// stays responsive. Progress and the end come as signals.
class IphoneBackupRunner : public QObject
{
    Q_OBJECT
public:
    explicit IphoneBackupRunner(QObject* parent = nullptr);
    ~IphoneBackupRunner() override;

    // backupRoot: the folder that gets one sub-folder per phone.
    void start(const QString& backupRoot);
    void cancel();
    bool isRunning() const;

    // The words for a result code of this class, telling the user what to do.
    static QString adviceFor(int result);
    // Reads one line of idevicebackup2's output; -1 when it holds no figure.
    static int percentIn(const QString& line);

signals:
    void progress(int percent, const QString& step);
    // result 0: backupFolder holds the new backup.
    void finished(int result, const QString& backupFolder);

private:
    enum class Step { Idle, List, Validate, Pair, Backup };
    void run(Step step, const QString& program, const QStringList& arguments);
    void processEnded();
    void outputArrived();
    void end(int result);

    QProcess* mProcess = nullptr;
    Step mStep = Step::Idle;
    QString mBackupRoot;
    QString mUdid;
    QString mOutput;
    bool mEncrypted = false;
};

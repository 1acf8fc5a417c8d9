// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QProcess;

// One iPhone plugged in: its id and the name the user gave it.
struct PluggedIphone
{
    QString udid;
    // The phone's name; its id when the phone would not say.
    QString name;
};

// Backs up a plugged-in iPhone into Velmora's own backup folder with
// libimobiledevice's programs: idevice_id finds the phones (ideviceinfo names
// them when there are several, so the user can choose), idevicepair makes
// sure the phone trusts this computer, idevicebackup2 makes a full backup.
// The programs run as child processes; nothing here waits on them, so the
// window stays responsive. Progress, the choice and the end come as signals.
class IphoneBackupRunner : public QObject
{
    Q_OBJECT
public:
    explicit IphoneBackupRunner(QObject* parent = nullptr);
    ~IphoneBackupRunner() override;

    // backupRoot: the folder that gets one sub-folder per phone. With one
    // iPhone plugged in it is backed up; with several, choiceNeeded asks which.
    void start(const QString& backupRoot);
    // Goes on with the phone the user chose after choiceNeeded.
    void backUp(const QString& udid);
    void cancel();
    bool isRunning() const;

    // The words for a result code of this class, telling the user what to do.
    static QString adviceFor(int result);
    // Reads one line of idevicebackup2's output; -1 when it holds no figure.
    static int percentIn(const QString& line);

signals:
    void progress(int percent, const QString& step);
    // Several iPhones are plugged in: the run waits for backUp or cancel.
    void choiceNeeded(const QList<PluggedIphone>& phones);
    // result 0: backupFolder holds the new backup.
    void finished(int result, const QString& backupFolder);

private:
    enum class Step { Idle, List, Name, Choose, Validate, Pair, Backup };
    void run(Step step, const QString& program, const QStringList& arguments);
    void processEnded();
    void outputArrived();
    void programMissing();
    void nameNextPhone();
    void checkTrust(const QString& udid);
    void stopProcess();
    void end(int result);

    QProcess* mProcess = nullptr;
    Step mStep = Step::Idle;
    QString mBackupRoot;
    QString mUdid;
    QString mOutput;
    QList<PluggedIphone> mPhones;
    int mNamed = 0;
};

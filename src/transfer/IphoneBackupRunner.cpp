// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/IphoneBackupRunner.h"

#include "app/ResultCodes.h"
#include "app/TraceLog.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

namespace {
// The programs' own words, which say why a step failed.
int pairingFailure(const QString& output)
{
    if (output.contains(QLatin1String("because a passcode is set")))
        return IphoneBackupResult::PhoneLocked;
    if (output.contains(QLatin1String("denied the trust dialog")))
        return IphoneBackupResult::TrustDenied;
    if (output.contains(QLatin1String("Please accept the trust dialog"))
        || output.contains(QLatin1String("is not paired with this host")))
        return IphoneBackupResult::NotTrusted;
    return 0;
}
// A phone's output is a few kilobytes; a runaway one is not kept whole.
const int kMaximumKeptOutput = 64 * 1024;
} // namespace

IphoneBackupRunner::IphoneBackupRunner(QObject* parent) : QObject(parent) {}

IphoneBackupRunner::~IphoneBackupRunner()
{
    stopProcess();
}

bool IphoneBackupRunner::isRunning() const
{
    return mStep != Step::Idle;
}

void IphoneBackupRunner::start(const QString& backupRoot)
{
    TraceScope trace("IphoneBackupRunner::start");
    if (isRunning())
        return;
    mBackupRoot = backupRoot;
    mUdid.clear();
    mPhones.clear();
    emit progress(0, tr("Looking for an iPhone"));
    run(Step::List, QStringLiteral("idevice_id"), {QStringLiteral("-l")});
}

void IphoneBackupRunner::backUp(const QString& udid)
{
    TraceScope trace("IphoneBackupRunner::backUp");
    if (mStep == Step::Choose)
        checkTrust(udid);
}

void IphoneBackupRunner::checkTrust(const QString& udid)
{
    mUdid = udid;
    emit progress(0, tr("Checking that the iPhone trusts this computer"));
    run(Step::Validate, QStringLiteral("idevicepair"), {QStringLiteral("-u"), mUdid, QStringLiteral("validate")});
}

void IphoneBackupRunner::cancel()
{
    if (!isRunning())
        return;
    stopProcess();
    end(IphoneBackupResult::Cancelled);
}

void IphoneBackupRunner::stopProcess()
{
    if (!mProcess)
        return;
    mProcess->disconnect(this);
    mProcess->kill();
    mProcess->waitForFinished(1000);
}

void IphoneBackupRunner::run(Step step, const QString& program, const QStringList& arguments)
{
    traceValue("program", program);
    mStep = step;
    mOutput.clear();
    if (mProcess)
        mProcess->deleteLater();
    mProcess = new QProcess(this);
    mProcess->setProcessChannelMode(QProcess::MergedChannels);
    connect(mProcess, &QProcess::readyRead, this, &IphoneBackupRunner::outputArrived);
    connect(mProcess, &QProcess::finished, this, &IphoneBackupRunner::processEnded);
    connect(mProcess, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            programMissing();
    });
    mProcess->start(program, arguments);
}

void IphoneBackupRunner::programMissing()
{
    if (mStep != Step::Name) {
        end(IphoneBackupResult::ProgramMissing);
        return;
    }
    // Without ideviceinfo the phones are told apart by their ids.
    mNamed = int(mPhones.size());
    nameNextPhone();
}

void IphoneBackupRunner::nameNextPhone()
{
    if (mNamed >= mPhones.size()) {
        mStep = Step::Choose;
        emit progress(0, tr("Choose the iPhone to back up"));
        emit choiceNeeded(mPhones);
        return;
    }
    // A simple connection reads the name without asking the phone to trust this computer.
    run(Step::Name, QStringLiteral("ideviceinfo"),
        {QStringLiteral("-s"), QStringLiteral("-u"), mPhones.at(mNamed).udid, QStringLiteral("-k"),
         QStringLiteral("DeviceName")});
}

int IphoneBackupRunner::percentIn(const QString& line)
{
    static const QRegularExpression finished(QStringLiteral("(\\d{1,3})% Finished"));
    const QRegularExpressionMatch match = finished.match(line);
    if (!match.hasMatch())
        return -1;
    return qMin(100, match.captured(1).toInt());
}

void IphoneBackupRunner::outputArrived()
{
    // The progress bar is redrawn with carriage returns, not new lines.
    const QString text = QString::fromUtf8(mProcess->readAll());
    if (mOutput.size() < kMaximumKeptOutput)
        mOutput += text;
    // A phone with encryption on makes an encrypted backup; its password is
    // asked for once the backup is made.
    if (mStep != Step::Backup)
        return;
    const QStringList pieces = text.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    for (const QString& piece : pieces) {
        const int percent = percentIn(piece);
        if (percent >= 0)
            emit progress(percent, tr("Backing up the iPhone"));
    }
}

void IphoneBackupRunner::processEnded()
{
    TraceScope trace("IphoneBackupRunner::processEnded");
    outputArrived();
    const bool succeeded = mProcess->exitStatus() == QProcess::NormalExit && mProcess->exitCode() == 0;
    switch (mStep) {
    case Step::List: {
        for (const QString& line : mOutput.split(QLatin1Char('\n'))) {
            const QString udid = line.trimmed();
            if (!udid.isEmpty())
                mPhones.append({udid, udid});
        }
        if (mPhones.isEmpty() || !succeeded) {
            end(IphoneBackupResult::NoIphone);
            return;
        }
        if (mPhones.size() == 1) {
            checkTrust(mPhones.first().udid);
            return;
        }
        mNamed = 0;
        nameNextPhone();
        return;
    }
    case Step::Name: {
        const QString name = mOutput.section(QLatin1Char('\n'), 0, 0).trimmed();
        if (succeeded && !name.isEmpty())
            mPhones[mNamed].name = name;
        ++mNamed;
        nameNextPhone();
        return;
    }
    case Step::Validate:
    case Step::Pair: {
        const int failure = pairingFailure(mOutput);
        if (succeeded && mOutput.contains(QLatin1String("SUCCESS"))) {
            QDir().mkpath(mBackupRoot);
            emit progress(0, tr("Backing up the iPhone"));
            run(Step::Backup, QStringLiteral("idevicebackup2"),
                {QStringLiteral("-u"), mUdid, QStringLiteral("backup"), QStringLiteral("--full"), mBackupRoot});
        } else if (mStep == Step::Validate && failure == IphoneBackupResult::NotTrusted) {
            // Not paired yet: pairing asks the phone to show its trust question.
            run(Step::Pair, QStringLiteral("idevicepair"), {QStringLiteral("-u"), mUdid, QStringLiteral("pair")});
        } else {
            end(failure != 0 ? failure : IphoneBackupResult::NotTrusted);
        }
        return;
    }
    case Step::Backup:
        if (succeeded && mOutput.contains(QLatin1String("Backup Successful.")))
            end(0);
        else
            end(pairingFailure(mOutput) != 0 ? pairingFailure(mOutput) : IphoneBackupResult::BackupFailed);
        return;
    case Step::Choose:
    case Step::Idle:
        return;
    }
}

void IphoneBackupRunner::end(int result)
{
    if (mStep == Step::Idle)
        return;
    traceReturns(result);
    mStep = Step::Idle;
    const QString folder = result == 0 ? QDir(mBackupRoot).filePath(mUdid) : QString();
    if (result == 0)
        emit progress(100, tr("Backup complete"));
    emit finished(result, folder);
}

QString IphoneBackupRunner::adviceFor(int result)
{
    switch (result) {
    case 0:
        return tr("The iPhone has been backed up.");
    case IphoneBackupResult::ProgramMissing:
        return tr("The iPhone backup programs are missing. Install the package libimobiledevice-utils and try "
                  "again.");
    case IphoneBackupResult::NoIphone:
        return tr("No iPhone was found. Plug the iPhone in with its cable, unlock it and try again.");
    case IphoneBackupResult::PhoneLocked:
        return tr("The iPhone is locked. Unlock it with its passcode, keep it unlocked and try again.");
    case IphoneBackupResult::NotTrusted:
        return tr("The iPhone does not trust this computer yet. Unlock the iPhone, tap \"Trust\" when it asks "
                  "whether to trust this computer, enter the passcode and try again.");
    case IphoneBackupResult::TrustDenied:
        return tr("The iPhone was told not to trust this computer. Unplug it, plug it in again, tap \"Trust\" "
                  "and try again.");
    case IphoneBackupResult::Cancelled:
        return tr("The backup was cancelled.");
    default:
        return tr("The iPhone could not be backed up. Keep it unlocked and plugged in, and try again.");
    }
}

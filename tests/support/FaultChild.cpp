// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/FaultChild.h"

#include <QCoreApplication>
#include <QProcess>

#include <sys/resource.h>

FaultChildEnd runFaultChild(const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    FaultChildEnd end;
    end.finished = child.waitForFinished(120000);
    end.crashed = child.exitStatus() == QProcess::CrashExit;
    // QProcess gives the terminating signal as the exit code of a crash.
    end.signal = end.crashed ? child.exitCode() : 0;
    end.output = child.readAll();
    return end;
}

void leaveNoCoreFile()
{
    const rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/ExternalProgram.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

static bool isRunnable(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

QString findExternalProgram(const QString& relativePath, const QString& commandName)
{
    // Without an application object (at process exit) the executable's folder
    // is read from /proc.
    const QString appFolder = QCoreApplication::instance()
                                  ? QCoreApplication::applicationDirPath()
                                  : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    QString besideApp = appFolder + QLatin1Char('/') + relativePath;
    if (isRunnable(besideApp))
        return besideApp;
    // Installed, the programs Velmora ships for itself live in the package's
    // private folder, not on PATH. It is found relative to bin/ so that an
    // unpacked package (dpkg -x, a relocated prefix) finds its own copies.
    QString inPrivateFolder = QDir::cleanPath(appFolder + QStringLiteral("/../lib/velmora/") + relativePath);
    if (isRunnable(inPrivateFolder))
        return inPrivateFolder;
    QString inWorkingFolder = QDir::current().absoluteFilePath(relativePath);
    if (isRunnable(inWorkingFolder))
        return inWorkingFolder;
    if (commandName.isEmpty())
        return QString();
    return QStandardPaths::findExecutable(commandName);
}

void endWithThisProcess(QProcess& process)
{
    const pid_t parent = ::getpid();
    // Runs in the child between fork and exec: async-signal-safe calls only.
    process.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The parent may have died before the request was made.
        if (::getppid() != parent)
            ::_exit(127);
    });
}

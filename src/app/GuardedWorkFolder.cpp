// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/GuardedWorkFolder.h"

#include <QDir>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

volatile sig_atomic_t gChild = 0;
volatile sig_atomic_t gSignal = 0;

// Async-signal-safe: only kill().
extern "C" void onTerminationSignal(int number)
{
    gSignal = number;
    if (gChild > 0)
        ::kill(-gChild, SIGKILL);
}

void setHandlers(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int number : kSignals)
        ::sigaction(number, &action, nullptr);
}

} // namespace

GuardedWorkFolder::GuardedWorkFolder(const QString& name)
    : mFolder(std::make_unique<QTemporaryDir>(QDir::tempPath() + QLatin1Char('/') + name + QStringLiteral("-XXXXXX")))
{
    if (!mFolder->isValid())
        return;
    const pid_t child = ::fork();
    // Without a child the work still runs here; only a kill leaves the folder.
    if (child < 0)
        return;
    if (child == 0) {
        ::setpgid(0, 0);
        return;
    }
    // Set from both sides, so that the group exists before either goes on.
    ::setpgid(child, child);
    waitAndRemove(child, mFolder->path());
}

GuardedWorkFolder::~GuardedWorkFolder() = default;

bool GuardedWorkFolder::isValid() const
{
    return mFolder->isValid();
}

QString GuardedWorkFolder::path() const
{
    return mFolder->path();
}

QString GuardedWorkFolder::filePath(const QString& name) const
{
    return mFolder->filePath(name);
}

void GuardedWorkFolder::waitAndRemove(int child, const QString& folder)
{
    gChild = child;
    setHandlers(onTerminationSignal);
    // A signal that came between the fork and the handlers.
    if (gSignal != 0)
        ::kill(-child, SIGKILL);
    // Waited for unreaped first: while the child is a zombie its group's
    // number cannot go to another process.
    siginfo_t ended = {};
    while (::waitid(P_PID, id_t(child), &ended, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    // The child's own children may outlive it in its group: none may write on.
    if (gSignal != 0 || ended.si_code != CLD_EXITED)
        ::kill(-child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    QDir(folder).removeRecursively();
    if (gSignal != 0) {
        const int number = gSignal;
        setHandlers(SIG_DFL);
        ::raise(number);
        ::_exit(128 + number);
    }
    ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

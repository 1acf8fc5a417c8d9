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
    // A group of its own is in the terminal's background, where asking for a
    // backup's password would stop the child: the terminal is its group's
    // for the run, and comes back to this one after.
    const bool terminal = ::tcgetpgrp(STDIN_FILENO) == ::getpgrp();
    if (terminal && ::tcsetpgrp(STDIN_FILENO, child) == 0)
        ::kill(-child, SIGCONT); // in case it read the terminal before it was its own
    waitAndRemove(child, mFolder->path(), terminal);
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

void GuardedWorkFolder::waitAndRemove(int child, const QString& folder, bool terminal)
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
    if (terminal) {
        // Taking the terminal back from the background would stop this process.
        sigset_t blocked;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGTTOU);
        ::sigprocmask(SIG_BLOCK, &blocked, nullptr);
        ::tcsetpgrp(STDIN_FILENO, ::getpgrp());
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

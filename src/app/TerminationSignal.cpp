// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/TerminationSignal.h"

#include "app/TraceLog.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only do async-signal-safe work: it writes the signal's
// number into a socket that the event loop watches.
int gSocket[2] = {-1, -1};

extern "C" void onTerminationSignal(int number)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(gSocket[0], &byte, 1);
    errno = savedErrno;
}

void setHandlers(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kSignals)
        ::sigaction(number, &action, nullptr);
}

} // namespace

TerminationSignal::TerminationSignal(QObject* parent) : QObject(parent)
{
    TraceScope trace("TerminationSignal::TerminationSignal");
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSocket) != 0) {
        traceValue("Termination signals not watched, errno", errno);
        return;
    }
    mNotifier = new QSocketNotifier(gSocket[1], QSocketNotifier::Read, this);
    connect(mNotifier, &QSocketNotifier::activated, this, &TerminationSignal::readSignal);
    setHandlers(onTerminationSignal);
}

TerminationSignal::~TerminationSignal()
{
    TraceScope trace("TerminationSignal::~TerminationSignal");
    if (!mNotifier)
        return;
    setHandlers(SIG_DFL);
    delete mNotifier;
    ::close(gSocket[0]);
    ::close(gSocket[1]);
    gSocket[0] = gSocket[1] = -1;
}

void TerminationSignal::readSignal()
{
    TraceScope trace("TerminationSignal::readSignal");
    unsigned char byte = 0;
    if (::read(gSocket[1], &byte, 1) != 1)
        return;
    traceValue("Termination requested by signal", int(byte));
    setHandlers(SIG_DFL);
    emit terminationRequested(int(byte));
}

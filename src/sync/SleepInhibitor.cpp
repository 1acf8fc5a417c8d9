// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/SleepInhibitor.h"

#include "app/TraceLog.h"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

namespace {
const char kService[] = "org.freedesktop.login1";
const char kPath[] = "/org/freedesktop/login1";
const char kInterface[] = "org.freedesktop.login1.Manager";
// How long to wait for logind; a sync must not hang on a sick bus.
constexpr int kCallTimeoutMs = 5000;
} // namespace

SleepInhibitor::SleepInhibitor()
{
    acquire(QDBusConnection::systemBus());
}

SleepInhibitor::SleepInhibitor(const QDBusConnection& bus)
{
    acquire(bus);
}

SleepInhibitor::~SleepInhibitor()
{
    release();
}

void SleepInhibitor::acquire(const QDBusConnection& bus)
{
    TraceScope trace("SleepInhibitor::acquire");
    if (!bus.isConnected()) {
        traceMessage("No system bus - sleep not inhibited");
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                                       QLatin1String(kInterface), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QStringLiteral("Velmora") << QStringLiteral("Synchronizing a phone")
         << QStringLiteral("block");
    // The reply holds its own copy of the descriptor; it lives only in this
    // scope, so once it is gone the duplicate below is the only one left and
    // closing it really ends the lock.
    const QDBusMessage reply = QDBusConnection(bus).call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        traceValue("Sleep not inhibited", reply.errorMessage());
        return;
    }
    const auto descriptor = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().constFirst());
    if (!descriptor.isValid()) {
        traceMessage("Sleep not inhibited - no descriptor");
        return;
    }
    mFd = fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    traceValue("inhibitor fd", mFd);
}

void SleepInhibitor::release()
{
    TraceScope trace("SleepInhibitor::release");
    if (mFd < 0)
        return;
    ::close(mFd);
    mFd = -1;
}

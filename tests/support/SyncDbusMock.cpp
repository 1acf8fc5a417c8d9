// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/SyncDbusMock.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

namespace {
const char kService[] = "org.freedesktop.login1";
int sMockCount = 0;
} // namespace

SyncDbusMock::SyncDbusMock() : mConnectionName(QStringLiteral("velmora-sync-dbusmock-%1").arg(++sMockCount))
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    // dbusmock is a Debian package: use the system's interpreter, which has it.
    const QString python = QStringLiteral("/usr/bin/python3");
    if (daemon.isEmpty() || !QFileInfo::exists(python))
        return;
    mDaemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    if (!mDaemon.waitForStarted(5000) || !mDaemon.waitForReadyRead(5000))
        return;
    mAddress = QString::fromUtf8(mDaemon.readLine()).trimmed();
    if (mAddress.isEmpty())
        return;

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), mAddress);
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), mAddress);
    mMock.setProcessEnvironment(environment);
    mMock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mMock.start(python, {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--session"),
                         QStringLiteral("--template"), QStringLiteral("logind")});
    if (!mMock.waitForStarted(5000))
        return;

    QDBusConnection bus = QDBusConnection::connectToBus(mAddress, mConnectionName);
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && bus.isConnected()) {
        if (bus.interface()->isServiceRegistered(QLatin1String(kService))) {
            mRunning = true;
            return;
        }
        if (mMock.state() == QProcess::NotRunning)
            return;
        QThread::msleep(50);
    }
}

SyncDbusMock::~SyncDbusMock()
{
    QDBusConnection::disconnectFromBus(mConnectionName);
    for (QProcess* process : {&mMock, &mDaemon}) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(5000)) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }
}

QDBusConnection SyncDbusMock::connection() const
{
    return QDBusConnection(mConnectionName);
}

QStringList SyncDbusMock::inhibitors() const
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QLatin1String(kService), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("ListInhibitors"));
    const QDBusMessage reply = connection().call(call, QDBus::Block, 5000);
    QStringList result;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {QStringLiteral("error: ") + reply.errorMessage()};
    const QDBusArgument argument = reply.arguments().constFirst().value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        QString what, who, why, mode;
        uint uid = 0, pid = 0;
        argument.beginStructure();
        argument >> what >> who >> why >> mode >> uid >> pid;
        argument.endStructure();
        result.append(what + QLatin1Char('|') + who + QLatin1Char('|') + why + QLatin1Char('|') + mode);
    }
    argument.endArray();
    return result;
}

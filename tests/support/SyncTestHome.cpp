// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/SyncTestHome.h"

#include "app/Constants.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

SyncTestHome::SyncTestHome()
    : mRoot(mDir.path()), mOldHome(qgetenv("HOME")), mOldSystemBus(qgetenv("DBUS_SYSTEM_BUS_ADDRESS"))
{
    setUp();
}

SyncTestHome::SyncTestHome(const QString& root)
    : mRoot(root), mOldHome(qgetenv("HOME")), mOldSystemBus(qgetenv("DBUS_SYSTEM_BUS_ADDRESS"))
{
    mDir.setAutoRemove(false);
    QDir(mDir.path()).removeRecursively();
    setUp();
}

void SyncTestHome::setUp()
{
    qputenv("HOME", QFile::encodeName(home()));
    QDir().mkpath(home());
    QDir().mkpath(phoneRoot());
    QDir().mkpath(inputFolder());
    // Never talk to the real logind of the machine running the tests.
    if (mOldSystemBus.isEmpty())
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/velmora-test-bus");
}

SyncTestHome::~SyncTestHome()
{
    qputenv("HOME", mOldHome);
}

bool SyncTestHome::isValid() const
{
    return !mRoot.isEmpty() && QDir(mRoot).exists();
}

QString SyncTestHome::home() const
{
    return mRoot + QStringLiteral("/home");
}

QString SyncTestHome::phoneRoot() const
{
    return mRoot + QStringLiteral("/phone/");
}

QString SyncTestHome::phoneFile(const QString& relativePath) const
{
    return phoneRoot() + relativePath;
}

QString SyncTestHome::programFolder() const
{
    return Constants::programFolderPath();
}

QString SyncTestHome::inputFolder() const
{
    return mRoot + QStringLiteral("/input");
}

QString SyncTestHome::diagnosticsFolder() const
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) + QLatin1Char('/')
                           + Constants::diagnosticsFolderName();
    QDir().mkpath(folder);
    return folder;
}

void SyncTestHome::configurePhone(const QStringList& playlists, int podcastSetting, const QStringList& podcasts)
{
    QDir().mkpath(phoneRoot() + Constants::phoneProgramFolder());
    QFile idFile(phoneFile(Constants::phoneUniqueIdFile()));
    if (idFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
        idFile.write(kPhoneId);
    idFile.close();
    SyncSettings settings;
    settings.load();
    settings.setConfig(QString::fromLatin1(kPhoneId), false, podcastSetting, playlists, podcasts,
                       QStringLiteral("Test phone"));
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/DeviceWizard.h"

#include "app/TraceLog.h"
#include "settings/SyncSettings.h"

DeviceWizard::DeviceWizard(LocalMusicLibrary* library, DeviceList* deviceList, QWidget* parent, int mode)
    : QWizard(parent), mSettings(std::make_unique<SyncSettings>()), mLibrary(library), mDeviceList(deviceList)
{
    TraceScope trace("DeviceWizard::DeviceWizard");
    Q_UNUSED(mode);
    setWindowTitle(QStringLiteral("Velmora for Blackberry"));
}

DeviceWizard::~DeviceWizard()
{
    TraceScope trace("DeviceWizard::~DeviceWizard");
}

bool DeviceWizard::syncNow()
{
    TraceScope trace("DeviceWizard::syncNow");
    return mSaveResult == 0;
}

void DeviceWizard::showHelp()
{
    TraceScope trace("DeviceWizard::showHelp");
}

void DeviceWizard::onHelpRequested()
{
    TraceScope trace("DeviceWizard::onHelpRequested");
}

void DeviceWizard::saveSettings(int aExitReason)
{
    TraceScope trace("DeviceWizard::saveSettings");
    Q_UNUSED(aExitReason);
}

void DeviceWizard::pageChanged(int aNewPageId)
{
    TraceScope trace("DeviceWizard::pageChanged");
    doPageChanged(aNewPageId);
}

void DeviceWizard::doPageChanged(int aNewPageId)
{
    TraceScope trace("DeviceWizard::doPageChanged");
    Q_UNUSED(aNewPageId);
}

void DeviceWizard::loadDeviceConfig(const QString& id)
{
    TraceScope trace("DeviceWizard::loadDeviceConfig");
    Q_UNUSED(id);
}

int DeviceWizard::writeDeviceSettings()
{
    TraceScope trace("DeviceWizard::writeDeviceSettings");
    return 0;
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/MDeviceListObserver.h"

#include <QWizardPage>

class DeviceList;
class QListWidget;

// The wizard's last page: the user picks the attached phone to set up. While
// it is the current page it observes the device list, which refreshes itself.
class ConnectDevicePage : public QWizardPage, public MDeviceListObserver
{
    Q_OBJECT
public:
    explicit ConnectDevicePage(DeviceList* deviceList, QWidget* parent = nullptr);

    int nextId() const override;
    bool isComplete() const override;
    bool validatePage() override;
    void DeviceListChanged() override;

    void setActive(bool active) { mActive = active; }
    // What the page tells the user about a phone without the companion app.
    static QString companionAppMissingText();
    // How to import each standard file on the phone.
    static QString importInstructions();

signals:
    // The user chose a phone from the list.
    void deviceSelected();

public slots:
    void selectionChanged();
    void unableToOpenDevice();

private:
    DeviceList* mDeviceList;
    QListWidget* mDeviceListWidget = nullptr;
    bool mComplete = false;
    bool mActive = false;
    bool mUnableToOpenShown = false;
};

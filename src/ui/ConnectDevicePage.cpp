// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/ConnectDevicePage.h"

#include "app/TraceLog.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "ui/ImportHelp.h"
#include "ui/WizardSupport.h"

#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QVBoxLayout>

ConnectDevicePage::ConnectDevicePage(DeviceList* deviceList, QWidget* parent)
    : QWizardPage(parent), mDeviceList(deviceList)
{
    TraceScope trace("ConnectDevicePage::ConnectDevicePage");
    setTitle(QStringLiteral("Phone Setup"));
    applyWizardWatermark(this);
    setFinalPage(true);

    mDeviceListWidget = new QListWidget(this);
    mDeviceListWidget->setObjectName(QStringLiteral("deviceList"));
    mDeviceListWidget->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(newRichTextLabel(
        QStringLiteral("<p>Connect your Android phone to the PC using the USB cable and then select it from the "
                       "list below.</p>"),
        this));
    layout->addWidget(mDeviceListWidget);
    layout->addWidget(
        newRichTextLabel(QStringLiteral("<p>Click ") + helpLink(QStringLiteral("/blog/files/phone_not_detected.html"))
                             + QStringLiteral(" if your phone is connected but is not displayed above.</p>"),
                         this));

    connect(mDeviceListWidget, &QListWidget::itemSelectionChanged, this, &ConnectDevicePage::selectionChanged);
    connect(mDeviceList, &DeviceList::unableToOpenDevice, this, &ConnectDevicePage::unableToOpenDevice);
}

int ConnectDevicePage::nextId() const
{
    TraceScope trace("ConnectDevicePage::nextId");
    return -1;
}

bool ConnectDevicePage::isComplete() const
{
    TraceScope trace("ConnectDevicePage::isComplete");
    return mComplete;
}

void ConnectDevicePage::DeviceListChanged()
{
    TraceScope trace("ConnectDevicePage::DeviceListChanged");
    mComplete = false;
    emit completeChanged();
    // The old row may now stand for another phone: the user chooses again.
    {
        const QSignalBlocker blocker(mDeviceListWidget);
        mDeviceListWidget->clear();
    }
    mDeviceList->SelectDevice(-1);
    const QList<Device*>& devices = mDeviceList->GetDevices();
    for (int index = 0; index < devices.size(); ++index) {
        const QString name = devices.at(index)->FriendlyName();
        traceValue("device index", index);
        traceValue("friendlyName", name);
        mDeviceListWidget->addItem(name);
    }
}

void ConnectDevicePage::selectionChanged()
{
    TraceScope trace("ConnectDevicePage::selectionChanged");
    const int row = mDeviceListWidget->currentRow();
    traceValue("row", row);
    mDeviceList->SelectDevice(row);
    mComplete = row != -1;
    emit completeChanged();
    if (mComplete)
        emit deviceSelected();
}

void ConnectDevicePage::unableToOpenDevice()
{
    TraceScope trace("ConnectDevicePage::unableToOpenDevice");
    if (!mActive || mUnableToOpenShown)
        return;
    mUnableToOpenShown = true;
    QMessageBox::warning(this, QStringLiteral("Unable to Connect to The Device"),
                         QStringLiteral("It has not been possible to connect to the device. Try restarting the "
                                        "device and your PC then try again."),
                         QMessageBox::Ok);
}

QString ConnectDevicePage::companionAppMissingText()
{
    return QStringLiteral(
               "<p>The Velmora app is not on this phone. That is fine: Velmora will put your data into the "
               "phone's <b>Download/Velmora</b> folder as files that the phone's own apps can open, and your "
               "music is synced as usual.</p>")
           + importInstructions();
}

QString ConnectDevicePage::importInstructions()
{
    return QStringLiteral("<p>After the sync, on the phone:</p>")
           + ImportHelp::listHtml(ImportHelp::Contacts | ImportHelp::Calendar | ImportHelp::Messages);
}

bool ConnectDevicePage::validatePage()
{
    TraceScope trace("ConnectDevicePage::validatePage");
    if (!mDeviceList->DeviceIsSelected())
        return true;
    Device* device = mDeviceList->SelectedDevice();
    bool accepted = true;
    if (!device->IsMounted()) {
        traceMessage("Device not mounted");
        showWarningMessage(this, QStringLiteral("<p>It is necessary to enable the USB connection on your phone "
                                                "before synchronizing. Click ")
                                     + helpLink(QStringLiteral("/blog/files/enable_usb.html"))
                                     + QStringLiteral(" for instructions on how to do this.<p>"));
        accepted = false;
    }
    if (accepted && device->isHidden()) {
        // No companion app: the phone still gets everything, as files its
        // own apps import.
        traceMessage("Companion app not found, writing standard files");
        QMessageBox::information(this, QStringLiteral("Velmora App Not Found on the Phone"), companionAppMissingText());
    }
    return accepted;
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QList>
#include <QString>

#include <memory>

class DeviceParent;

// One attached portable device as the listing reports it.
struct MtpRawPhone
{
    int index = 0;   // position in the listing; only traced
    QString vendor;  // the manufacturer string
    QString product; // the description string
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString pnpId;        // what opening the phone needs
    QString friendlyName; // what the user is shown
};

// What the enumeration thread needs from the portable-devices layer: which
// phones are attached, whether a known phone is one of them, and opening one
// into a parent device that holds a device per storage. The thread keeps the
// bookkeeping (locks, seen, added and removed phones); the layer below keeps
// the phone talk, so either can be tested without the other.
class MtpPhoneSource
{
public:
    enum class OpenOutcome {
        Opened,
        UnableToOpen,  // held by another program, or gone meanwhile
        NoStorageList, // opened, but its storages could not be read
    };

    virtual ~MtpPhoneSource() = default;

    // The attached portable devices, mass-storage devices left out.
    virtual QList<MtpRawPhone> listPhones() = 0;
    // Whether known, an MTP parent that openPhone made earlier, has the same
    // vendor, product and ids as phone.
    virtual bool isSamePhone(DeviceParent* known, const MtpRawPhone& phone) = 0;
    // Opens phone and makes its parent with one child per storage (each has
    // read the phone's device information and id). Null, with the reason in
    // outcome, when that fails.
    virtual std::unique_ptr<DeviceParent> openPhone(const MtpRawPhone& phone, OpenOutcome& outcome) = 0;
};

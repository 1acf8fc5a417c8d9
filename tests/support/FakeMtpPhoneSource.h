// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/Device.h"
#include "devices/mtp/MtpPhoneSource.h"

#include <QAtomicInt>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QSemaphore>
#include <QString>

// An MTP storage for tests: a name, and the phone-side app's device
// information when the storage has it. It does no file work.
class FakeMtpDevice : public Device
{
public:
    FakeMtpDevice(const QString& name, const QByteArray& deviceInfo);
    ~FakeMtpDevice() override;
    // Storages made and not yet deleted, to catch lost or leaked phones.
    static int liveCount() { return sLiveCount.loadAcquire(); }

    using Device::createPlaylist;
    int copyFile(const QString&, const QString&, bool) override { return 0; }
    int GetDeviceType() override { return kTypeMtp; }
    void PrepareForSync() override {}
    void FinalizeSync() override {}
    bool IsMounted() override { return true; }
    int UploadTrack(Track&) override { return -1; }
    int DeleteTrack(TrackCache&, Track&) override { return -1; }
    QString UniqueDeviceId() override { return mName; }
    QString FriendlyName() override { return mName; }
    int GetStorageCapacity(qint64& bytes) override;
    int GetFreeStorageSpace(qint64& bytes) override;
    void SetConfigured() override {}
    int createPlaylist(const Playlist&, const TrackList&, bool) override { return 0; }
    void removeOldPlaylists() override {}
    void uploadAlbumArt(const Track&, const QString&) override {}
    void setPcSoftwareVersion(const QString&) override {}

private:
    static QAtomicInt sLiveCount;
    QString mName;
};

// The parent an MTP phone gets when it is opened; it remembers what the
// listing said about the phone so that the source can recognise it.
class FakeMtpParent : public DeviceParent
{
public:
    FakeMtpParent(const QString& vendor, const QString& product);
    int GetDeviceType() override { return Device::kTypeMtp; }

    QString vendor() const { return mVendor; }
    QString product() const { return mProduct; }

private:
    QString mVendor;
    QString mProduct;
};

// One attached phone as the fake listing shows it, and what opening it does.
struct FakeMtpPhone
{
    QString vendor;
    QString product;
    QString pnpId;
    MtpPhoneSource::OpenOutcome outcome = MtpPhoneSource::OpenOutcome::Opened;
    // One storage per entry: its name and its device information (empty
    // when the storage has no "android.xml").
    QList<QPair<QString, QByteArray>> storages;
};

// The portable-devices layer for tests. The attached phones can be changed
// at any time from the test's thread while a pass reads them on its own; a
// gate can hold every listing until the test releases it.
class FakeMtpPhoneSource : public MtpPhoneSource
{
public:
    // A phone with one storage named name that has device information.
    static FakeMtpPhone phone(const QString& vendor, const QString& product, const QString& storageName);

    void setPhones(const QList<FakeMtpPhone>& phones);
    // While closed, listPhones() waits for releaseListing().
    void closeGate();
    void releaseListing();
    // Blocks until a listing is waiting at the closed gate.
    void waitForListingAtGate();

    int listCount() const { return mListCount.loadAcquire(); }
    int openCount() const { return mOpenCount.loadAcquire(); }

    QList<MtpRawPhone> listPhones() override;
    bool isSamePhone(DeviceParent* known, const MtpRawPhone& phone) override;
    std::unique_ptr<DeviceParent> openPhone(const MtpRawPhone& phone, OpenOutcome& outcome) override;

private:
    mutable QMutex mMutex;
    QList<FakeMtpPhone> mPhones;
    bool mGateClosed = false;
    QSemaphore mGate;
    QSemaphore mAtGate;
    QAtomicInt mListCount;
    QAtomicInt mOpenCount;
};

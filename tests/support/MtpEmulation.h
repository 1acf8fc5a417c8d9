// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/mtp/MtpBackend.h"

#include <QByteArray>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <map>

// Phones held in memory, behind the same functions as real ones: for tests,
// and for trying the program without a phone. Make one, make it current
// (ScopedMtpBackend), add phones; the program then lists, opens and fills
// them as it would real ones. Paths given to the test functions are relative
// to a storage root with "/" between the parts; storages are numbered from 0.
// Object ids change with every opening of a phone, as they may on real
// phones, so that stale ids show up as missing objects. Thread-safe.
class MtpEmulation : public MtpBackend
{
public:
    static constexpr quint64 kDefaultCapacity = 16ULL * 1024 * 1024 * 1024;

    MtpEmulation();
    ~MtpEmulation() override;

    // Adds a phone with one storage per description (a null description
    // cannot be read); returns the id that opens it.
    QString addPhone(const QString& manufacturer, const QString& description, const QStringList& storageDescriptions,
                     const QString& friendlyName = QString());
    void removePhone(const QString& pnpId);
    // After sendsBefore more sends the phone is unplugged in the middle of the
    // next one: that send fails, every connection to it is dead, it is not
    // listed. Its files stay for plugIn, which lists it again (to be opened anew).
    void unplugDuringSend(const QString& pnpId, int sendsBefore);
    void plugIn(const QString& pnpId);
    bool isPluggedIn(const QString& pnpId) const;
    // Another program holds the phone: it is listed but cannot be opened.
    void setHeldByOtherProgram(const QString& pnpId, bool held);
    // The phone opens, but its storages cannot be read.
    void setStorageListFails(const QString& pnpId, bool fails);
    // Capacity of a storage; free space is the capacity less the bytes stored.
    void setCapacity(const QString& pnpId, int storage, quint64 capacity);

    bool putFile(const QString& pnpId, int storage, const QString& path, const QByteArray& data);
    bool makeFolder(const QString& pnpId, int storage, const QString& path);
    bool exists(const QString& pnpId, int storage, const QString& path) const;
    // Empty when the file is missing.
    QByteArray readFile(const QString& pnpId, int storage, const QString& path) const;
    // The object kind (QMtpFileInterface), -1 when missing.
    int kind(const QString& pnpId, int storage, const QString& path) const;
    // Names of the objects in a folder ("" is the root), in creation order.
    QStringList list(const QString& pnpId, int storage, const QString& folderPath) const;
    // Names of the objects a playlist object refers to, in order.
    QStringList references(const QString& pnpId, int storage, const QString& path) const;

    // The next count sends fail; with leavePartial each leaves a half-written object behind.
    void failNextSends(const QString& pnpId, int count, bool leavePartial);
    // The phone refuses to delete objects.
    void setRefuseDeletes(const QString& pnpId, bool refuse);
    // The phone's files live in folder from now on, loaded from it when an
    // earlier process left them there, so that they outlast a killed process
    // as a real phone's do. Each change is on disk before the call returns.
    // False when the folder holds files that cannot be read.
    bool keepPhoneIn(const QString& pnpId, const QString& folder);

    // Folder listings asked of the phone, and how often it was opened.
    int listCount(const QString& pnpId) const;
    int openCount(const QString& pnpId) const;
    int sendCount(const QString& pnpId) const;

    QList<QMtpDeviceInfo> listDevices() override;
    std::unique_ptr<MtpConnection> open(const QString& pnpId) override;

private:
    friend class MtpEmulationConnection;

    struct Object
    {
        QString storageId;
        quint64 parent = 0; // 0: the storage root
        QString name;
        int kind = 0;
        QByteArray data;
        QList<quint64> references;
    };
    struct Storage
    {
        QString id;
        QString description;
        quint64 capacity = kDefaultCapacity;
    };
    struct Phone
    {
        QMtpDeviceInfo info;
        QList<Storage> storages;
        std::map<quint64, Object> objects;
        quint64 nextSerial = 1;
        int generation = 0;
        bool held = false;
        bool storageListFails = false;
        int failingSends = 0;
        bool leavePartial = false;
        bool refuseDeletes = false;
        bool unplugged = false;
        int sendsBeforeUnplug = -1;
        int listCount = 0;
        int openCount = 0;
        int sendCount = 0;
        QString keptIn; // empty: held in memory only
    };

    Phone* phone(const QString& pnpId);
    const Phone* phone(const QString& pnpId) const;
    // Serial of the object at path (0 for the root), -1 when missing.
    static qint64 find(const Phone& phone, const QString& storageId, const QString& path);
    static quint64 usedBytes(const Phone& phone, const QString& storageId);
    static bool nameTaken(const Phone& phone, const QString& storageId, quint64 parent, const QString& name);
    static quint64 addObject(Phone& phone, const QString& storageId, quint64 parent, const QString& name, int kind,
                             const QByteArray& data);
    // A phone kept on disk: an object's bytes, then the list of objects
    // naming them, so that a process killed in between leaves the phone as
    // it was before the change.
    static void keepObject(const Phone& phone, quint64 serial);
    static void keepIndex(const Phone& phone);
    static void forgetObject(const Phone& phone, quint64 serial);
    static bool loadKept(Phone& phone);

    mutable QMutex mMutex;
    QMap<QString, Phone> mPhones;
    QStringList mOrder;
    int mNextPhone = 1;
};

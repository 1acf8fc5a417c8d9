// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/MtpEmulation.h"

#include "app/TraceLog.h"
#include "devices/mtp/QMtpFile.h"

#include <QFile>
#include <QMutexLocker>

// One opening of an emulated phone. Its object ids carry the opening's
// number and are refused once the phone has been opened again or removed.
class MtpEmulationConnection : public MtpConnection
{
public:
    MtpEmulationConnection(MtpEmulation* emulation, const QString& pnpId, int generation)
        : mEmulation(emulation), mPnpId(pnpId), mGeneration(generation)
    {
    }

    QStringList deviceChildren() override
    {
        QMutexLocker locker(&mEmulation->mMutex);
        QStringList ids;
        MtpEmulation::Phone* phone = current();
        if (!phone || phone->storageListFails)
            return ids;
        for (const MtpEmulation::Storage& storage : std::as_const(phone->storages))
            ids.append(storage.id);
        return ids;
    }

    bool readStorageInfo(const QString& objectId, QString& description, bool& descriptionRead, quint64& capacity,
                         quint64& freeSpace) override
    {
        QMutexLocker locker(&mEmulation->mMutex);
        MtpEmulation::Phone* phone = current();
        if (!phone)
            return false;
        for (const MtpEmulation::Storage& storage : std::as_const(phone->storages)) {
            if (storage.id != objectId)
                continue;
            descriptionRead = !storage.description.isNull();
            description = storage.description;
            capacity = storage.capacity;
            const quint64 used = MtpEmulation::usedBytes(*phone, storage.id);
            freeSpace = used < storage.capacity ? storage.capacity - used : 0;
            return true;
        }
        return false;
    }

    bool listChildren(const QString& storageId, const QString& folderId, QList<MtpObjectRecord>& objects) override
    {
        QMutexLocker locker(&mEmulation->mMutex);
        MtpEmulation::Phone* phone = current();
        quint64 parent = 0;
        if (!phone || !folder(*phone, storageId, folderId, parent))
            return false;
        ++phone->listCount;
        for (const auto& [serial, object] : phone->objects) {
            if (object.storageId == storageId && object.parent == parent)
                objects.append({idOf(serial), object.name, object.kind, qint64(object.data.size())});
        }
        return true;
    }

    int sendFile(const QString& localPath, const QString& storageId, const QString& folderId, const QString& name,
                 int kind, qint64 size, QString& newId) override
    {
        QFile file(localPath);
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray data = file.readAll();
        QMutexLocker locker(&mEmulation->mMutex);
        MtpEmulation::Phone* phone = current();
        quint64 parent = 0;
        if (!phone || !folder(*phone, storageId, folderId, parent) || name.isEmpty()
            || MtpEmulation::nameTaken(*phone, storageId, parent, name) || size != data.size())
            return -1;
        ++phone->sendCount;
        if (phone->sendsBeforeUnplug == 0) {
            // Pulled out while the file travels: the phone keeps nothing of it.
            phone->sendsBeforeUnplug = -1;
            phone->unplugged = true;
            return -1;
        }
        if (phone->sendsBeforeUnplug > 0)
            --phone->sendsBeforeUnplug;
        if (phone->failingSends > 0) {
            --phone->failingSends;
            if (phone->leavePartial)
                MtpEmulation::addObject(*phone, storageId, parent, name, kind, data.left(data.size() / 2));
            return -1;
        }
        newId = idOf(MtpEmulation::addObject(*phone, storageId, parent, name, kind, data));
        return 0;
    }

    int getFile(const QString& objectId, const QString& localPath) override
    {
        QByteArray data;
        {
            QMutexLocker locker(&mEmulation->mMutex);
            MtpEmulation::Phone* phone = current();
            MtpEmulation::Object* object = phone ? objectFor(*phone, objectId) : nullptr;
            if (!object || object->kind == QMtpFileInterface::kFolder)
                return -1;
            data = object->data;
        }
        QFile file(localPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
            return -1;
        return 0;
    }

    int deleteObject(const QString& objectId) override
    {
        QMutexLocker locker(&mEmulation->mMutex);
        MtpEmulation::Phone* phone = current();
        quint64 serial = 0;
        if (!phone || !serialFor(*phone, objectId, serial))
            return -1;
        if (phone->refuseDeletes)
            return kRefused;
        for (const auto& entry : phone->objects) {
            if (entry.second.parent == serial)
                return kRefused;
        }
        phone->objects.erase(serial);
        MtpEmulation::keepIndex(*phone);
        MtpEmulation::forgetObject(*phone, serial);
        return kDeleted;
    }

    QString createFolder(const QString& name, const QString& folderId, const QString& storageId) override
    {
        QMutexLocker locker(&mEmulation->mMutex);
        MtpEmulation::Phone* phone = current();
        quint64 parent = 0;
        if (!phone || !folder(*phone, storageId, folderId, parent) || name.isEmpty()
            || MtpEmulation::nameTaken(*phone, storageId, parent, name))
            return QString();
        return idOf(MtpEmulation::addObject(*phone, storageId, parent, name, QMtpFileInterface::kFolder, {}));
    }

    int renameObject(const QString& objectId, const QString& newName) override
    {
        QMutexLocker locker(&mEmulation->mMutex);
        MtpEmulation::Phone* phone = current();
        quint64 serial = 0;
        if (!phone || !serialFor(*phone, objectId, serial) || newName.isEmpty())
            return -1;
        MtpEmulation::Object& object = phone->objects.at(serial);
        if (MtpEmulation::nameTaken(*phone, object.storageId, object.parent, newName))
            return -1;
        object.name = newName;
        MtpEmulation::keepIndex(*phone);
        return 0;
    }

    int setReferences(const QString& objectId, const QStringList& ids) override
    {
        QMutexLocker locker(&mEmulation->mMutex);
        MtpEmulation::Phone* phone = current();
        MtpEmulation::Object* object = phone ? objectFor(*phone, objectId) : nullptr;
        if (!object)
            return -1;
        QList<quint64> references;
        for (const QString& id : ids) {
            quint64 serial = 0;
            if (!serialFor(*phone, id, serial))
                return -1;
            references.append(serial);
        }
        object->references = references;
        MtpEmulation::keepIndex(*phone);
        return 0;
    }

private:
    MtpEmulation::Phone* current()
    {
        MtpEmulation::Phone* phone = mEmulation->phone(mPnpId);
        return phone && !phone->unplugged && phone->generation == mGeneration ? phone : nullptr;
    }

    QString idOf(quint64 serial) const
    {
        return QString::number(mGeneration) + QLatin1Char('.') + QString::number(serial);
    }

    bool serialFor(const MtpEmulation::Phone& phone, const QString& id, quint64& serial) const
    {
        const int dot = id.indexOf(QLatin1Char('.'));
        bool ok = false;
        if (dot < 0 || id.left(dot) != QString::number(mGeneration))
            return false;
        serial = id.mid(dot + 1).toULongLong(&ok);
        return ok && phone.objects.count(serial) == 1;
    }

    MtpEmulation::Object* objectFor(MtpEmulation::Phone& phone, const QString& id) const
    {
        quint64 serial = 0;
        return serialFor(phone, id, serial) ? &phone.objects.at(serial) : nullptr;
    }

    // The folder named by folderId in the storage: the root or a folder object.
    bool folder(const MtpEmulation::Phone& phone, const QString& storageId, const QString& folderId,
                quint64& parent) const
    {
        bool known = false;
        for (const MtpEmulation::Storage& storage : phone.storages)
            known = known || storage.id == storageId;
        if (!known)
            return false;
        if (folderId == storageId) {
            parent = 0;
            return true;
        }
        if (!serialFor(phone, folderId, parent))
            return false;
        const MtpEmulation::Object& object = phone.objects.at(parent);
        return object.storageId == storageId && object.kind == QMtpFileInterface::kFolder;
    }

    MtpEmulation* mEmulation;
    QString mPnpId;
    int mGeneration;
};

MtpEmulation::MtpEmulation() = default;

MtpEmulation::~MtpEmulation() = default;

MtpEmulation::Phone* MtpEmulation::phone(const QString& pnpId)
{
    const auto it = mPhones.find(pnpId);
    return it == mPhones.end() ? nullptr : &it.value();
}

const MtpEmulation::Phone* MtpEmulation::phone(const QString& pnpId) const
{
    const auto it = mPhones.constFind(pnpId);
    return it == mPhones.constEnd() ? nullptr : &it.value();
}

QString MtpEmulation::addPhone(const QString& manufacturer, const QString& description,
                               const QStringList& storageDescriptions, const QString& friendlyName)
{
    TraceScope trace("MtpEmulation::addPhone");
    QMutexLocker locker(&mMutex);
    Phone phone;
    phone.info.manufacturer = manufacturer;
    phone.info.description = description;
    phone.info.pnpId = QStringLiteral("emulated:%1").arg(mNextPhone++);
    phone.info.friendlyName = friendlyName;
    for (int i = 0; i < storageDescriptions.size(); ++i)
        phone.storages.append({QStringLiteral("s%1").arg(i + 1), storageDescriptions.at(i), kDefaultCapacity});
    mPhones.insert(phone.info.pnpId, phone);
    mOrder.append(phone.info.pnpId);
    return phone.info.pnpId;
}

void MtpEmulation::removePhone(const QString& pnpId)
{
    TraceScope trace("MtpEmulation::removePhone");
    QMutexLocker locker(&mMutex);
    mPhones.remove(pnpId);
    mOrder.removeAll(pnpId);
}

void MtpEmulation::unplugDuringSend(const QString& pnpId, int sendsBefore)
{
    QMutexLocker locker(&mMutex);
    if (Phone* p = phone(pnpId))
        p->sendsBeforeUnplug = sendsBefore;
}

void MtpEmulation::plugIn(const QString& pnpId)
{
    QMutexLocker locker(&mMutex);
    if (Phone* p = phone(pnpId))
        p->unplugged = false;
}

bool MtpEmulation::isPluggedIn(const QString& pnpId) const
{
    QMutexLocker locker(&mMutex);
    const Phone* p = phone(pnpId);
    return p && !p->unplugged;
}

void MtpEmulation::setHeldByOtherProgram(const QString& pnpId, bool held)
{
    QMutexLocker locker(&mMutex);
    if (Phone* p = phone(pnpId))
        p->held = held;
}

void MtpEmulation::setStorageListFails(const QString& pnpId, bool fails)
{
    QMutexLocker locker(&mMutex);
    if (Phone* p = phone(pnpId))
        p->storageListFails = fails;
}

void MtpEmulation::setCapacity(const QString& pnpId, int storage, quint64 capacity)
{
    QMutexLocker locker(&mMutex);
    Phone* p = phone(pnpId);
    if (p && storage >= 0 && storage < p->storages.size())
        p->storages[storage].capacity = capacity;
}

void MtpEmulation::failNextSends(const QString& pnpId, int count, bool leavePartial)
{
    QMutexLocker locker(&mMutex);
    if (Phone* p = phone(pnpId)) {
        p->failingSends = count;
        p->leavePartial = leavePartial;
    }
}

void MtpEmulation::setRefuseDeletes(const QString& pnpId, bool refuse)
{
    QMutexLocker locker(&mMutex);
    if (Phone* p = phone(pnpId))
        p->refuseDeletes = refuse;
}

int MtpEmulation::listCount(const QString& pnpId) const
{
    QMutexLocker locker(&mMutex);
    const Phone* p = phone(pnpId);
    return p ? p->listCount : 0;
}

int MtpEmulation::openCount(const QString& pnpId) const
{
    QMutexLocker locker(&mMutex);
    const Phone* p = phone(pnpId);
    return p ? p->openCount : 0;
}

int MtpEmulation::sendCount(const QString& pnpId) const
{
    QMutexLocker locker(&mMutex);
    const Phone* p = phone(pnpId);
    return p ? p->sendCount : 0;
}

qint64 MtpEmulation::find(const Phone& phone, const QString& storageId, const QString& path)
{
    quint64 parent = 0;
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size(); ++i) {
        qint64 found = -1;
        for (const auto& [serial, object] : phone.objects) {
            if (object.storageId != storageId || object.parent != parent || object.name != parts.at(i))
                continue;
            // Only a folder can hold the next part.
            if (i + 1 < parts.size() && object.kind != QMtpFileInterface::kFolder)
                continue;
            found = qint64(serial);
            break;
        }
        if (found < 0)
            return -1;
        parent = quint64(found);
    }
    return qint64(parent);
}

quint64 MtpEmulation::usedBytes(const Phone& phone, const QString& storageId)
{
    quint64 used = 0;
    for (const auto& entry : phone.objects) {
        if (entry.second.storageId == storageId)
            used += quint64(entry.second.data.size());
    }
    return used;
}

bool MtpEmulation::nameTaken(const Phone& phone, const QString& storageId, quint64 parent, const QString& name)
{
    for (const auto& entry : phone.objects) {
        if (entry.second.storageId == storageId && entry.second.parent == parent && entry.second.name == name)
            return true;
    }
    return false;
}

quint64 MtpEmulation::addObject(Phone& phone, const QString& storageId, quint64 parent, const QString& name, int kind,
                                const QByteArray& data)
{
    const quint64 serial = phone.nextSerial++;
    phone.objects[serial] = Object{storageId, parent, name, kind, data, {}};
    keepObject(phone, serial);
    keepIndex(phone);
    return serial;
}

bool MtpEmulation::makeFolder(const QString& pnpId, int storage, const QString& path)
{
    QMutexLocker locker(&mMutex);
    Phone* p = phone(pnpId);
    if (!p || storage < 0 || storage >= p->storages.size())
        return false;
    const QString storageId = p->storages.at(storage).id;
    quint64 parent = 0;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        qint64 found = -1;
        for (const auto& [serial, object] : p->objects) {
            if (object.storageId == storageId && object.parent == parent && object.name == part
                && object.kind == QMtpFileInterface::kFolder) {
                found = qint64(serial);
                break;
            }
        }
        parent = found >= 0 ? quint64(found) : addObject(*p, storageId, parent, part, QMtpFileInterface::kFolder, {});
    }
    return true;
}

bool MtpEmulation::putFile(const QString& pnpId, int storage, const QString& path, const QByteArray& data)
{
    TraceScope trace("MtpEmulation::putFile");
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folderPath = slash < 0 ? QString() : path.left(slash);
    const QString name = path.mid(slash + 1);
    if (name.isEmpty() || !makeFolder(pnpId, storage, folderPath))
        return false;
    QMutexLocker locker(&mMutex);
    Phone* p = phone(pnpId);
    const QString storageId = p->storages.at(storage).id;
    const quint64 parent = quint64(find(*p, storageId, folderPath));
    for (auto& entry : p->objects) {
        Object& object = entry.second;
        if (object.storageId == storageId && object.parent == parent && object.name == name
            && object.kind != QMtpFileInterface::kFolder) {
            object.data = data;
            keepObject(*p, entry.first);
            keepIndex(*p);
            return true;
        }
    }
    const int kind =
        name.endsWith(QStringLiteral(".m3u")) ? QMtpFileInterface::kPlaylist : QMtpFileInterface::kDocument;
    addObject(*p, storageId, parent, name, kind, data);
    return true;
}

bool MtpEmulation::exists(const QString& pnpId, int storage, const QString& path) const
{
    return kind(pnpId, storage, path) >= 0;
}

QByteArray MtpEmulation::readFile(const QString& pnpId, int storage, const QString& path) const
{
    QMutexLocker locker(&mMutex);
    const Phone* p = phone(pnpId);
    if (!p || storage < 0 || storage >= p->storages.size())
        return QByteArray();
    const qint64 serial = find(*p, p->storages.at(storage).id, path);
    return serial > 0 ? p->objects.at(quint64(serial)).data : QByteArray();
}

int MtpEmulation::kind(const QString& pnpId, int storage, const QString& path) const
{
    QMutexLocker locker(&mMutex);
    const Phone* p = phone(pnpId);
    if (!p || storage < 0 || storage >= p->storages.size())
        return -1;
    const qint64 serial = find(*p, p->storages.at(storage).id, path);
    if (serial < 0)
        return -1;
    return serial == 0 ? QMtpFileInterface::kFolder : p->objects.at(quint64(serial)).kind;
}

QStringList MtpEmulation::list(const QString& pnpId, int storage, const QString& folderPath) const
{
    QMutexLocker locker(&mMutex);
    QStringList names;
    const Phone* p = phone(pnpId);
    if (!p || storage < 0 || storage >= p->storages.size())
        return names;
    const QString storageId = p->storages.at(storage).id;
    const qint64 parent = find(*p, storageId, folderPath);
    if (parent < 0)
        return names;
    for (const auto& entry : p->objects) {
        if (entry.second.storageId == storageId && entry.second.parent == quint64(parent))
            names.append(entry.second.name);
    }
    return names;
}

QStringList MtpEmulation::references(const QString& pnpId, int storage, const QString& path) const
{
    QMutexLocker locker(&mMutex);
    QStringList names;
    const Phone* p = phone(pnpId);
    if (!p || storage < 0 || storage >= p->storages.size())
        return names;
    const qint64 serial = find(*p, p->storages.at(storage).id, path);
    if (serial <= 0)
        return names;
    for (quint64 reference : p->objects.at(quint64(serial)).references) {
        const auto it = p->objects.find(reference);
        names.append(it == p->objects.end() ? QString() : it->second.name);
    }
    return names;
}

QList<QMtpDeviceInfo> MtpEmulation::listDevices()
{
    TraceScope trace("MtpEmulation::listDevices");
    QMutexLocker locker(&mMutex);
    QList<QMtpDeviceInfo> infos;
    for (const QString& pnpId : std::as_const(mOrder)) {
        if (!mPhones.value(pnpId).unplugged)
            infos.append(mPhones.value(pnpId).info);
    }
    return infos;
}

std::unique_ptr<MtpConnection> MtpEmulation::open(const QString& pnpId)
{
    TraceScope trace("MtpEmulation::open");
    QMutexLocker locker(&mMutex);
    Phone* p = phone(pnpId);
    if (!p || p->held || p->unplugged)
        return nullptr;
    ++p->openCount;
    ++p->generation;
    return std::make_unique<MtpEmulationConnection>(this, pnpId, p->generation);
}

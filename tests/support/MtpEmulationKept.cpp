// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// An emulated phone whose files live in a folder: "objects" names every
// object with its place, kind, size and references; "data/<serial>" holds
// an object's bytes.
#include "support/MtpEmulation.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QMutexLocker>

#include <cstdio>

namespace {

constexpr quint32 kIndexMagic = 0x4b4d5450; // "KMTP"

QString indexPath(const QString& folder)
{
    return folder + QStringLiteral("/objects");
}

QString dataPath(const QString& folder, quint64 serial)
{
    return folder + QStringLiteral("/data/") + QString::number(serial);
}

// A failed write would make the emulation differ from what the test thinks
// the phone holds; that is a broken test set-up, not a case to go on with.
// The new file is renamed over the old: a process killed in the middle
// leaves one or the other whole. (Not synced to disk: the emulation has to
// outlast a killed process, not a power cut.)
void writeWhole(const QString& path, const QByteArray& bytes)
{
    const QString temporary = path + QStringLiteral(".new");
    QFile file(temporary);
    bool written =
        file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() && file.flush();
    file.close();
    written =
        written && std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0;
    if (!written)
        qFatal("emulated phone: cannot write %s", qPrintable(path));
}

} // namespace

bool MtpEmulation::keepPhoneIn(const QString& pnpId, const QString& folder)
{
    QMutexLocker locker(&mMutex);
    Phone* p = phone(pnpId);
    if (!p || !QDir().mkpath(folder + QStringLiteral("/data")))
        return false;
    p->keptIn = folder;
    if (QFile::exists(indexPath(folder)))
        return loadKept(*p);
    for (const auto& entry : p->objects)
        keepObject(*p, entry.first);
    keepIndex(*p);
    return true;
}

void MtpEmulation::keepObject(const Phone& phone, quint64 serial)
{
    if (!phone.keptIn.isEmpty())
        writeWhole(dataPath(phone.keptIn, serial), phone.objects.at(serial).data);
}

void MtpEmulation::keepIndex(const Phone& phone)
{
    if (phone.keptIn.isEmpty())
        return;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kIndexMagic << phone.nextSerial << quint64(phone.objects.size());
    for (const auto& [serial, object] : phone.objects) {
        out << serial << object.storageId << object.parent << object.name << qint32(object.kind)
            << qint64(object.data.size()) << object.references;
    }
    writeWhole(indexPath(phone.keptIn), bytes);
}

void MtpEmulation::forgetObject(const Phone& phone, quint64 serial)
{
    if (!phone.keptIn.isEmpty())
        QFile::remove(dataPath(phone.keptIn, serial));
}

bool MtpEmulation::loadKept(Phone& phone)
{
    QFile index(indexPath(phone.keptIn));
    if (!index.open(QIODevice::ReadOnly))
        return false;
    QDataStream in(&index);
    quint32 magic = 0;
    quint64 nextSerial = 0;
    quint64 count = 0;
    in >> magic >> nextSerial >> count;
    if (in.status() != QDataStream::Ok || magic != kIndexMagic)
        return false;
    std::map<quint64, Object> objects;
    for (quint64 i = 0; i < count; ++i) {
        quint64 serial = 0;
        Object object;
        qint32 kind = 0;
        qint64 size = 0;
        in >> serial >> object.storageId >> object.parent >> object.name >> kind >> size >> object.references;
        if (in.status() != QDataStream::Ok)
            return false;
        object.kind = kind;
        QFile data(dataPath(phone.keptIn, serial));
        if (!data.open(QIODevice::ReadOnly) || data.size() != size)
            return false;
        object.data = data.readAll();
        objects[serial] = object;
    }
    phone.objects = std::move(objects);
    phone.nextSerial = nextSerial;
    return true;
}

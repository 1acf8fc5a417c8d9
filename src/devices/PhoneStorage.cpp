// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/PhoneStorage.h"

#include "app/TraceLog.h"

#include <QFile>

PhoneStorage::LocalCopy::~LocalCopy()
{
    if (mTemporary)
        QFile::remove(mPath);
}

void PhoneStorage::LocalCopy::set(const QString& path, bool temporary)
{
    if (mTemporary && path != mPath)
        QFile::remove(mPath);
    mPath = path;
    mTemporary = temporary;
}

bool PhoneStorage::read(const QString& path, QByteArray& data, qint64 maxBytes)
{
    TraceScope trace("PhoneStorage::read");
    LocalCopy copy;
    if (!get(path, copy))
        return false;
    QFile file(copy.path());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    data = file.read(maxBytes);
    return true;
}

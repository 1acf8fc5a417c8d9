// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>
#include <QtGlobal>

class QMtpDevice;

// One storage of a portable device with its size figures. Copies are
// independent values that point at the same device, which must outlive them.
class QMtpDeviceStorage
{
public:
    // Reads the storage's figures at once.
    QMtpDeviceStorage(QMtpDevice* device, const QString& id);

    QString Id() const;
    quint64 capacity() const { return mCapacity; }
    quint64 freeSpace() const { return mFreeSpace; }
    QString description() const { return mDescription; }
    QMtpDevice* device() const { return mDevice; }
    // Reads capacity, free space and description again.
    void refresh();

private:
    quint64 mCapacity = 0;
    quint64 mFreeSpace = 0;
    QString mDescription;
    QMtpDevice* mDevice;
    QString mId;
};

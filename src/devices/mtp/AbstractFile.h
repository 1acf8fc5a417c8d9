// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

// A file on a phone, addressed by its path there, that the device code tests,
// removes, uploads to and reads or writes through a local copy.
class AbstractFile
{
public:
    virtual ~AbstractFile() = default;

    virtual bool exists(const QString& aPath) = 0;
    virtual bool remove(const QString& aPath) = 0;
    // Uploads a local file to a path on the phone, creating its folders.
    virtual bool copy(const QString& aSourcePath, const QString& aTargetPath, int retries, int type) = 0;
    virtual bool mkpath(const QString& path) = 0;
    virtual bool open(QIODevice::OpenMode mode) = 0;
    // Sends what was written to the phone.
    virtual bool close() = 0;
    virtual QByteArray readAll() = 0;
    virtual bool write(const QByteArray& data) = 0;
};

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "devices/mtp/AbstractFile.h"

#include <QString>

#include <memory>

class DeviceMtpMac;
class QFile;

// A file on an MTP storage. Reading and writing go through a temporary local
// copy in the program folder ("temp" and a number), fetched from the phone by
// open and sent back by close when the file was opened for writing.
class MtpFile : public AbstractFile
{
public:
    MtpFile(DeviceMtpMac* device, const QString& path);
    // An open file is discarded, not sent: owners close files they wrote.
    ~MtpFile() override;
    MtpFile(const MtpFile&) = delete;
    MtpFile& operator=(const MtpFile&) = delete;

    bool exists(const QString& aPath) override;
    bool remove(const QString& aPath) override;
    bool copy(const QString& aSourcePath, const QString& aTargetPath, int retries, int type) override;
    bool mkpath(const QString& path) override;
    bool open(QIODevice::OpenMode mode) override;
    bool close() override;
    QByteArray readAll() override;
    // At most maxBytes from the start of the open file.
    QByteArray read(qint64 maxBytes);
    bool write(const QByteArray& data) override;

    QString localPath() const { return mLocalPath; }

private:
    void discardLocalFile();

    QIODevice::OpenMode mOpenMode;
    QString mLocalPath;
    QString mPath;
    DeviceMtpMac* mDevice;
    std::unique_ptr<QFile> mLocalFile;
};

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>

// What an encrypted backup's Manifest.db keeps of one file in its "file"
// column: an archived MBFile object (a binary property list written by
// NSKeyedArchiver) with the file's wrapped key, protection class and size.
struct MbFileRecord
{
    QByteArray wrappedKey; // EncryptionKey without its four-byte class prefix
    quint32 protectionClass = 0;
    qint64 size = -1;

    // False when the bytes are no archived MBFile; reads any bytes safely.
    bool read(const QByteArray& archived);
};

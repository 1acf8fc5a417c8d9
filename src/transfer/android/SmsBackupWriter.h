// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"
#include "transfer/DataSinks.h"
#include "transfer/android/BufferedSaveFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <memory>

class ContactNames;
class QTemporaryFile;

// Writes the messages as the "sms-<time>.xml" file of the SMS Backup &
// Restore app: one "sms" element per message in date order, with the
// direction, the read flag, the dates in milliseconds and the name of the
// matching contact.
//
// The file opens with the number of messages and lists them by date, while
// the backups yield them in their own order and the contacts may come after
// the messages: each message is composed as it arrives into a spill file
// beside the output, and the file is put together by finish(). Messages that
// arrive in date order are copied straight through; otherwise an index of 24
// bytes a message is sorted. The text of the messages is never held in memory.
class SmsBackupWriter : public MessageSink
{
public:
    SmsBackupWriter();
    ~SmsBackupWriter() override;
    Q_DISABLE_COPY_MOVE(SmsBackupWriter)

    // The file name for a conversion at this time: "sms-yyyyMMddhhmmss.xml".
    static QString fileName(const QDateTime& conversionTime);

    [[nodiscard]] int open(const QString& path); // 0 or DataResult::FileCannotWrite
    void add(const MessageEntry& message) override;
    // names gives "contact_name" ("(Unknown)" when it has none, or is null).
    [[nodiscard]] int finish(const ContactNames* names); // 0 or DataResult::FileCannotWrite
    int count() const { return mCount; }

    // The attribute text of value: UTF-8 with the XML entities, line breaks
    // and tabs as character references (a parser would turn them into
    // blanks), and what XML cannot hold dropped.
    static void appendAttribute(QByteArray& out, QStringView value);

private:
    struct Spilled;
    [[nodiscard]] bool copyInOrder(const ContactNames* names);
    [[nodiscard]] bool copySorted(const ContactNames* names);
    void appendMessage(const QByteArray& address, const QByteArray& line, const ContactNames* names);

    std::unique_ptr<QTemporaryFile> mSpill;
    QByteArray mSpillText;
    BufferedSaveFile mOutput;
    QHash<QByteArray, QByteArray> mNameCache; // address to escaped name
    qint64 mLastDate = 0;
    int mCount = 0;
    bool mInOrder = true;
    bool mFailed = false;
};

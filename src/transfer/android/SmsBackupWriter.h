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
// Restore app: one "sms" element per message in date order (an "mms" one
// for a message with attachments or of a group chat), with the
// direction, the read flag, the dates in milliseconds and the name of the
// matching contact.
//
// The file opens with the number of messages and lists them by date, while
// the backups yield them in their own order and the contacts may come after
// the messages: each message is composed as it arrives into a spill file
// beside the output, and the file is put together by finish(). Messages that
// arrive in date order are copied straight through; otherwise an index of 40
// bytes a message is sorted (stably: messages of the same millisecond keep
// their order). The text of the messages is never held in memory, and the
// attachments' bytes go from their files into the output in pieces.
class SmsBackupWriter : public MessageSink
{
public:
    SmsBackupWriter();
    ~SmsBackupWriter() override;
    Q_DISABLE_COPY_MOVE(SmsBackupWriter)

    // The file name for a conversion at this time: "sms-yyyyMMddhhmmss.xml".
    static QString fileName(const QDateTime& conversionTime);

    // Removes the messages files this writer made earlier in folder, but for
    // keptName: an import would read every message of each. Files of the
    // same name pattern that another app wrote stay. Returns how many went.
    static int removeEarlierFiles(const QString& folder, const QString& keptName);
    // Whether name is one this writer gives its files ("sms-" and 14 digits), and not keptName.
    static bool isEarlierFileName(const QString& name, const QString& keptName);

    [[nodiscard]] int open(const QString& path); // 0 or DataResult::FileCannotWrite
    void add(const MessageEntry& message) override;
    // names gives "contact_name" ("(Unknown)" when it has none, or is null).
    [[nodiscard]] int finish(const ContactNames* names); // 0 or DataResult::FileCannotWrite
    int count() const { return mCount; }
    // Of those, the messages with attachments; the attachments carried, and
    // those only named because the backup lacks them or they are too large.
    int multimediaCount() const { return mMultimedia; }
    int attachmentCount() const { return mAttachments; }
    int missingAttachmentCount() const { return mAttachmentsMissing; }

    // The attribute text of value: UTF-8 with the XML entities, line breaks
    // and tabs as character references (a parser would turn them into
    // blanks), and what XML cannot hold dropped.
    static void appendAttribute(QByteArray& out, QStringView value);

private:
    struct Spilled;
    [[nodiscard]] bool copyInOrder(const ContactNames* names);
    [[nodiscard]] bool copySorted(const ContactNames* names);
    [[nodiscard]] bool appendMessage(const QByteArray& address, const QByteArray& line, const char* tail,
                                     qsizetype tailLength, const ContactNames* names);
    QByteArray escapedNameFor(const QByteArray& address, const ContactNames* names) const;

    std::unique_ptr<QTemporaryFile> mSpill;
    QByteArray mSpillText;
    BufferedSaveFile mOutput;
    QHash<QByteArray, QByteArray> mNameCache; // address to escaped name
    qint64 mLastDate = 0;
    int mCount = 0;
    int mMultimedia = 0;
    int mAttachments = 0;
    int mAttachmentsMissing = 0;
    bool mInOrder = true;
    bool mFailed = false;
};

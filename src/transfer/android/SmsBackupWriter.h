// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"
#include "transfer/DataSinks.h"
#include "transfer/android/BufferedSaveFile.h"
#include "transfer/android/DateOrderedSpill.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

class ContactNames;

// Writes the messages as the "sms-<time>.xml" file of the SMS Backup &
// Restore app: one "sms" element per message in date order (an "mms" one
// for a message with attachments or of a group chat), with the
// direction, the read flag, the dates in milliseconds and the name of the
// matching contact.
//
// The file opens with the number of messages and lists them by date, while
// the backups yield them in their own order and the contacts may come after
// the messages: each message is composed as it arrives into a spill file
// beside the output (DateOrderedSpill), and the file is put together by
// finish(). The text of the messages is never held in memory, and the
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
    // The messages written by the last finish(); until then, those added.
    int count() const { return mSpill.isOpen() ? mSpill.count() : mCount; }
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
    [[nodiscard]] bool appendMessage(QByteArrayView address, QByteArrayView line, QByteArrayView tail,
                                     const ContactNames* names);
    QByteArray escapedNameFor(const QByteArray& address, const ContactNames* names) const;

    DateOrderedSpill mSpill;
    BufferedSaveFile mOutput;
    QHash<QByteArray, QByteArray> mNameCache; // address to escaped name
    int mCount = 0;
    int mMultimedia = 0;
    int mAttachments = 0;
    int mAttachmentsMissing = 0;
};

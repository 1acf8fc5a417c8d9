// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/DataSinks.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>

class CallLogWriter;
class ContactNames;
class IcsWriter;
class NoteFileWriter;
class SmsBackupWriter;
class VCardWriter;

// The standard files of one conversion, side by side in one folder:
// "contacts.vcf", "calendar.ics" and "sms-<time>.xml", each only when its
// kind was chosen. The messages file names the senders from the backup's own
// contacts, which are read for it even when they are not chosen.
class StandardFileSet
{
public:
    struct Wanted
    {
        bool contacts = false;
        bool messages = false;
        bool calendar = false;
        bool calls = false;
        bool notes = false;
    };
    struct Written
    {
        QString path; // empty when not written
        int code = 0;
        int count = -1;
        // Messages only: those with attachments, the attachments carried and
        // those the backup lacked (or too large to carry).
        int multimedia = 0;
        int attachments = 0;
        int missingAttachments = 0;
        // Calendar only: entries without a start date, which no file can hold.
        int leftOut = 0;
        // Notes only: the files written, relative to the folder.
        QStringList files;
    };

    StandardFileSet(const QString& folder, const Wanted& wanted, const QDateTime& conversionTime);
    ~StandardFileSet();
    Q_DISABLE_COPY_MOVE(StandardFileSet)

    // The sinks to hand to a conversion; they open their files when it
    // announces that the output folder is ready.
    StandardSinks sinks(bool korvaFiles);

    // Puts the files in place. readCodes are the results of reading each
    // kind from the backup, which a file keeps as its own code: a damaged
    // database's file is written with what could be read, while a read that
    // got nothing leaves an earlier file of that name as it was.
    Written finishContacts(int readCode);
    Written finishMessages(int readCode);
    Written finishCalendar(int readCode);
    // "calls-<time>.xml", and the notes under "Notes/".
    Written finishCalls(int readCode);
    Written finishNotes(int readCode);

private:
    void open();

    QString mFolder;
    Wanted mWanted;
    QDateTime mTime;
    std::unique_ptr<VCardWriter> mVcard;
    std::unique_ptr<ContactNames> mNames;
    std::unique_ptr<SmsBackupWriter> mSms;
    std::unique_ptr<IcsWriter> mIcs;
    std::unique_ptr<CallLogWriter> mCalls;
    std::unique_ptr<NoteFileWriter> mNotes;
    std::unique_ptr<FanOutSink<ContactRecord>> mContacts;
    bool mOpened = false;
    int mVcardOpenCode = 0;
    int mSmsOpenCode = 0;
    int mIcsOpenCode = 0;
    int mCallsOpenCode = 0;
};

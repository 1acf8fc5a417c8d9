// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/StandardFileSet.h"

#include "app/Constants.h"
#include "app/TraceLog.h"
#include "transfer/android/CallLogWriter.h"
#include "transfer/android/ContactNames.h"
#include "transfer/android/IcsWriter.h"
#include "transfer/android/NoteFileWriter.h"
#include "transfer/android/SmsBackupWriter.h"
#include "transfer/android/VCardWriter.h"

#include <QDir>

StandardFileSet::StandardFileSet(const QString& folder, const Wanted& wanted, const QDateTime& conversionTime)
    : mFolder(folder), mWanted(wanted), mTime(conversionTime)
{
    if (wanted.contacts)
        mVcard = std::make_unique<VCardWriter>();
    // The messages and the calls both name the other party from the contacts.
    if (wanted.messages || wanted.calls)
        mNames = std::make_unique<ContactNames>();
    if (wanted.messages)
        mSms = std::make_unique<SmsBackupWriter>();
    if (wanted.calls)
        mCalls = std::make_unique<CallLogWriter>();
    if (wanted.notes)
        mNotes = std::make_unique<NoteFileWriter>(QDir(folder).filePath(Constants::notesFolderName()));
    if (wanted.calendar)
        mIcs = std::make_unique<IcsWriter>(conversionTime);
    if (mVcard || mNames)
        mContacts = std::make_unique<FanOutSink<ContactRecord>>(QList<ContactSink*>{mVcard.get(), mNames.get()});
}

StandardFileSet::~StandardFileSet() = default;

StandardSinks StandardFileSet::sinks(bool korvaFiles)
{
    StandardSinks sinks;
    sinks.korvaFiles = korvaFiles;
    sinks.contacts = mContacts.get();
    sinks.messages = mSms.get();
    sinks.calendar = mIcs.get();
    sinks.calls = mCalls.get();
    sinks.notes = mNotes.get();
    sinks.outputReady = [this] { open(); };
    return sinks;
}

void StandardFileSet::open()
{
    TraceScope trace("StandardFileSet::open");
    if (mOpened)
        return;
    mOpened = true;
    QDir().mkpath(mFolder);
    const QDir folder(mFolder);
    if (mVcard)
        mVcardOpenCode = mVcard->open(folder.filePath(Constants::contactsVcardFileName()));
    if (mSms)
        mSmsOpenCode = mSms->open(folder.filePath(SmsBackupWriter::fileName(mTime)));
    if (mIcs)
        mIcsOpenCode = mIcs->open(folder.filePath(Constants::calendarIcsFileName()));
    if (mCalls)
        mCallsOpenCode = mCalls->open(folder.filePath(CallLogWriter::fileName(mTime)));
}

StandardFileSet::Written StandardFileSet::finishContacts(int readCode)
{
    Written written;
    if (!mVcard || !mOpened)
        return written;
    if (!DataResult::keepsWhatWasRead(readCode)) {
        // Left unfinished, the file is discarded with the writer.
        written.code = readCode;
        return written;
    }
    const int code = mVcardOpenCode != 0 ? mVcardOpenCode : mVcard->finish();
    written.code = code != 0 ? code : readCode;
    written.count = mVcard->count();
    // An empty address book writes no file.
    if (code == 0 && written.count > 0)
        written.path = QDir(mFolder).filePath(Constants::contactsVcardFileName());
    return written;
}

StandardFileSet::Written StandardFileSet::finishMessages(int readCode)
{
    Written written;
    if (!mSms || !mOpened)
        return written;
    if (!DataResult::keepsWhatWasRead(readCode)) {
        // Left unfinished, the file is discarded with the writer.
        written.code = readCode;
        return written;
    }
    // Every contact has been read by now: the names can be filled in.
    const int code = mSmsOpenCode != 0 ? mSmsOpenCode : mSms->finish(mNames.get());
    written.code = code != 0 ? code : readCode;
    written.count = mSms->count();
    written.multimedia = mSms->multimediaCount();
    written.attachments = mSms->attachmentCount();
    written.missingAttachments = mSms->missingAttachmentCount();
    if (code == 0) {
        written.path = QDir(mFolder).filePath(SmsBackupWriter::fileName(mTime));
        // Only now that the new file is whole do the earlier ones go.
        SmsBackupWriter::removeEarlierFiles(mFolder, SmsBackupWriter::fileName(mTime));
    }
    return written;
}

StandardFileSet::Written StandardFileSet::finishCalendar(int readCode)
{
    Written written;
    if (!mIcs || !mOpened)
        return written;
    if (!DataResult::keepsWhatWasRead(readCode)) {
        written.code = readCode;
        return written;
    }
    const int code = mIcsOpenCode != 0 ? mIcsOpenCode : mIcs->finish();
    written.code = code != 0 ? code : readCode;
    written.count = mIcs->count();
    written.leftOut = mIcs->withoutStartCount();
    // An empty calendar writes no file.
    if (code == 0 && written.count > 0)
        written.path = QDir(mFolder).filePath(Constants::calendarIcsFileName());
    return written;
}

StandardFileSet::Written StandardFileSet::finishCalls(int readCode)
{
    Written written;
    if (!mCalls || !mOpened)
        return written;
    if (!DataResult::keepsWhatWasRead(readCode)) {
        written.code = readCode;
        return written;
    }
    const QString name = CallLogWriter::fileName(mTime);
    // Every contact has been read by now: the names can be filled in.
    const int code = mCallsOpenCode != 0 ? mCallsOpenCode : mCalls->finish(mNames.get());
    written.code = code != 0 ? code : readCode;
    written.count = mCalls->count();
    if (code == 0) {
        written.path = QDir(mFolder).filePath(name);
        CallLogWriter::removeEarlierFiles(mFolder, name);
    }
    return written;
}

StandardFileSet::Written StandardFileSet::finishNotes(int readCode)
{
    Written written;
    if (!mNotes || !mOpened)
        return written;
    // Each note is a file of its own: those written stay whatever the read's end.
    written.code = mNotes->code() != 0 ? mNotes->code() : readCode;
    written.count = mNotes->count();
    written.files = mNotes->written();
    if (!written.files.isEmpty())
        written.path = QDir(mFolder).filePath(Constants::notesFolderName());
    return written;
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/CallAndNoteRecords.h"
#include "transfer/xml/AddressBookXmlWriter.h"
#include "transfer/xml/CalendarXmlWriter.h"
#include "transfer/xml/MessagesXmlWriter.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

// One person as a backup holds it. The entries are exactly what the
// address-book file receives, in its order; the rest is what only the
// standard contact file has room for.
struct ContactRecord
{
    QList<ContactEntry> entries;
    // Entry index to the label as the backup stores it, where the backup has
    // labels of its own (custom ones would be lost in the entry's type).
    QHash<qsizetype, QString> labels;
    QString prefix;
    QString suffix;
    QString nickname;
    QString jobTitle;
    QString department;
    QString note;
    // Absent: no picture row; present but empty: a row without image bytes.
    std::optional<QByteArray> photo;
    // The full-size picture, where the backup keeps one beside the thumbnail.
    std::optional<QByteArray> fullSizePhoto;
    // A birthday the backup holds as text ("1990-04-01") rather than as a
    // number, which the address-book file has no room for.
    QDate textBirthday;
    // The backup's own identity of the person, stable across conversions.
    QString identity;
};

// One calendar entry: what the calendar file receives, plus the stored
// values it cannot hold.
struct CalendarRecord
{
    CalendarEntry entry;
    // Seconds since 1970, only where the backup holds the date as a number.
    std::optional<qint64> start;
    std::optional<qint64> end;
    std::optional<qint64> repeatEnd;
    int repeatCount = 0; // 0: no count
    // Alarms at a set time rather than before the start, and the starts of
    // deleted occurrences of a repeating entry; seconds since 1970.
    QList<qint64> alarmTimes;
    QList<qint64> exceptionStarts;
    // The backup's own identity of the entry, stable across conversions.
    QString identity;
};

// Where the exports put what they read. A conversion hands each export one
// sink per data kind; a sink may write several files from the same records.
template <typename Record> class RecordSink
{
public:
    virtual ~RecordSink() = default;
    virtual void add(const Record& record) = 0;
};

// Counts the records on their way to another sink (null: nowhere), so that a
// run can say how much a damaged database still gave.
template <typename Record> class CountingSink : public RecordSink<Record>
{
public:
    explicit CountingSink(RecordSink<Record>* next) : mNext(next) {}
    void add(const Record& record) override
    {
        ++mCount;
        if (mNext)
            mNext->add(record);
    }
    int count() const { return mCount; }

private:
    RecordSink<Record>* mNext;
    int mCount = 0;
};

using ContactSink = RecordSink<ContactRecord>;
using MessageSink = RecordSink<MessageEntry>;
using CalendarSink = RecordSink<CalendarRecord>;
using CallSink = RecordSink<CallRecord>;
using NoteSink = RecordSink<NoteRecord>;

// Hands every record to each of a list of sinks (not owned); null ones are skipped.
template <typename Record> class FanOutSink : public RecordSink<Record>
{
public:
    explicit FanOutSink(QList<RecordSink<Record>*> sinks) : mSinks(std::move(sinks)) {}
    void add(const Record& record) override
    {
        for (RecordSink<Record>* sink : std::as_const(mSinks)) {
            if (sink)
                sink->add(record);
        }
    }

private:
    QList<RecordSink<Record>*> mSinks;
};

// What a conversion feeds besides the KORVA XML files, and whether it writes
// those at all. Null sinks take nothing.
struct StandardSinks
{
    ContactSink* contacts = nullptr;
    MessageSink* messages = nullptr;
    CalendarSink* calendar = nullptr;
    // Kinds that have no KORVA file: read only when their sink is set.
    CallSink* calls = nullptr;
    NoteSink* notes = nullptr;
    bool korvaFiles = true;
    // Called once the output folder exists and will no longer be emptied,
    // before the first record: the sinks open their files then.
    std::function<void()> outputReady;

    void announceOutputReady() const
    {
        if (outputReady)
            outputReady();
    }
};

// The KORVA XML writers as sinks: the files they write are those the
// exports have always written.
class AddressBookXmlSink : public ContactSink
{
public:
    explicit AddressBookXmlSink(AddressBookXmlWriter& writer) : mWriter(writer) {}
    void add(const ContactRecord& contact) override { mWriter.writePerson(contact.entries, contact.photo); }

private:
    AddressBookXmlWriter& mWriter;
};

class MessagesXmlSink : public MessageSink
{
public:
    explicit MessagesXmlSink(MessagesXmlWriter& writer) : mWriter(writer) {}
    void add(const MessageEntry& message) override { mWriter.writeMessage(message); }

private:
    MessagesXmlWriter& mWriter;
};

class CalendarXmlSink : public CalendarSink
{
public:
    explicit CalendarXmlSink(CalendarXmlWriter& writer) : mWriter(writer) {}
    void add(const CalendarRecord& event) override { mWriter.writeEntry(event.entry); }

private:
    CalendarXmlWriter& mWriter;
};

// Writes one XML file from an export: opens writer at outputPath, lets read
// feed the file (and alsoTo, when set), then finishes the file. The result is
// read's, unless the file itself failed. A read that got nothing leaves an
// earlier file at outputPath as it was.
template <typename Writer, typename FileSink, typename Record, typename Read>
int writeXmlFile(const QString& outputPath, RecordSink<Record>* alsoTo, Read read)
{
    Writer writer;
    int result = writer.open(outputPath);
    if (result != 0)
        return result;
    FileSink file(writer);
    FanOutSink<Record> sinks({&file, alsoTo});
    result = read(sinks);
    if (!DataResult::keepsWhatWasRead(result)) {
        writer.cancel();
        return result;
    }
    const int finished = writer.finish();
    return finished != 0 ? finished : result;
}

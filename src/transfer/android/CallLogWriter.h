// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/DataSinks.h"
#include "transfer/android/BufferedSaveFile.h"
#include "transfer/android/DateOrderedSpill.h"

#include <QDateTime>
#include <QHash>
#include <QString>

class ContactNames;

// Writes the call history as the "calls-<time>.xml" file of the SMS Backup &
// Restore app: a "calls" root with the count, one "call" element per call in
// date order, each named after the backup's own name for it or else after
// the matching contact. The file opens with the number of calls and the
// contacts may be read after them: each call is composed as it arrives into
// a spill file beside the output (DateOrderedSpill) and the file is put
// together by finish(), so memory does not grow with the history.
class CallLogWriter : public CallSink
{
public:
    // "calls-yyyyMMddhhmmss.xml" for a conversion at this time.
    static QString fileName(const QDateTime& conversionTime);
    // Removes the call files this writer made earlier in folder, but for
    // keptName: an import would read the same calls from each.
    static void removeEarlierFiles(const QString& folder, const QString& keptName);

    [[nodiscard]] int open(const QString& path); // 0 or DataResult::FileCannotWrite
    void add(const CallRecord& call) override;
    // names gives "contact_name" to the calls the backup names no one for.
    // 0 or DataResult::FileCannotWrite; an earlier file at path stays whole on failure.
    [[nodiscard]] int finish(const ContactNames* names);
    // The calls written by the last finish(); until then, those added.
    int count() const { return mSpill.isOpen() ? mSpill.count() : mCount; }

private:
    bool appendCall(QByteArrayView number, QByteArrayView line, QByteArrayView namedTail, const ContactNames* names);

    DateOrderedSpill mSpill;
    BufferedSaveFile mOutput;
    QHash<QString, QByteArray> mNameCache; // a caller rings many times: each number is looked up once
    int mCount = 0;
};

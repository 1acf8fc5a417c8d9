// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/DataSinks.h"

#include <QDateTime>
#include <QList>
#include <QString>

class ContactNames;

// Writes the call history as the "calls-<time>.xml" file of the SMS Backup &
// Restore app: a "calls" root with the count, one "call" element per call in
// date order, each named after the backup's own name for it or else after
// the matching contact. The calls are kept until finish(), since the file
// opens with their number and the contacts may be read after them; a call
// takes a few dozen bytes, so even a long history fits easily.
class CallLogWriter : public CallSink
{
public:
    // "calls-yyyyMMddhhmmss.xml" for a conversion at this time.
    static QString fileName(const QDateTime& conversionTime);
    // Removes the call files this writer made earlier in folder, but for
    // keptName: an import would read the same calls from each.
    static void removeEarlierFiles(const QString& folder, const QString& keptName);

    void add(const CallRecord& call) override { mCalls.append(call); }
    // 0 or DataResult::FileCannotWrite; an earlier file at path stays whole on failure.
    [[nodiscard]] int write(const QString& path, const ContactNames* names);
    int count() const { return int(mCalls.size()); }

private:
    QList<CallRecord> mCalls;
};

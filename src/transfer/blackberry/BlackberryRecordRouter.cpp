// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BlackberryRecordRouter.h"

#include "app/TraceLog.h"

BlackberryRecordRouter::BlackberryRecordRouter(QHash<int, qint64> totals) : mTotals(std::move(totals)) {}

void BlackberryRecordRouter::route(const QString& databaseName, BlackberryRecordStream* stream)
{
    mByName.insert(databaseName, stream);
}

void BlackberryRecordRouter::databaseAdded(int id, const QString& name)
{
    if (mNamesSeen.contains(name))
        return;
    mNamesSeen.insert(name);
    BlackberryRecordStream* stream = mByName.value(name);
    if (!stream || id < 0)
        return;
    traceValue("routedDatabase", name);
    if (size_t(id) >= mById.size())
        mById.resize(size_t(id) + 1, nullptr);
    mById[size_t(id)] = stream;
    stream->found(mTotals.value(id));
}

void BlackberryRecordRouter::recordRead(const BackupRecord& record)
{
    const size_t id = record.databaseId;
    if (id < mById.size() && mById[id])
        mById[id]->add(record);
}

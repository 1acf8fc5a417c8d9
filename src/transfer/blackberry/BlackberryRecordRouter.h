// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/blackberry/BackupDatabaseTable.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <vector>

// What a conversion does with the records of one database, as they are read.
class BlackberryRecordStream
{
public:
    virtual ~BlackberryRecordStream() = default;
    // The backup names the database, which holds total records (0: unknown).
    virtual void found(qint64 total) = 0;
    virtual void add(const BackupRecord& record) = 0;
};

// Hands each record to the stream of its database's name as the reader
// walks the backup. Only the first database of a name is taken, as a look-up
// by name would find it; the records of all others are passed over.
class BlackberryRecordRouter : public BackupRecordHandler
{
public:
    // totals: the number of records per database id, for the progress lines.
    explicit BlackberryRecordRouter(QHash<int, qint64> totals = {});

    // stream (not owned) receives the records of the database named databaseName.
    void route(const QString& databaseName, BlackberryRecordStream* stream);

    void databaseAdded(int id, const QString& name) override;
    void recordRead(const BackupRecord& record) override;

private:
    QHash<QString, BlackberryRecordStream*> mByName;
    QSet<QString> mNamesSeen;
    std::vector<BlackberryRecordStream*> mById; // index: database id
    QHash<int, qint64> mTotals;
};

// Counts the records of each database without copying their fields.
class BlackberryRecordCounter : public BackupRecordHandler
{
public:
    void databaseAdded(int, const QString&) override {}
    void recordRead(const BackupRecord& record) override { ++mCounts[record.databaseId]; }
    bool wantsFields() const override { return false; }

    const QHash<int, qint64>& counts() const { return mCounts; }

private:
    QHash<int, qint64> mCounts;
};

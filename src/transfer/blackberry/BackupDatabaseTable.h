// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// One field of a BlackBerry backup record.
struct BackupField
{
    quint8 type = 0;
    QByteArray data;
};

// One record of a BlackBerry backup database, fields in file order.
struct BackupRecord
{
    quint16 databaseId = 0;
    quint32 recordLength = 0;
    quint8 databaseVersion = 0;
    quint16 recordHandle = 0;
    quint32 uniqueId = 0;
    QList<BackupField> fields;
};

// Takes a backup's databases and records one at a time, as a reader walks
// its files, so that a conversion holds no more than the record at hand.
class BackupRecordHandler
{
public:
    virtual ~BackupRecordHandler() = default;
    // A database name was read; id is the one its records carry.
    virtual void databaseAdded(int id, const QString& name) = 0;
    // A whole record of a known database, valid only during the call.
    virtual void recordRead(const BackupRecord& record) = 0;
    // False when only the records' headers matter: their fields are then
    // stepped over rather than copied, and come empty.
    virtual bool wantsFields() const { return true; }
};

struct BackupDatabase
{
    int id = 0;
    QString name;
    QList<BackupRecord> records;
};

// All databases of one backup. A database's id is the number of names added
// before it, over every file of the backup.
class BackupDatabaseTable
{
public:
    // Appends name and creates its empty database; returns the new id.
    int addDatabase(const QString& name);
    bool contains(int id) const { return mDatabases.contains(id); }
    // The database with id; it must exist.
    BackupDatabase& database(int id) { return mDatabases[id]; }
    // The database of the first name equal to name, or nullptr.
    const BackupDatabase* findByName(const QString& name) const;

    const QStringList& names() const { return mNames; }
    int count() const { return mNames.size(); }

private:
    QHash<int, BackupDatabase> mDatabases;
    QStringList mNames;
};

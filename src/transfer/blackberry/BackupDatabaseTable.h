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

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BackupDatabaseTable.h"

#include "app/TraceLog.h"

int BackupDatabaseTable::addDatabase(const QString& name)
{
    TraceScope trace("BackupDatabaseTable::addDatabase");
    traceValue("name", name);
    const int id = mNames.size();
    mNames.append(name);
    BackupDatabase& database = mDatabases[id];
    database.id = id;
    database.name = name;
    return id;
}

const BackupDatabase* BackupDatabaseTable::findByName(const QString& name) const
{
    TraceScope trace("BackupDatabaseTable::findByName");
    const int id = mNames.indexOf(name);
    if (id < 0)
        return nullptr;
    const auto found = mDatabases.constFind(id);
    return found == mDatabases.constEnd() ? nullptr : &found.value();
}

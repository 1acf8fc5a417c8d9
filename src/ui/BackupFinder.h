// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QList>
#include <QString>

// One BlackBerry device backup found in a folder.
struct BackupEntry
{
    QString displayName; // the file name without its four-character ending
    QString filePath;
    QString extra; // unused, kept empty
};

// Lists the BlackBerry backups among the plain files of a folder: single ".ipd"
// files and ".bbb" archives (endings compared case-sensitively), in the
// order the folder lists them.
class BackupFinder
{
public:
    static QList<BackupEntry> findBackups(const QString& folder);
    static bool isBackupFileName(const QString& fileName);
};

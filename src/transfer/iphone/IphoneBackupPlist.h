// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QDateTime>
#include <QString>

// Reads single top-level values of a backup's "Manifest.plist" or "Info.plist",
// in either the binary or the XML property-list format. Only a regular file
// of sane nesting reaches libplist.
class IphoneBackupPlist
{
public:
    enum Result {
        Success = 0,
        CannotRead = -13030,
        NotAPlist = -13031,
        NoSuchKey = -13032,
        // Nested deeper than any backup's property list: refused unparsed.
        TooDeep = -13033,
        // A FIFO, device or folder bearing the property list's name.
        NotRegularFile = -13034,
    };

    explicit IphoneBackupPlist(const QString& path);
    ~IphoneBackupPlist();
    Q_DISABLE_COPY_MOVE(IphoneBackupPlist)

    // The result of loading the file.
    int status() const { return mStatus; }
    int boolValue(const char* key, bool& value) const;
    int stringValue(const char* key, QString& value) const;
    int dateValue(const char* key, QDateTime& value) const;
    int dataValue(const char* key, QByteArray& value) const;

    // Manifest.plist: IsEncrypted. A missing key counts as not encrypted.
    static int isEncrypted(const QString& manifestPlistPath, bool& encrypted);

private:
    void* mRoot = nullptr;
    int mStatus = CannotRead;
};

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

#include <functional>

class QIODevice;

// The list the extractor writes beside the extracted files: records of two
// lines, the extracted file's full path and its place in the backup (domain
// directly followed by the relative path, or the relative path alone).
class BackupFileList
{
public:
    enum Kind {
        Ignored,
        AddressBook,
        AddressBookImages,
        Messages,
        Calendar,
        Photo,
    };

    struct Match
    {
        Kind mKind = Ignored;
        // For a photo: its path below the phone's "DCIM" folder, starting with "/".
        QString mDestination;
    };

    using RecordHandler = std::function<void(const QString& source, const QString& place)>;

    // Calls handler for each record until the device is at its end; a trailing
    // odd line is a record whose place is empty. Returns the number of records.
    static int read(QIODevice& device, const RecordHandler& handler);

    // What a record's second line names: one of the four databases, a
    // camera-roll file, or nothing Velmora reads.
    static Match classify(const QString& place);
};

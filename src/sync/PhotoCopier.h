// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QSet>
#include <QString>

class Device;
class DeviceParent;

// Copies pictures and videos from another phone into the Android phone's
// "DCIM" folder: a BlackBerry photo folder with its sub-folders, or the
// camera-roll files of an iPhone backup (QuickTime videos converted to MP4 on
// the way). A file already on the phone is never replaced, so repeated syncs
// add only new files.
class PhotoCopier
{
public:
    // Told about each file as it is copied, and about the state changes of a
    // video conversion (the sync engine turns these into its progress signals).
    class Observer
    {
    public:
        virtual ~Observer() = default;
        virtual void photoStateChanged(int state) = 0;
        virtual void photoProgress(const QString& fileName) = 0;
    };

    PhotoCopier(Device& device, Observer& observer);

    // Copies every file below sourceFolder to destination (relative to the
    // phone's root). Entries whose names begin with "." are skipped, with all
    // they hold; folders that cannot be listed count as empty.
    void copyFolder(const QString& sourceFolder, const QString& destination);

    // Copies one camera-roll file. destName is its place below "DCIM" (it
    // begins with a separator); a ".mov" becomes an ".mp4" converted for a
    // screen of screenPixels pixels.
    void copyCameraRollFile(const QString& sourceName, const QString& destName, int screenPixels);

    // The phone's screen size as its parent reports it, or the default when it
    // reports none.
    static int screenPixelsOf(DeviceParent* parent);

    // Where converted videos are written before they are sent.
    static QString convertedVideoPath();

private:
    void copyFolderRecursive(const QString& sourceFolder, const QString& destination);

    Device& mDevice;
    Observer& mObserver;
    // Canonical paths of the folders visited by one copyFolder: a folder link
    // pointing back up the tree must not make the copy run for ever.
    QSet<QString> mVisitedFolders;
};

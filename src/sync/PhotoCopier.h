// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "sync/SpaceNeeds.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QtGlobal>

#include <functional>

class Device;
class DeviceParent;
class QFileInfo;

// A picture or video that did not reach the phone, and the result code that
// says why (a PhoneResult or MediaResult code).
struct PhotoNotCopied
{
    QString sourcePath;
    int code = 0;
};

// Copies pictures and videos from another phone into the Android phone's
// "DCIM" folder: a BlackBerry photo folder with its sub-folders, or the
// camera-roll files of an iPhone backup (QuickTime videos converted to MP4 on
// the way). A file already on the phone is never replaced: a copy with the
// same bytes counts as copied, another file of the same name gets a numbered
// name beside it ("IMG_1_2.jpg"), so that no photo is lost and repeated syncs
// add only new files. Every file that could not be copied is listed.
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
        // done counts this file; total is 0 when not known.
        virtual void photoProgress(const QString& fileName, int done, int total) = 0;
        // A reader of the backup has come this far (total 0: not known).
        virtual void conversionProgress(const QString& kind, qint64 done, qint64 total)
        {
            Q_UNUSED(kind);
            Q_UNUSED(done);
            Q_UNUSED(total);
        }
        // A photo or video reached the phone (one already there is not counted).
        virtual void photoCopied() {}
        // Asked when what is about to be copied needs more than the phone has
        // free; false stops the copy.
        virtual bool continueWithoutSpace(const SpaceNeeds& needs)
        {
            Q_UNUSED(needs);
            return true;
        }
    };

    // Tried names per file before it counts as not copied.
    static constexpr int kMaxNumberedNames = 1000;

    PhotoCopier(Device& device, Observer& observer);

    // Copies every file below sourceFolder to destination (relative to the
    // phone's root). Entries whose names begin with "." are skipped, with all
    // they hold; folders that cannot be listed count as empty.
    void copyFolder(const QString& sourceFolder, const QString& destination);

    // Copies one camera-roll file. destName is its place below "DCIM" (it
    // begins with a separator); a ".mov" becomes an ".mp4" converted for a
    // screen of screenPixels pixels.
    void copyCameraRollFile(const QString& sourceName, const QString& destName, int screenPixels);

    // What the files copyFolder would send weigh together (a video's source
    // size stands for its converted size).
    static qint64 folderBytes(const QString& sourceFolder);
    // The files copyFolder would copy.
    static int folderFileCount(const QString& sourceFolder);
    // How many files this copier is about to be given, for its progress reports.
    void setTotal(int total) { mTotal = total; }

    // The files that did not reach the phone, in the order tried.
    const QList<PhotoNotCopied>& notCopied() const { return mNotCopied; }
    // Set once a copy found the phone gone; later files are not tried.
    bool phoneLost() const { return mPhoneLost; }

    // "DCIM/a/IMG.jpg" with number 2 is "DCIM/a/IMG_2.jpg".
    static QString numberedName(const QString& relativePath, int number);

    // The phone's screen size as its parent reports it, or the default when it
    // reports none.
    static int screenPixelsOf(DeviceParent* parent);

    // Where converted videos are written before they are sent.
    static QString convertedVideoPath();

private:
    // Calls visit for each file copyFolder would send, in its order, with the
    // file's place on the phone.
    static void walkFolder(const QString& sourceFolder, const QString& destination, QSet<QString>& visitedFolders,
                           const std::function<void(const QFileInfo&, const QString&)>& visit);
    // Puts localPath on the phone at destination or at the first free
    // numbered name; 0 also when the same file is there already.
    // 0 when the file is on the phone afterwards; sent tells whether it was copied now.
    int copyKeepingOthers(const QString& localPath, const QString& destination, bool& sent);
    void copyOrRecord(const QString& localPath, const QString& destination, const QString& sourcePath);

    Device& mDevice;
    Observer& mObserver;
    QList<PhotoNotCopied> mNotCopied;
    bool mPhoneLost = false;
    int mTotal = 0;
    int mStarted = 0;
};

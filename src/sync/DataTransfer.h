// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "sync/PhotoCopier.h"
#include "transfer/BackupConversion.h"

#include <QList>
#include <QString>
#include <QStringList>

class Device;
class DeviceParent;
class SettingsStore;
struct SyncPlan;

// The data-transfer step of a sync: contacts, text messages and calendar out
// of the BlackBerry or iPhone backup the user chose, as XML files into the
// phone's "KORVA" folder and as standard files (vCard, iCalendar, SMS Backup &
// Restore) into "Download/Velmora", and the photos into "DCIM". A transfer is done once
// per request: the copy choices are switched off in the settings afterwards.
class DataTransfer
{
public:
    DataTransfer(Device& device, DeviceParent* parentDevice, PhotoCopier::Observer& observer);

    // Runs the whole step as the plan says; the settings are saved with the
    // choices cleared. The conversion's result says what was written and what
    // failed (its kind is Unknown when no backup was chosen).
    BackupConversionResult run(const SyncPlan& plan, SettingsStore& settings);

    // home + "/KORVA/extracted/": where the backup's files and the XML go.
    static QString extractionFolder();

    // After run: the photos and videos that did not reach the phone.
    const QList<PhotoNotCopied>& notCopiedPhotos() const { return mNotCopiedPhotos; }
    // After run: a copy found the phone gone.
    bool phoneLost() const { return mPhoneLost; }
    // After run: the bytes the space check counted for photos, videos and
    // data files (0 when it made none).
    qint64 bytesPlanned() const { return mBytesPlanned; }
    // The photos' and the data files' shares of bytesPlanned.
    const SpaceNeeds& spacePlanned() const { return mSpacePlanned; }

private:
    // run() but for removing the extraction folder afterwards.
    BackupConversionResult transfer(const SyncPlan& plan, SettingsStore& settings);
    // The photo folders, then the camera roll, counted as one for the progress.
    void copyPhotos(const QStringList& folders, const QList<PhotoPath>& cameraRoll);
    // Counts the photos, videos and the data files about to be sent against
    // the phone's free space; false when the user chose not to go on.
    bool spaceForTransfer(const QStringList& photoFolders, const QList<PhotoPath>& cameraRoll,
                          const QStringList& dataFiles);
    // The XML file into the phone's data folder. False when the phone did
    // not take it; its code is then kept in file.
    bool copyToPhone(const QString& fileName, bool wanted, ConvertedFile& file);
    // A standard file into the phone's "Download/Velmora", replacing one of the same name.
    bool copyStandardFile(ConvertedFile& file);
    // After a new messages file reached the phone, the ones earlier runs put
    // beside it go: an import would read every message once per file.
    void removeEarlierMessageFiles(const QString& keptName);
    // Each of a folder's files (notes, voicemail, voice memos) into
    // "Download/Velmora/<folderName>/", as the conversion laid them out.
    bool copyFolderFiles(ConvertedFile& files, const QString& folderName);
    // Copies and reads back: a file that differs on the phone is a failure.
    bool sendFile(const QString& local, const QString& remote, ConvertedFile& file);

    Device& mDevice;
    DeviceParent* mParentDevice;
    PhotoCopier::Observer& mObserver;
    QList<PhotoNotCopied> mNotCopiedPhotos;
    bool mPhoneLost = false;
    qint64 mBytesPlanned = 0;
    SpaceNeeds mSpacePlanned;
    int mFilesReadBack = 0;
};

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "settings/SyncSettings.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A temporary home folder (HOME points at it while the object lives) with an
// empty folder beside it that plays the USB phone, configured or not. Also
// points the system bus at nothing, so a test never takes a real sleep lock.
class SyncTestHome
{
public:
    static constexpr const char* kPhoneId = "12345TESTPHONEY";

    SyncTestHome();
    // Uses root (home, phone and inputs below it) instead of a temporary
    // folder, for a child process that must share its parent's home.
    explicit SyncTestHome(const QString& root);
    ~SyncTestHome();

    bool isValid() const;
    QString home() const;
    // The phone's root path, ending in "/".
    QString phoneRoot() const;
    QString phoneFile(const QString& relativePath) const;
    QString programFolder() const;
    // A folder for test inputs (backups, photos, music), outside the phone.
    QString inputFolder() const;

    // Writes the phone's id file and a settings entry for it: whole library
    // off, these playlists (empty: no music) and podcasts.
    void configurePhone(const QStringList& playlists = {}, int podcastSetting = 0, const QStringList& podcasts = {});
    // Loads, changes through edit, saves.
    template <typename Edit> void editSettings(Edit edit);
    // Creates the desktop's diagnostics folder (the trace log starts only at
    // process start, but the copies into the log folder need the folder).
    QString diagnosticsFolder() const;

private:
    void setUp();

    QTemporaryDir mDir;
    QString mRoot;
    QByteArray mOldHome;
    QByteArray mOldSystemBus;
};

template <typename Edit> void SyncTestHome::editSettings(Edit edit)
{
    SyncSettings settings;
    settings.load();
    edit(settings, QString::fromLatin1(kPhoneId));
    settings.save();
}

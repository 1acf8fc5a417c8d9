// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QMutex>
#include <QStringList>
#include <QThread>

class LocalMusicLibrary;

// Reads the library's podcast names once in the background, so that the wizard
// can list podcasts without waiting for the library. One per process.
class PodcastRamCache : public QThread
{
    Q_OBJECT

public:
    // Makes the library the thread body asks; the default makes a plain
    // LocalMusicLibrary. A library component (or a test) installs its own.
    using LibraryFactory = LocalMusicLibrary* (*)();

    explicit PodcastRamCache(QObject* parent = nullptr);
    ~PodcastRamCache() override;

    static PodcastRamCache& instance();

    // Starts the thread with the priority of the caller.
    void start();
    QStringList podcastNames() const;
    void setLibraryFactory(LibraryFactory factory);

signals:
    void updated();

protected:
    void run() override;

private:
    mutable QMutex mMutex;
    QStringList mPodcastNames;
    LibraryFactory mLibraryFactory = nullptr;
};

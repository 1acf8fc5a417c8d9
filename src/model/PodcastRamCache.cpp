// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/PodcastRamCache.h"

#include "app/TraceLog.h"
#include "model/LocalMusicLibrary.h"

#include <QMutexLocker>

#include <memory>

namespace {

LocalMusicLibrary* makePlainLibrary()
{
    return new LocalMusicLibrary;
}

} // namespace

PodcastRamCache::PodcastRamCache(QObject* parent) : QThread(parent), mLibraryFactory(&makePlainLibrary)
{
    TraceScope trace("PodcastRamCache::PodcastRamCache");
}

PodcastRamCache::~PodcastRamCache()
{
    TraceScope trace("PodcastRamCache::~PodcastRamCache");
    // No thread may be left running when the process ends.
    wait();
}

PodcastRamCache& PodcastRamCache::instance()
{
    // Made on first use rather than during static initialisation, so that it
    // never exists before the application object and the trace log.
    static PodcastRamCache cache;
    return cache;
}

void PodcastRamCache::start()
{
    TraceScope trace("PodcastRamCache::start");
    QThread::start(QThread::InheritPriority);
}

QStringList PodcastRamCache::podcastNames() const
{
    TraceScope trace("PodcastRamCache::podcastNames");
    QMutexLocker locker(&mMutex);
    return mPodcastNames;
}

void PodcastRamCache::setLibraryFactory(LibraryFactory factory)
{
    TraceScope trace("PodcastRamCache::setLibraryFactory");
    QMutexLocker locker(&mMutex);
    mLibraryFactory = factory ? factory : &makePlainLibrary;
}

void PodcastRamCache::run()
{
    TraceScope trace("PodcastRamCache::run");
    LibraryFactory factory;
    {
        QMutexLocker locker(&mMutex);
        factory = mLibraryFactory;
    }
    // The library is made and destroyed on this thread; it has no parent.
    std::unique_ptr<LocalMusicLibrary> library(factory());
    const QStringList names = library->podcastNames();
    {
        QMutexLocker locker(&mMutex);
        mPodcastNames = names;
    }
    emit updated();
}

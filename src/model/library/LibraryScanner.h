// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QAtomicInt>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QWaitCondition>

class LibraryIndex;

// What one scan found.
struct ScanSummary
{
    int result = 0;     // 0, or the index's failure code
    int filesSeen = 0;  // audio and playlist files in the folders
    int unchanged = 0;  // taken from the index without opening them
    int read = 0;       // new or changed files that were opened
    int removed = 0;    // gone from the folders, dropped from the index
    int unreadable = 0; // files in the index that TagLib cannot read
    bool cancelled = false;
    QStringList folders; // the folders that hold them, for the change watch
};

// Brings the index in step with the music folder and the podcast folder: a
// file whose size and modification time are unchanged is not opened, new and
// changed files are read (tags with TagLib, playlists with their reader), and
// files that are gone leave the index. Lives on the library's scan thread;
// scan() may also be called directly.
class LibraryScanner : public QObject
{
    Q_OBJECT

public:
    explicit LibraryScanner(QString indexPath, QObject* parent = nullptr);
    ~LibraryScanner() override;

    ScanSummary scan(const QString& musicFolder, const QString& podcastFolder);

    // Called on the requesting thread: one more scan is on its way.
    void announce();
    // Blocks until no announced scan is left or the time is up; false on time-out.
    bool waitUntilIdle(int timeoutMs);
    // Ends the running scan after the file it is reading; its work so far is kept.
    void cancel() { mCancelled.storeRelaxed(1); }

    // Progress is reported at most once per this many files.
    static constexpr int kProgressStep = 50;
    // Files read between two commits of the index.
    static constexpr int kCommitStep = 500;

public slots:
    // Scans and reports finished(); for the queued call from the library.
    void run(const QString& musicFolder, const QString& podcastFolder);

signals:
    void progress(int done, int total);
    void finished(const ScanSummary& summary);

private:
    QString mIndexPath;
    LibraryIndex* mIndex = nullptr;
    QAtomicInt mCancelled;
    QMutex mIdleMutex;
    QWaitCondition mIdle;
    int mAnnounced = 0;
};

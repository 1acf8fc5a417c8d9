// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The ".bbb" archive of a BlackBerry backup, opened with the 7-Zip archiver
// but never unpacked blindly: its listing is read and checked first, and only
// the files a backup consists of ("Manifest.xml", "Databases/N.dat") are
// taken out, streamed in one archiver run into files this class names inside
// the target folder. An archive that claims more bytes than kMaxUnpackedBytes,
// or whose entries are links, absolute names, names given twice or climb out
// with "..", is refused before anything is written; a stream that differs
// from what the listing said is cut off and refused too.
class BackupArchive
{
public:
    // Years of messages and contacts make a backup of some tens of MB; 1 GiB
    // is far beyond any real one and still leaves an ordinary disk alone.
    static constexpr qint64 kMaxUnpackedBytes = qint64(1) << 30;
    // Desktop backups hold one file per database, a few hundred at most.
    static constexpr int kMaxEntries = 10000;

    static constexpr int kErrorArchiverMissing = DataResult::ArchiverMissing;
    static constexpr int kErrorUnreadable = DataResult::ArchiveUnreadable;
    static constexpr int kErrorEncrypted = DataResult::ArchiveEncrypted;
    static constexpr int kErrorTooLarge = DataResult::ArchiveTooLarge;
    static constexpr int kErrorUnsafeEntry = DataResult::ArchiveUnsafeEntry;
    static constexpr int kErrorCannotWrite = DataResult::ArchiveCannotUnpack;
    static constexpr int kErrorNoManifest = DataResult::ArchiveWithoutManifest;

    explicit BackupArchive(const QString& archivePath, qint64 maxUnpackedBytes = kMaxUnpackedBytes);

    // Reads and checks the listing: 0 or one of the errors above.
    [[nodiscard]] int inspect();
    // Takes out "Manifest.xml" and "Databases/1.dat", "2.dat", ... up to the
    // first missing number into folder; 0 or an error, after which none of
    // them is left in folder. Runs inspect first when it has not run.
    [[nodiscard]] int unpackBackupFiles(const QString& folder);

    // The listed size of each file entry, by its name in the archive.
    const QHash<QString, qint64>& entries() const { return mEntries; }

    // The listing's file entries: an entry name is safe when it is relative
    // and stays below the folder it is unpacked into.
    static bool isSafeEntryName(const QString& name);

    // Reads the archiver's technical listing ("7z l -slt"; outside input) into
    // entries: 0, kErrorTooLarge, kErrorUnsafeEntry or kErrorEncrypted. Every
    // entry it keeps has a safe name given once, and their sizes add up to at
    // most maxUnpackedBytes. order, when given, receives the names in the
    // archive's own order, the order the archiver streams them in.
    [[nodiscard]] static int readListing(const QByteArray& listing, qint64 maxUnpackedBytes,
                                         QHash<QString, qint64>& entries, QStringList* order = nullptr);

private:
    // Streams the named entries (in archive order) out of one archiver run
    // into the files targets names for each.
    [[nodiscard]] int extractEntries(const QStringList& names, const QHash<QString, QString>& targets);

    QString mArchivePath;
    QString mArchiver;
    qint64 mMaxUnpackedBytes;
    QHash<QString, qint64> mEntries;
    QStringList mOrder;
    bool mInspected = false;
    int mInspectResult = 0;
};

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BackupArchive.h"

#include "app/Constants.h"
#include "app/ExternalProgram.h"
#include "app/TraceLog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

namespace {

// The listing of kMaxEntries entries takes well under this.
constexpr qint64 kMaxListingBytes = qint64{32} * 1024 * 1024;
// The archiver answers within this, or it is taken for stuck.
constexpr int kArchiverWaitMs = 60000;
constexpr qint64 kChunkBytes = qint64{1024} * 1024;

QString manifestName()
{
    return QStringLiteral("Manifest.xml");
}

QString databaseName(int number)
{
    return QStringLiteral("Databases/") + QString::number(number) + QStringLiteral(".dat");
}

// One entry of the technical listing ("Key = value" lines up to a blank one).
struct ListedEntry
{
    QHash<QString, QString> values;
    bool malformed = false;
};

} // namespace

BackupArchive::BackupArchive(const QString& archivePath, qint64 maxUnpackedBytes)
    : mArchivePath(archivePath),
      mArchiver(findExternalProgram(Constants::archiverRelativePath(), Constants::archiverCommand())),
      mMaxUnpackedBytes(maxUnpackedBytes)
{
}

bool BackupArchive::isSafeEntryName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\')))
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 32 || c.unicode() == 0x7f)
            return false;
    }
    const QStringList parts = name.split(QRegularExpression(QStringLiteral("[/\\\\]")));
    for (const QString& part : parts) {
        // "C:" would name a drive where the archive was made.
        if (part == QLatin1String("..") || part.contains(QLatin1Char(':')))
            return false;
    }
    return true;
}

int BackupArchive::readListing(const QByteArray& listing, qint64 maxUnpackedBytes, QHash<QString, qint64>& entries,
                               QStringList* order)
{
    TraceScope trace("BackupArchive::readListing");
    entries.clear();
    if (order)
        order->clear();
    const QList<QByteArray> lines = listing.split('\n');
    qsizetype line = 0;
    // The archive's own description comes first, ended by a line of dashes.
    while (line < lines.size() && !lines.at(line).trimmed().startsWith("----------"))
        ++line;
    ++line;

    QList<ListedEntry> listed;
    ListedEntry current;
    bool inEntry = false;
    for (; line <= lines.size(); ++line) {
        const QString text =
            line < lines.size() ? QString::fromUtf8(lines.at(line)).remove(QLatin1Char('\r')) : QString();
        if (text.isEmpty()) {
            if (inEntry)
                listed.append(current);
            current = ListedEntry();
            inEntry = false;
            if (listed.size() > kMaxEntries)
                return kErrorTooLarge;
            continue;
        }
        inEntry = true;
        const qsizetype equals = text.indexOf(QLatin1String(" ="));
        if (equals <= 0) {
            // A name with a line break in it: it could pass for other entries.
            current.malformed = true;
            continue;
        }
        const QString key = text.left(equals);
        if (current.values.contains(key))
            current.malformed = true;
        current.values.insert(key, text.mid(equals + 2).trimmed());
    }

    static const QRegularExpression linkMode(QStringLiteral("(^|\\s)l[rwxsStT-]{9}"));
    qint64 total = 0;
    for (const ListedEntry& entry : std::as_const(listed)) {
        const QString name = entry.values.value(QStringLiteral("Path"));
        if (entry.malformed || !isSafeEntryName(name)) {
            traceValue("Unsafe entry", name);
            return kErrorUnsafeEntry;
        }
        if (!entry.values.value(QStringLiteral("Symbolic Link")).isEmpty()
            || linkMode.match(entry.values.value(QStringLiteral("Attributes"))).hasMatch()) {
            traceValue("Link entry", name);
            return kErrorUnsafeEntry;
        }
        if (entry.values.value(QStringLiteral("Folder")) == QLatin1String("+"))
            continue;
        bool ok = false;
        const qint64 size = entry.values.value(QStringLiteral("Size")).toLongLong(&ok);
        if (!ok || size < 0)
            return kErrorUnsafeEntry;
        // Compared before adding: sizes near the largest number would overflow.
        if (size > maxUnpackedBytes - total) {
            traceValue("Archive too large, bytes", QString::number(total));
            return kErrorTooLarge;
        }
        total += size;
        QString normalized = name;
        normalized.replace(QLatin1Char('\\'), QLatin1Char('/'));
        // A second entry of one name would be streamed as well and shift
        // every entry after it.
        if (entries.contains(normalized)) {
            traceValue("Entry given twice", name);
            return kErrorUnsafeEntry;
        }
        if (entry.values.value(QStringLiteral("Encrypted")) == QLatin1String("+")) {
            traceValue("Encrypted entry", name);
            return kErrorEncrypted;
        }
        entries.insert(normalized, size);
        if (order)
            order->append(normalized);
    }
    return 0;
}

int BackupArchive::inspect()
{
    TraceScope trace("BackupArchive::inspect");
    if (mInspected)
        return mInspectResult;
    mInspected = true;
    mEntries.clear();
    if (mArchiver.isEmpty()) {
        traceMessage("Archiver not found");
        mInspectResult = kErrorArchiverMissing;
        return mInspectResult;
    }
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    endWithThisProcess(process);
    // An encrypted archive makes the archiver ask for a password; with its
    // input closed it gives up instead of waiting for ever.
    process.start(mArchiver, {QStringLiteral("l"), QStringLiteral("-slt"), QStringLiteral("--"), mArchivePath});
    process.closeWriteChannel();
    QByteArray listing;
    bool tooLong = false;
    while (process.state() != QProcess::NotRunning || process.bytesAvailable() > 0) {
        if (process.bytesAvailable() == 0 && !process.waitForReadyRead(kArchiverWaitMs)
            && process.state() != QProcess::NotRunning)
            break;
        listing += process.readAll();
        if (listing.size() > kMaxListingBytes) {
            tooLong = true;
            break;
        }
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }
    if (tooLong)
        mInspectResult = kErrorTooLarge;
    else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        mInspectResult = kErrorUnreadable;
    else
        mInspectResult = readListing(listing, mMaxUnpackedBytes, mEntries, &mOrder);
    if (mInspectResult != 0) {
        mEntries.clear();
        mOrder.clear();
    }
    traceReturns(mInspectResult);
    return mInspectResult;
}

int BackupArchive::extractEntries(const QStringList& names, const QHash<QString, QString>& targets)
{
    TraceScope trace("BackupArchive::extractEntries");
    traceValue("entries", int(names.size()));
    // One run for all entries: an archive of thousands of databases would
    // otherwise start thousands of archivers. The archiver streams the
    // entries one after the other in archive order, so the listed sizes tell
    // where each ends. "-spd" keeps names from being taken as wildcards.
    QStringList arguments{QStringLiteral("x"),   QStringLiteral("-so"), QStringLiteral("-y"), QStringLiteral("-spd"),
                          QStringLiteral("-r-"), QStringLiteral("--"),  mArchivePath};
    arguments += names;
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    endWithThisProcess(process);
    process.start(mArchiver, arguments);
    process.closeWriteChannel();

    int result = 0;
    qsizetype current = -1;
    qint64 left = 0;
    QFile out;
    // Opens the next entry's file; entries of no size are made at once.
    const auto openNext = [&]() {
        while (result == 0 && left == 0 && current + 1 < names.size()) {
            out.close();
            ++current;
            left = mEntries.value(names.at(current));
            const QString target = targets.value(names.at(current));
            out.setFileName(target);
            if (!QDir().mkpath(QFileInfo(target).path()) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                result = kErrorCannotWrite;
        }
    };
    openNext();
    while (result == 0 && (process.state() != QProcess::NotRunning || process.bytesAvailable() > 0)) {
        if (process.bytesAvailable() == 0 && !process.waitForReadyRead(kArchiverWaitMs)
            && process.state() != QProcess::NotRunning) {
            result = kErrorUnreadable;
            break;
        }
        QByteArray chunk = process.read(kChunkBytes);
        while (result == 0 && !chunk.isEmpty()) {
            // More than the listing said: the listing lied, and the rest is not taken.
            if (left == 0) {
                result = kErrorTooLarge;
                break;
            }
            const qint64 part = qMin(left, qint64(chunk.size()));
            if (out.write(chunk.constData(), part) != part)
                result = kErrorCannotWrite;
            left -= part;
            chunk.remove(0, qsizetype(part));
            openNext();
        }
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }
    if (result == 0 && (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0))
        result = kErrorUnreadable;
    // Less than the listing said: an entry is cut short.
    if (result == 0 && (left != 0 || current + 1 < names.size()))
        result = kErrorUnreadable;
    if (result == 0 && !out.flush())
        result = kErrorCannotWrite;
    out.close();
    if (result != 0) {
        for (qsizetype i = 0; i <= current && i < names.size(); ++i)
            QFile::remove(targets.value(names.at(i)));
    }
    traceReturns(result);
    return result;
}

int BackupArchive::unpackBackupFiles(const QString& folder)
{
    TraceScope trace("BackupArchive::unpackBackupFiles");
    const int inspected = inspect();
    if (inspected != 0)
        return inspected;
    if (!mEntries.contains(manifestName()))
        return kErrorNoManifest;
    const QDir target(folder);
    QHash<QString, QString> targets{{manifestName(), target.filePath(manifestName())}};
    for (int number = 1; mEntries.contains(databaseName(number)); ++number)
        targets.insert(databaseName(number), target.filePath(databaseName(number)));
    QStringList names;
    for (const QString& name : std::as_const(mOrder)) {
        if (targets.contains(name))
            names.append(name);
    }
    const int result = extractEntries(names, targets);
    traceReturns(result);
    return result;
}

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
constexpr qint64 kMaxListingBytes = 32 * 1024 * 1024;
// The archiver answers within this, or it is taken for stuck.
constexpr int kArchiverWaitMs = 60000;
constexpr qint64 kChunkBytes = 1024 * 1024;

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

int BackupArchive::readListing(const QByteArray& listing, qint64 maxUnpackedBytes, QHash<QString, qint64>& entries)
{
    TraceScope trace("BackupArchive::readListing");
    entries.clear();
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
        entries.insert(normalized, size);
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
        mInspectResult = kErrorCannotList;
        return mInspectResult;
    }
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
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
        mInspectResult = kErrorCannotList;
    else
        mInspectResult = readListing(listing, mMaxUnpackedBytes, mEntries);
    if (mInspectResult != 0)
        mEntries.clear();
    traceReturns(mInspectResult);
    return mInspectResult;
}

int BackupArchive::extractEntry(const QString& name, const QString& target, qint64& budget)
{
    TraceScope trace("BackupArchive::extractEntry");
    traceValue("entry", name);
    const qint64 listedSize = mEntries.value(name);
    QFile out(target);
    if (!QDir().mkpath(QFileInfo(target).path()) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return kErrorCannotWrite;
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(mArchiver, {QStringLiteral("x"), QStringLiteral("-so"), QStringLiteral("-y"), QStringLiteral("--"),
                              mArchivePath, name});
    process.closeWriteChannel();
    qint64 written = 0;
    int result = 0;
    while (result == 0 && (process.state() != QProcess::NotRunning || process.bytesAvailable() > 0)) {
        if (process.bytesAvailable() == 0 && !process.waitForReadyRead(kArchiverWaitMs)
            && process.state() != QProcess::NotRunning) {
            result = kErrorCannotList;
            break;
        }
        const QByteArray chunk = process.read(kChunkBytes);
        written += chunk.size();
        // More than the listing said: the listing lied, and the rest is not taken.
        if (written > listedSize || written > budget)
            result = kErrorTooLarge;
        else if (out.write(chunk) != chunk.size())
            result = kErrorCannotWrite;
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }
    if (result == 0 && (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0))
        result = kErrorCannotList;
    out.close();
    if (result != 0) {
        out.remove();
        traceReturns(result);
        return result;
    }
    budget -= written;
    return 0;
}

int BackupArchive::unpackBackupFiles(const QString& folder)
{
    TraceScope trace("BackupArchive::unpackBackupFiles");
    int result = inspect();
    if (result != 0)
        return result;
    if (!mEntries.contains(manifestName()))
        return kErrorCannotList;
    qint64 budget = mMaxUnpackedBytes;
    const QDir target(folder);
    // The manifest last: it is what tells the reader that the databases are there.
    for (int number = 1; result == 0 && mEntries.contains(databaseName(number)); ++number)
        result = extractEntry(databaseName(number), target.filePath(databaseName(number)), budget);
    if (result == 0)
        result = extractEntry(manifestName(), target.filePath(manifestName()), budget);
    traceReturns(result);
    return result;
}

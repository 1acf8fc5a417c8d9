// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// A whole large iPhone backup: a backup folder whose Manifest.db points at a
// generated address book (150,000 persons), sms.db (300,000 messages),
// calendar (150,000 events) and call history (100,000 calls), each with iOS's
// own tables and indexes. The built velmora-convert converts it with
// --format all in a child process; then a sync run takes the same backup to
// a folder phone, also in a child. Each is printed next to its floor, the
// sqlite3 program reading every row of the same tables in the same run.
// Goals for both: at most 6 times the floor's time and at most 200 MB peak
// memory. Counts: bench_large_backup [persons messages events calls];
// "bench_large_backup --make FOLDER [counts]" only makes the backup, to profile with.
#include "BenchRounds.h"
#include "IphoneDatabases.h"
#include "devices/UsbMSDevice.h"
#include "model/LocalMusicLibrary.h"
#include "settings/SyncSettings.h"
#include "sync/MusicSync.h"
#include "transfer/iphone/IphoneMbdbReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using namespace IphoneDatabases;

struct Database
{
    QString relativePath; // in HomeDomain
    QStringList tables;   // what the conversion reads from it
};

const QList<Database>& databases()
{
    static const QList<Database> list{
        {QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"),
         {QStringLiteral("ABPerson"), QStringLiteral("ABMultiValue"), QStringLiteral("ABMultiValueEntry"),
          QStringLiteral("ABMultiValueLabel"), QStringLiteral("ABMultiValueEntryKey")}},
        {QStringLiteral("Library/SMS/sms.db"),
         {QStringLiteral("message"), QStringLiteral("handle"), QStringLiteral("chat"),
          QStringLiteral("chat_message_join"), QStringLiteral("chat_handle_join"), QStringLiteral("attachment"),
          QStringLiteral("message_attachment_join")}},
        {QStringLiteral("Library/Calendar/Calendar.sqlitedb"),
         {QStringLiteral("CalendarItem"), QStringLiteral("Location"), QStringLiteral("Recurrence"),
          QStringLiteral("Alarm"), QStringLiteral("ExceptionDate")}},
        {QStringLiteral("Library/CallHistoryDB/CallHistory.storedata"), {QStringLiteral("ZCALLRECORD")}}};
    return list;
}

const QString kHomeDomain = QStringLiteral("HomeDomain");

QString blobPath(const QString& backup, const QString& relativePath)
{
    const QString id = IphoneMbdbReader::fileIdFor(kHomeDomain, relativePath);
    return backup + QLatin1Char('/') + id.left(2) + QLatin1Char('/') + id;
}

// The databases are made in place, at the paths the manifest gives them.
bool makeBackup(const QString& backup, const QList<int>& counts)
{
    QDir().mkpath(backup);
    for (const Database& database : databases())
        QDir().mkpath(QFileInfo(blobPath(backup, database.relativePath)).path());
    const QList<Database>& list = databases();
    if (!makeAddressBook(blobPath(backup, list.at(0).relativePath), counts.at(0))
        || !makeMessages(blobPath(backup, list.at(1).relativePath), counts.at(1), true, false)
        || !makeCalendar(blobPath(backup, list.at(2).relativePath), counts.at(2))
        || !makeCallStore(blobPath(backup, list.at(3).relativePath), counts.at(3)))
        return false;
    SqliteConnection manifest(backup + QStringLiteral("/Manifest.db"));
    if (!manifest.open())
        return false;
    QSqlQuery query(manifest.database());
    if (!run(query, QStringLiteral("CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT,"
                                   " flags INTEGER, file BLOB)")))
        return false;
    query.prepare(QStringLiteral("INSERT INTO Files VALUES (?, ?, ?, 1, NULL)"));
    for (const Database& database : list) {
        query.addBindValue(IphoneMbdbReader::fileIdFor(kHomeDomain, database.relativePath));
        query.addBindValue(kHomeDomain);
        query.addBindValue(database.relativePath);
        if (!query.exec())
            return false;
    }
    return true;
}

// sqlite3 reading every row of every table the conversion reads, one
// process per database as the conversion opens each once; the sum.
Figures floorOf(const QString& backup)
{
    Figures sum;
    sum.status = 0;
    for (const Database& database : databases()) {
        QStringList arguments{QStringLiteral("/usr/bin/sqlite3"), blobPath(backup, database.relativePath),
                              QStringLiteral(".output /dev/null")};
        for (const QString& table : database.tables)
            arguments << QStringLiteral("SELECT * FROM ") + table;
        const Figures one = child(arguments);
        sum.seconds += one.seconds;
        sum.cpuSeconds += one.cpuSeconds;
        sum.peakMegabytes = qMax(sum.peakMegabytes, one.peakMegabytes);
        if (one.status != 0)
            sum.status = one.status;
    }
    return sum;
}

// The child side of the sync figure: one whole sync run of the backup to a
// folder phone below root, with the data kinds chosen and no music.
int syncInChild(const QString& root, const QString& backup)
{
    using namespace BenchRounds;
    isolateSyncRun(root);
    const QString phone = freshPhoneFolder(root);
    {
        SyncSettings settings;
        settings.load();
        settings.setConfig(phoneId(), false, 0, {}, {}, QStringLiteral("bench"));
        settings.setSelectedBackupPath(phoneId(), backup);
        settings.setCopyAddressBook(phoneId(), true);
        settings.setCopyTextMessages(phoneId(), true);
        settings.setCopyCalendar(phoneId(), true);
        settings.setCopyCallHistory(phoneId(), true);
        settings.save();
    }
    LocalMusicLibrary library;
    UsbMSDevice device(phone, QStringLiteral("bench"), true);
    MusicSync sync(&library, &device, nullptr);
    sync.StartInNewThread(false);
    sync.thread()->wait();
    // The run counts only when the files reached the phone.
    for (const QString& name :
         {Constants::addressBookFileName(), Constants::messagesFileName(), Constants::calendarFileName()}) {
        if (!QFileInfo::exists(phone + QStringLiteral("KORVA/") + name)) {
            std::fprintf(stderr, "not on the phone: %s\n", qPrintable(name));
            return 3;
        }
    }
    return 0;
}

qint64 folderBytes(const QString& folder)
{
    qint64 bytes = 0;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& entry : entries)
        bytes += entry.isDir() ? folderBytes(entry.filePath()) : entry.size();
    return bytes;
}

void print(const char* name, const Figures& figures, const Figures& floor)
{
    const double cpuRatio = figures.cpuSeconds / qMax(floor.cpuSeconds, 1e-9);
    const double wallRatio = figures.seconds / qMax(floor.seconds, 1e-9);
    std::printf("%-24s %7.2f s CPU, %7.2f s wall, peak %4ld MB, status %d\n", name, figures.cpuSeconds, figures.seconds,
                figures.peakMegabytes, figures.status);
    std::printf("%-24s %.2f x floor CPU, %.2f x floor wall (goal <= 6: %s); peak (goal <= 200 MB: %s)\n", "", cpuRatio,
                wallRatio, cpuRatio <= 6 ? "met" : "NOT met", figures.peakMegabytes <= 200 ? "met" : "NOT met");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 4 && arguments.at(1) == QLatin1String("--sync"))
        return syncInChild(arguments.at(2), arguments.at(3));
    const bool makeOnly = arguments.size() > 2 && arguments.at(1) == QLatin1String("--make");
    const int firstCount = makeOnly ? 3 : 1;
    QList<int> counts{150000, 300000, 150000, 100000};
    for (int i = 0; i < counts.size() && i + firstCount < arguments.size(); ++i)
        counts[i] = arguments.at(i + firstCount).toInt();
    if (makeOnly)
        return makeBackup(arguments.at(2), counts) ? 0 : 1;

    QTemporaryDir work;
    const QString backup = work.filePath(QStringLiteral("backup"));
    std::printf("bench_large_backup: %d persons, %d messages, %d events, %d calls\n", counts.at(0), counts.at(1),
                counts.at(2), counts.at(3));
    std::fflush(stdout);
    if (!makeBackup(backup, counts)) {
        std::fprintf(stderr, "could not make the backup\n");
        return 1;
    }
    std::printf("backup: %.0f MB\n", double(folderBytes(backup)) / 1048576.0);

    // The floor first and last: the first read of the files pays for the
    // cache, and the better of the two is the floor.
    Figures floor = floorOf(backup);
    const QString programs = QCoreApplication::applicationDirPath();
    const QString out = work.filePath(QStringLiteral("out"));
    const Figures converted = child({programs + QStringLiteral("/velmora-convert"), QStringLiteral("--format"),
                                     QStringLiteral("all"), backup, out});
    std::printf("output: %.0f MB in %lld files\n", double(folderBytes(out)) / 1048576.0,
                qlonglong(QDir(out).entryList(QDir::Files).size()));
    const Figures synced = child({QCoreApplication::applicationFilePath(), QStringLiteral("--sync"),
                                  work.filePath(QStringLiteral("sync")), backup});
    const Figures again = floorOf(backup);
    if (again.cpuSeconds < floor.cpuSeconds)
        floor = again;
    std::printf("%-24s %7.2f s CPU, %7.2f s wall, peak %4ld MB, status %d\n", "floor (sqlite3 reads)", floor.cpuSeconds,
                floor.seconds, floor.peakMegabytes, floor.status);
    print("velmora-convert all", converted, floor);
    print("sync to a folder phone", synced, floor);
    return converted.status == 0 && synced.status == 0 ? 0 : 1;
}

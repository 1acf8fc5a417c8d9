// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Times the extract program on a generated backup (2,000 camera-roll files of
// 200 KB, the four databases, 20,000 other entries) against one `cp` of the
// same camera-roll files. Goal: extract takes at most 1.2 times as long.
#include "app/Constants.h"
#include "transfer/iphone/IphoneMbdbReader.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kPhotos = 2000;
constexpr int kPhotoSize = 200 * 1024;
constexpr int kOtherEntries = 20000;

struct Row
{
    QString domain;
    QString path;
    QByteArray content;
};

bool writeBlob(const QDir& backup, const QString& fileId, const QByteArray& content)
{
    QDir().mkpath(backup.filePath(fileId.left(2)));
    QFile file(backup.filePath(fileId.left(2) + QLatin1Char('/') + fileId));
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

bool makeBackup(const QString& folder, QStringList& photoBlobs)
{
    QDir().mkpath(folder);
    const QDir backup(folder);
    SqliteConnection connection(backup.filePath(QStringLiteral("Manifest.db")));
    if (!connection.open())
        return false;
    QSqlQuery query(connection.database());
    query.exec(QStringLiteral("CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT,"
                              " flags INTEGER, file BLOB)"));
    connection.database().transaction();
    query.prepare(QStringLiteral("INSERT INTO Files VALUES (?, ?, ?, 1, NULL)"));
    const auto add = [&](const QString& domain, const QString& path, const QByteArray& content) {
        const QString fileId = IphoneMbdbReader::fileIdFor(domain, path);
        query.addBindValue(fileId);
        query.addBindValue(domain);
        query.addBindValue(path);
        query.exec();
        writeBlob(backup, fileId, content);
        return backup.filePath(fileId.left(2) + QLatin1Char('/') + fileId);
    };
    QByteArray photo(kPhotoSize, Qt::Uninitialized);
    for (int i = 0; i < kPhotos; ++i) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(photo.data()), kPhotoSize / 4);
        photoBlobs << add(
            QStringLiteral("CameraRollDomain"),
            QStringLiteral("Media/DCIM/%1APPLE/IMG_%2.JPG").arg(100 + i / 1000).arg(i, 4, 10, QLatin1Char('0')), photo);
    }
    const QByteArray database(512 * 1024, 'd');
    for (const char* path : {"Library/SMS/sms.db", "Library/AddressBook/AddressBook.sqlitedb",
                             "Library/AddressBook/AddressBookImages.sqlitedb", "Library/Calendar/Calendar.sqlitedb"})
        add(QStringLiteral("HomeDomain"), QString::fromLatin1(path), database);
    const QByteArray small(1024, 'o');
    for (int i = 0; i < kOtherEntries; ++i)
        add(QStringLiteral("AppDomain-com.example.app%1").arg(i % 50), QStringLiteral("Documents/file%1.bin").arg(i),
            small);
    connection.database().commit();
    return true;
}

// Writes back what earlier steps left dirty, so that neither run pays for the other's writes.
void flushDisks()
{
    QProcess::execute(QStringLiteral("sync"), {});
}

qint64 timeRun(const QString& program, const QStringList& arguments)
{
    flushDisks();
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    process.waitForFinished(-1);
    // The copy is done when its data is on the disk, for both alike.
    flushDisks();
    if (process.exitCode() != 0)
        std::printf("  %s exited with %d\n", qPrintable(program), process.exitCode());
    return timer.elapsed();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString extract =
        QCoreApplication::applicationDirPath() + QLatin1Char('/') + Constants::extractorRelativePath();
    QTemporaryDir temp;
    const QString backup = temp.filePath(QStringLiteral("backup"));
    QStringList photoBlobs;
    std::printf("bench_extract: generating a backup of %d photos (%d MB) and %d other entries...\n", kPhotos,
                kPhotos * (kPhotoSize / 1024) / 1024, kOtherEntries);
    if (!makeBackup(backup, photoBlobs)) {
        std::printf("cannot generate the backup\n");
        return 1;
    }
    qint64 bestExtract = -1;
    qint64 bestCopy = -1;
    for (int round = 0; round < 4; ++round) {
        const QString copyTarget = temp.filePath(QStringLiteral("copy%1").arg(round));
        QDir().mkpath(copyTarget);
        // Alternate the order, so that neither always runs on a warmer cache.
        qint64 copy = 0;
        qint64 extracted = 0;
        const QStringList extractArguments = {backup, temp.filePath(QStringLiteral("extracted%1").arg(round))};
        if (round % 2 == 0) {
            copy = timeRun(QStringLiteral("cp"), photoBlobs + QStringList{copyTarget});
            extracted = timeRun(extract, extractArguments);
        } else {
            extracted = timeRun(extract, extractArguments);
            copy = timeRun(QStringLiteral("cp"), photoBlobs + QStringList{copyTarget});
        }
        std::printf("  round %d: cp %lld ms, extract %lld ms\n", round + 1, copy, extracted);
        bestCopy = bestCopy < 0 ? copy : qMin(bestCopy, copy);
        bestExtract = bestExtract < 0 ? extracted : qMin(bestExtract, extracted);
        QDir(copyTarget).removeRecursively();
        QDir(temp.filePath(QStringLiteral("extracted%1").arg(round))).removeRecursively();
    }
    const double ratio = bestCopy > 0 ? double(bestExtract) / double(bestCopy) : 0.0;
    std::printf("bench_extract: best cp %lld ms, best extract %lld ms, ratio %.2f (goal <= 1.20): %s\n", bestCopy,
                bestExtract, ratio, ratio <= 1.2 ? "met" : "NOT met");
    return 0;
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Converts a generated BlackBerry backup of about 100 MB (300,000 SMS and
// 50,000 contacts) into the two XML files and prints the throughput and the
// peak memory. Goal: at least 60 MB/s, peak memory at most 4 times the backup.
#include "../tests/support/IpdWriter.h"
#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BlackberryBackup.h"
#include "transfer/blackberry/BlackberryConversion.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

constexpr int kMessages = 300000;
constexpr int kContacts = 50000;

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

qint64 peakResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}

bool writeBackup(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(IpdWriter::header({QStringLiteral("SMS Messages"), QStringLiteral("Address Book - All")}));
    const QByteArray text = QByteArray("Running late, the train is stuck outside the station again. Start without me "
                                       "and order the usual; I will be there in twenty minutes or so. Sorry! ")
                                .repeated(2)
                                .left(210);
    const QByteArray greek = IpdWriter::utf16BigEndian(QString::fromUtf8("\xce\x9a\xce\xb1\xce\xbb\xce\xb7"
                                                                         "\xce\xbc\xce\xad\xcf\x81\xce\xb1 "))
                                 .repeated(10);
    for (int i = 0; i < kMessages; ++i) {
        const QByteArray address = "+4477009" + QByteArray::number(10000 + i % 50000);
        const bool ucs2 = i % 10 == 0;
        file.write(IpdWriter::smsRecord(0, i % 2 == 0, 1300000000000ull + quint64(i) * 60000, address,
                                        ucs2 ? greek : text, ucs2));
    }
    using IpdWriter::textSubfield;
    for (int i = 0; i < kContacts; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray field = textSubfield(32, "Firstname" + n) + textSubfield(32, "Middle")
                                 + textSubfield(32, "Lastname" + n) + textSubfield(8, "+447700900" + n)
                                 + textSubfield(17, "+441130000" + n) + textSubfield(1, "person" + n + "@example.org")
                                 + textSubfield(33, "Example Holdings Limited") + textSubfield(61, n + " High Street")
                                 + textSubfield(69, "Leeds") + textSubfield(71, "LS1 4AP") + textSubfield(72, "UK")
                                 + textSubfield(35, "Unit " + n + ", Business Park") + textSubfield(38, "York");
        file.write(IpdWriter::record(1, {{10, field}, {3, QByteArray(16, 'x')}}, quint32(i)));
    }
    return file.error() == QFile::NoError;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    const QString backup = work.filePath(QStringLiteral("bench.ipd"));
    if (!writeBackup(backup)) {
        std::fprintf(stderr, "cannot write the backup\n");
        return 1;
    }
    const double megabytes = double(QFileInfo(backup).size()) / (1024.0 * 1024.0);
    double readCpuSeconds = 0;
    {
        // The reading phase alone, for the breakdown; it also warms the page cache.
        const double start = processCpuSeconds();
        BackupDatabaseTable table;
        BlackberryBackup::read(backup, QString(), table);
        readCpuSeconds = processCpuSeconds() - start;
    }
    const qint64 peakBefore = peakResidentBytes();
    {
        // Resets the peak so that the figure below is the conversion's own.
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
    }

    const double cpuBefore = processCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    const BlackberryConversionResult result =
        BlackberryConversion::convert(backup, work.filePath(QStringLiteral("out")));
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double cpuSeconds = processCpuSeconds() - cpuBefore;
    const double peakMegabytes = double(peakResidentBytes()) / (1024.0 * 1024.0);

    std::printf("bench_blackberry: backup %.1f MB, %d messages, %d contacts, result %d\n", megabytes, result.messages,
                result.contacts, result.code);
    std::printf("  conversion: %.2f s, %.1f MB/s (goal >= 60)\n", seconds, megabytes / seconds);
    // On a busy machine the wall time includes waiting for a core.
    std::printf("  CPU time: %.2f s, %.1f MB/s per CPU second (reading alone %.2f s)\n", cpuSeconds,
                megabytes / cpuSeconds, readCpuSeconds);
    std::printf("  peak RSS: %.1f MB = %.2f x backup (goal <= 4); peak of the reading pass %.1f MB\n", peakMegabytes,
                peakMegabytes / megabytes, double(peakBefore) / (1024.0 * 1024.0));
    std::printf("  output: messages.xml %.1f MB, address.xml %.1f MB\n",
                double(QFileInfo(result.messagesPath).size()) / (1024.0 * 1024.0),
                double(QFileInfo(result.addressBookPath).size()) / (1024.0 * 1024.0));
    return result.code == 0 ? 0 : 1;
}

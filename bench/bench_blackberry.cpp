// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Converts generated BlackBerry backups of about 55 MB and 110 MB (SMS,
// contacts and calendar entries in proportion, a call log and memos) into the KORVA files and
// into the standard files, each run in a child process of its own so that
// its peak memory is its own. Goals: at least 60 MB/s; peak memory at most
// 100 MB for the 55 MB backup, and flat as the backup grows (at most 10 MB
// more for twice the backup).
#include "../tests/support/IpdWriter.h"
#include "BenchClock.h"
#include "BenchMemory.h"
#include "transfer/BackupConversion.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Records for the 55 MB backup; the larger one holds twice as many.
constexpr int kMessages = 165000;
constexpr int kContacts = 27500;
constexpr int kEvents = 10000;
// A call log and memos of a size real phones keep, the same in both.
constexpr int kCalls = 2000;
constexpr int kMemos = 200;
constexpr double kPeakLimitMegabytes = 100;
constexpr double kGrowthLimitMegabytes = 10;
constexpr double kThroughputGoal = 60;

QByteArray little(quint64 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

bool writeBackup(const QString& path, int scale)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(IpdWriter::header({QStringLiteral("SMS Messages"), QStringLiteral("Address Book - All"),
                                  QStringLiteral("Phone Call Logs"), QStringLiteral("Memos"),
                                  QStringLiteral("Calendar - All")}));
    const QByteArray text = QByteArray("Running late, the train is stuck outside the station again. Start without me "
                                       "and order the usual; I will be there in twenty minutes or so. Sorry! ")
                                .repeated(2)
                                .left(210);
    const QByteArray greek = IpdWriter::utf16BigEndian(QString::fromUtf8("\xce\x9a\xce\xb1\xce\xbb\xce\xb7"
                                                                         "\xce\xbc\xce\xad\xcf\x81\xce\xb1 "))
                                 .repeated(10);
    const int messages = kMessages * scale;
    for (int i = 0; i < messages; ++i) {
        const QByteArray address = "+4477009" + QByteArray::number(10000 + i % 50000);
        const bool ucs2 = i % 10 == 0;
        file.write(IpdWriter::smsRecord(0, i % 2 == 0, 1300000000000ull + quint64(i) * 60000, address,
                                        ucs2 ? greek : text, ucs2));
    }
    using IpdWriter::textSubfield;
    const int contacts = kContacts * scale;
    for (int i = 0; i < contacts; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray field = textSubfield(32, "Firstname" + n) + textSubfield(32, "Middle")
                                 + textSubfield(32, "Lastname" + n) + textSubfield(8, "+447700900" + n)
                                 + textSubfield(17, "+441130000" + n) + textSubfield(1, "person" + n + "@example.org")
                                 + textSubfield(33, "Example Holdings Limited") + textSubfield(61, n + " High Street")
                                 + textSubfield(69, "Leeds") + textSubfield(71, "LS1 4AP") + textSubfield(72, "UK")
                                 + textSubfield(35, "Unit " + n + ", Business Park") + textSubfield(38, "York");
        file.write(IpdWriter::record(1, {{10, field}, {3, QByteArray(16, 'x')}}, quint32(i)));
    }
    for (int i = 0; i < kCalls; ++i) {
        file.write(IpdWriter::record(2, {{0x02, little(quint64(i % 4), 1)},
                                         {0x03, little(quint64(i % 600), 4)},
                                         {0x04, little(1300000000000ull + quint64(i) * 3600000, 8)},
                                         {0x0c, "+4477009" + QByteArray::number(10000 + i) + '\0'},
                                         {0x1f, "Caller " + QByteArray::number(i) + '\0'}}));
    }
    for (int i = 0; i < kMemos; ++i) {
        file.write(
            IpdWriter::record(3, {{0x01, "Memo " + QByteArray::number(i) + '\0'}, {0x02, text.repeated(4) + '\0'}}));
    }
    // Weekly meetings of an hour from 2011 on, a quarter of an hour's reminder;
    // times in minutes since 1900.
    constexpr quint64 kFirstStart = 58483320;
    const int events = kEvents * scale;
    for (int i = 0; i < events; ++i) {
        const quint64 start = kFirstStart + quint64(i) * 90;
        file.write(IpdWriter::record(4,
                                     {{0x02, "Project meeting " + QByteArray::number(i) + '\0'},
                                      {0x03, text + '\0'},
                                      {0x04, "Room " + QByteArray::number(i % 40) + '\0'},
                                      {0x05, little(start - 15, 4)},
                                      {0x06, little(start, 4)},
                                      {0x07, little(start + 60, 4)},
                                      {0x0c, "\x0c" + little(1, 2) + little(start + 40320, 4) + little(0, 2)}},
                                     quint32(i)));
    }
    return file.error() == QFile::NoError;
}

// One conversion in this process; prints "wall-seconds cpu-seconds
// peak-KiB code messages contacts events".
int convertInChild(const QString& format, const QString& backup, const QString& output)
{
    BackupChoices choices;
    choices.format = format == QLatin1String("korva") ? BackupChoices::Format::Korva : BackupChoices::Format::Android;
    QElapsedTimer timer;
    timer.start();
    const qint64 cpuStart = cpuNanoseconds();
    const BackupConversionResult result = BackupConversion::convert(backup, output, output, choices);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double cpuSeconds = double(cpuNanoseconds() - cpuStart) / 1e9;
    const int messages = format == QLatin1String("korva") ? result.messages.count : result.smsBackup.count;
    const int contacts = format == QLatin1String("korva") ? result.addressBook.count : result.contactsVcard.count;
    std::printf("%f %f %lld %d %d %d %d\n", seconds, cpuSeconds, static_cast<long long>(statusKib("VmHWM:")),
                result.firstFailure(), messages, contacts,
                format == QLatin1String("korva") ? result.calendar.count : result.calendarIcs.count);
    return 0;
}

struct Figures
{
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMegabytes = 0;
    int code = -1;
    int messages = 0;
    int contacts = 0;
    int events = 0;
};

Figures runChild(const QString& format, const QString& backup, const QString& output)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), format, backup, output});
    Figures figures;
    if (!child.waitForFinished(-1))
        return figures;
    const QList<QByteArray> values = child.readAllStandardOutput().trimmed().split(' ');
    if (values.size() != 7)
        return figures;
    figures.seconds = values.at(0).toDouble();
    figures.cpuSeconds = values.at(1).toDouble();
    figures.peakMegabytes = values.at(2).toDouble() / 1024.0;
    figures.code = values.at(3).toInt();
    figures.messages = values.at(4).toInt();
    figures.contacts = values.at(5).toInt();
    figures.events = values.at(6).toInt();
    return figures;
}

void print(const char* files, double megabytes, const Figures& figures)
{
    std::printf("  %-15s %7d messages, %6d contacts, %6d events, result %d: %5.2f s, %5.1f MB/s (goal >= %.0f), "
                "%5.1f MB/s per CPU second; peak %5.1f MB (limit %.0f MB for the 55 MB backup; backup %.1f MB)\n",
                files, figures.messages, figures.contacts, figures.events, figures.code, figures.seconds,
                megabytes / figures.seconds, kThroughputGoal, megabytes / figures.cpuSeconds, figures.peakMegabytes,
                kPeakLimitMegabytes, megabytes);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 5 && arguments.at(1) == QLatin1String("--child"))
        return convertInChild(arguments.at(2), arguments.at(3), arguments.at(4));

    QTemporaryDir work;
    const char* const formats[] = {"korva", "android"};
    const char* const names[] = {"KORVA files", "standard files"};
    double peaks[2][2] = {};
    double sizes[2] = {};
    bool failed = false;
    for (int scale = 1; scale <= 2; ++scale) {
        const QString backup = work.filePath(QStringLiteral("bench-%1.ipd").arg(scale));
        if (!writeBackup(backup, scale)) {
            std::fprintf(stderr, "cannot write the backup\n");
            return 1;
        }
        const double megabytes = double(QFileInfo(backup).size()) / (1024.0 * 1024.0);
        sizes[scale - 1] = megabytes;
        std::printf("bench_blackberry: backup of %.1f MB\n", megabytes);
        for (int format = 0; format < 2; ++format) {
            const QString output = work.filePath(QStringLiteral("out-%1-%2").arg(scale).arg(format));
            const Figures figures = runChild(QString::fromLatin1(formats[format]), backup, output);
            print(names[format], megabytes, figures);
            peaks[scale - 1][format] = figures.peakMegabytes;
            failed = failed || figures.code != 0;
        }
        QFile::remove(backup);
    }
    for (int format = 0; format < 2; ++format) {
        std::printf("  %-15s peak %.1f MB for %.1f MB, %.1f MB for %.1f MB: %+.1f MB (goal: flat, at most %+.0f MB)\n",
                    names[format], peaks[0][format], sizes[0], peaks[1][format], sizes[1],
                    peaks[1][format] - peaks[0][format], kGrowthLimitMegabytes);
    }
    return failed ? 1 : 0;
}

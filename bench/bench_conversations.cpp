// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Whole conversations end to end: a newer-layout sms.db of 300,000 messages in
// 200 chats (one in ten a group chat), one message in ten carrying a small
// picture and three carrying a 40 MB video, converted to messages.xml and the
// SMS Backup & Restore file together, as a sync does. Once with iOS's own
// indexes and once without any. Goals: at least 100,000 messages per second,
// peak memory growth under 64 MB, and the database without indexes within
// 1.5 times the indexed time.
#include "BenchClock.h"
#include "BenchMemory.h"
#include "IphoneDatabases.h"
#include "transfer/android/SmsBackupWriter.h"
#include "transfer/iphone/IphoneMessagesExport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using namespace IphoneDatabases;

constexpr int kMessages = 300000;

bool writeFile(const QString& path, qint64 size, char fill)
{
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray block(1 << 20, fill);
    for (qint64 left = size; left > 0; left -= block.size())
        file.write(block.constData(), qMin<qint64>(left, block.size()));
    return true;
}

bool makeHome(const QString& home)
{
    for (int p = 0; p < kPictures; ++p) {
        if (!writeFile(home + QLatin1Char('/') + kPicturePath.arg(p), 3000 + p, char('a' + p % 26)))
            return false;
    }
    return writeFile(home + QLatin1Char('/') + kVideoPath, qint64(40) << 20, 'v');
}

struct Run
{
    double seconds = 0;
    double growthMb = 0;
    int result = -1;
    int attachments = 0;
};

Run convert(const QString& db, const QString& home, const QString& out)
{
    resetPeak();
    const long before = statusKib("VmRSS:");
    Run run;
    const qint64 start = cpuNanoseconds();
    SmsBackupWriter sms;
    if (sms.open(out + QStringLiteral("/sms-20260101000000.xml")) != 0)
        return run;
    run.result = IphoneMessagesExport::write(db, out + QStringLiteral("/messages.xml"), &sms, home);
    if (run.result == 0)
        run.result = sms.finish(nullptr);
    run.seconds = double(cpuNanoseconds() - start) / 1e9;
    run.growthMb = double(statusKib("VmHWM:") - before) / 1024.0;
    run.attachments = sms.attachmentCount();
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString home = temp.filePath(QStringLiteral("home"));
    const QString indexed = temp.filePath(QStringLiteral("indexed.db"));
    const QString bare = temp.filePath(QStringLiteral("bare.db"));
    if (!makeHome(home) || !makeMessages(indexed, kMessages, true, true)
        || !makeMessages(bare, kMessages, false, true)) {
        std::printf("cannot create the databases\n");
        return 1;
    }
    // Each twice, alternating, keeping the faster: the first run also pays
    // for loading the SQL driver and for the files' first read.
    Run withIndexes;
    Run without;
    for (int round = 0; round < 2; ++round) {
        const Run a = convert(indexed, home, temp.path());
        const Run b = convert(bare, home, temp.path());
        if (round == 0 || a.seconds < withIndexes.seconds)
            withIndexes = a;
        if (round == 0 || b.seconds < without.seconds)
            without = b;
    }
    for (const auto& [name, run] :
         {std::pair{"with iOS's indexes", withIndexes}, std::pair{"without indexes", without}}) {
        const double rate = kMessages / qMax(run.seconds, 1e-9);
        std::printf("bench_conversations %s: %d messages, %d attachments in %.2f s processor (result %d): "
                    "%.0f messages/s (goal >= 100000: %s); peak memory growth %.1f MB (goal < 64 MB: %s)\n",
                    name, kMessages, run.attachments, run.seconds, run.result, rate, rate >= 100000 ? "met" : "NOT met",
                    run.growthMb, run.growthMb < 64 ? "met" : "NOT met");
    }
    const double ratio = without.seconds / qMax(withIndexes.seconds, 1e-9);
    std::printf("bench_conversations: without indexes / with indexes = %.2f (goal <= 1.5: %s)\n", ratio,
                ratio <= 1.5 ? "met" : "NOT met");
    return 0;
}

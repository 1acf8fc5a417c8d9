// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Converts generated sms.db files of the newer layout (30,000 and 300,000
// messages) to messages.xml. Goals: at least 150,000 messages per second, and
// a peak memory under 100 MB whatever the count.
#include "transfer/iphone/IphoneMessagesExport.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

bool makeDatabase(const QString& path, int messages)
{
    SqliteConnection connection(path);
    if (!connection.open())
        return false;
    QSqlQuery query(connection.database());
    query.exec(QStringLiteral(
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, text TEXT,"
        " attributedBody BLOB, handle_id INTEGER DEFAULT 0, service TEXT, date INTEGER, date_read INTEGER,"
        " date_delivered INTEGER, is_from_me INTEGER DEFAULT 0, is_read INTEGER DEFAULT 0)"));
    query.exec(QStringLiteral("CREATE TABLE handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, id TEXT NOT NULL,"
                              " service TEXT, country TEXT)"));
    query.exec(QStringLiteral("CREATE TABLE chat (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL,"
                              " chat_identifier TEXT)"));
    query.exec(QStringLiteral("CREATE TABLE chat_message_join (chat_id INTEGER, message_id INTEGER,"
                              " message_date INTEGER DEFAULT 0, PRIMARY KEY (chat_id, message_id))"));
    query.exec(QStringLiteral("CREATE INDEX chat_message_join_idx_message_id_only ON chat_message_join(message_id)"));
    connection.database().transaction();
    query.prepare(QStringLiteral("INSERT INTO handle (id, service) VALUES (?, 'SMS')"));
    for (int h = 0; h < 200; ++h) {
        query.addBindValue(QStringLiteral("+4917000%1").arg(h, 4, 10, QLatin1Char('0')));
        query.exec();
    }
    query.prepare(QStringLiteral("INSERT INTO chat (guid, chat_identifier) VALUES (?, ?)"));
    for (int h = 0; h < 200; ++h) {
        query.addBindValue(QStringLiteral("chat%1").arg(h));
        query.addBindValue(QStringLiteral("+4917000%1").arg(h, 4, 10, QLatin1Char('0')));
        query.exec();
    }
    const QByteArray body = QByteArrayLiteral("\x04\x0bstreamtyped\x81\xe8\x03\x84\x01@\x84\x84\x84\x12"
                                              "NSAttributedString\x00\x84\x84\x08NSObject\x00\x85\x92\x84\x84\x84"
                                              "\x08NSString\x01\x94\x84\x01+\x1bThe body only lives in here\x86");
    QSqlQuery message(connection.database());
    message.prepare(QStringLiteral("INSERT INTO message (guid, text, attributedBody, handle_id, date, is_from_me,"
                                   " is_read) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    QSqlQuery join(connection.database());
    join.prepare(QStringLiteral("INSERT INTO chat_message_join (chat_id, message_id) VALUES (?, ?)"));
    for (int i = 1; i <= messages; ++i) {
        const bool fromMe = i % 3 == 0;
        const bool bodyOnly = i % 4 == 0;
        message.addBindValue(QStringLiteral("guid-%1").arg(i));
        message.addBindValue(bodyOnly ? QVariant()
                                      : QVariant(QStringLiteral("Message number %1, see you later").arg(i)));
        message.addBindValue(bodyOnly ? QVariant(body) : QVariant());
        message.addBindValue(fromMe ? 0 : 1 + i % 200);
        message.addBindValue(qint64(600000000) * 1000000000 + qint64(i) * 1000000000);
        message.addBindValue(fromMe ? 1 : 0);
        message.addBindValue(i % 5 == 0 ? 0 : 1);
        message.exec();
        join.addBindValue(1 + i % 200);
        join.addBindValue(i);
        join.exec();
    }
    connection.database().commit();
    return true;
}

long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Processor time of this process: on a machine shared with other work the
// wall-clock time says more about the neighbours than about the conversion.
qint64 cpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

void resetPeak()
{
    // Writing 5 resets the peak resident size the kernel reports as VmHWM.
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    for (const int count : {30000, 300000}) {
        QTemporaryDir temp;
        const QString db = temp.filePath(QStringLiteral("sms.db"));
        if (!makeDatabase(db, count)) {
            std::printf("cannot create the database\n");
            return 1;
        }
        resetPeak();
        const long before = peakKilobytes();
        QElapsedTimer timer;
        timer.start();
        const qint64 cpuBefore = cpuMilliseconds();
        const int result = IphoneMessagesExport::write(db, temp.filePath(QStringLiteral("messages.xml")));
        const qint64 ms = qMax<qint64>(1, timer.elapsed());
        const qint64 cpu = qMax<qint64>(1, cpuMilliseconds() - cpuBefore);
        const long peak = peakKilobytes();
        const double rate = double(count) * 1000.0 / double(ms);
        const double cpuRate = double(count) * 1000.0 / double(cpu);
        std::printf("bench_messages: %d messages in %lld ms wall, %lld ms processor (result %d): %.0f messages/s wall, "
                    "%.0f per processor second (goal >= 150000: %s); "
                    "peak resident %.1f MB (was %.1f MB before; goal < 100 MB: %s); messages.xml %.1f MB\n",
                    count, ms, cpu, result, rate, cpuRate, cpuRate >= 150000 ? "met" : "NOT met", peak / 1024.0,
                    before / 1024.0, peak < 100 * 1024 ? "met" : "NOT met",
                    QFile(temp.filePath(QStringLiteral("messages.xml"))).size() / 1048576.0);
    }
    return 0;
}

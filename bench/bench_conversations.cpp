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
#include "transfer/android/SmsBackupWriter.h"
#include "transfer/iphone/IphoneMessagesExport.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <cstdio>

namespace {

constexpr int kMessages = 300000;
constexpr int kChats = 200;
constexpr int kPictures = 50; // files the picture attachments point at
const QString kPicturePath = QStringLiteral("Library/SMS/Attachments/0a/10/P%1/IMG_%1.JPG");
const QString kVideoPath = QStringLiteral("Library/SMS/Attachments/0b/11/V/VID_0001.MOV");

bool exec(QSqlQuery& query, const QString& statement)
{
    if (query.exec(statement))
        return true;
    std::printf("statement failed: %s\n", qPrintable(statement));
    return false;
}

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

bool makeDatabase(const QString& path, bool withIndexes)
{
    SqliteConnection connection(path);
    if (!connection.open())
        return false;
    QSqlQuery query(connection.database());
    const QStringList schema{
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, text TEXT,"
        " attributedBody BLOB, handle_id INTEGER DEFAULT 0, service TEXT, date INTEGER, is_from_me INTEGER DEFAULT 0,"
        " is_read INTEGER DEFAULT 0, cache_has_attachments INTEGER DEFAULT 0)",
        "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, id TEXT NOT NULL, service TEXT)",
        "CREATE TABLE chat (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, style INTEGER,"
        " chat_identifier TEXT)",
        "CREATE TABLE chat_message_join (chat_id INTEGER, message_id INTEGER, message_date INTEGER DEFAULT 0,"
        " PRIMARY KEY (chat_id, message_id))",
        "CREATE TABLE chat_handle_join (chat_id INTEGER, handle_id INTEGER, UNIQUE(chat_id, handle_id))",
        "CREATE TABLE attachment (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, filename TEXT,"
        " mime_type TEXT, transfer_name TEXT, total_bytes INTEGER DEFAULT 0)",
        "CREATE TABLE message_attachment_join (message_id INTEGER, attachment_id INTEGER,"
        " UNIQUE(message_id, attachment_id))"};
    for (const QString& statement : schema) {
        if (!exec(query, statement))
            return false;
    }
    if (withIndexes) {
        for (const char* statement :
             {"CREATE INDEX chat_message_join_idx_message_id_only ON chat_message_join(message_id)",
              "CREATE INDEX message_attachment_join_idx_message_id ON message_attachment_join(message_id)",
              "CREATE INDEX chat_handle_join_idx_handle_id ON chat_handle_join(handle_id)",
              "CREATE INDEX message_idx_handle ON message(handle_id, date)"}) {
            if (!exec(query, QString::fromLatin1(statement)))
                return false;
        }
    }
    connection.database().transaction();
    for (int h = 1; h <= kChats + 1; ++h)
        exec(query, QStringLiteral("INSERT INTO handle (id, service) VALUES ('+4917%1', 'SMS')")
                        .arg(h, 6, 10, QLatin1Char('0')));
    for (int c = 1; c <= kChats; ++c) {
        const bool group = c % 10 == 0;
        exec(query, QStringLiteral("INSERT INTO chat (guid, style, chat_identifier) VALUES ('c%1', %2, '%3')")
                        .arg(c)
                        .arg(group ? 43 : 45)
                        .arg(group ? QStringLiteral("chat%1").arg(c)
                                   : QStringLiteral("+4917%1").arg(c, 6, 10, QLatin1Char('0'))));
        exec(query, QStringLiteral("INSERT INTO chat_handle_join VALUES (%1, %1)").arg(c));
        if (group)
            exec(query, QStringLiteral("INSERT INTO chat_handle_join VALUES (%1, %2)").arg(c).arg(c + 1));
    }
    QSqlQuery message(connection.database());
    message.prepare(QStringLiteral("INSERT INTO message (guid, text, handle_id, date, is_from_me, is_read)"
                                   " VALUES (?, ?, ?, ?, ?, 1)"));
    QSqlQuery join(connection.database());
    join.prepare(QStringLiteral("INSERT INTO chat_message_join (chat_id, message_id) VALUES (?, ?)"));
    QSqlQuery attachment(connection.database());
    attachment.prepare(QStringLiteral("INSERT INTO attachment (guid, filename, mime_type, transfer_name)"
                                      " VALUES (?, ?, ?, ?)"));
    QSqlQuery link(connection.database());
    link.prepare(QStringLiteral("INSERT INTO message_attachment_join (message_id, attachment_id) VALUES (?, ?)"));
    int attachments = 0;
    for (int i = 1; i <= kMessages; ++i) {
        const int chat = 1 + i % kChats;
        const bool fromMe = i % 3 == 0;
        message.addBindValue(QStringLiteral("m%1").arg(i));
        message.addBindValue(QStringLiteral("Message number %1, see you later").arg(i));
        message.addBindValue(fromMe ? 0 : chat);
        message.addBindValue(qint64(600000000) * 1000000000 + qint64(i) * 1000000);
        message.addBindValue(fromMe ? 1 : 0);
        message.exec();
        join.addBindValue(chat);
        join.addBindValue(i);
        join.exec();
        const bool video = i % 100000 == 7;
        if (i % 10 != 0 && !video)
            continue;
        attachment.addBindValue(QStringLiteral("a%1").arg(++attachments));
        attachment.addBindValue(QString(QStringLiteral("~/") + (video ? kVideoPath : kPicturePath.arg(i % kPictures))));
        attachment.addBindValue(video ? QStringLiteral("video/quicktime") : QStringLiteral("image/jpeg"));
        attachment.addBindValue(video ? QStringLiteral("VID_0001.MOV") : QStringLiteral("IMG_%1.JPG").arg(i));
        attachment.exec();
        link.addBindValue(i);
        link.addBindValue(attachments);
        link.exec();
    }
    return connection.database().commit();
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
    if (!makeHome(home) || !makeDatabase(indexed, true) || !makeDatabase(bare, false)) {
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

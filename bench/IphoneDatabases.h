// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// What the conversion benchmarks share: generators of iPhone databases with
// iOS's own tables and indexes (address book, calendar, messages, call
// history), and the figures of a child process (wall and CPU time, peak
// memory), so that each step's peak is its own.
#pragma once

#include "transfer/iphone/SqliteConnection.h"

#include <QElapsedTimer>
#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdio>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace IphoneDatabases {

constexpr int kChats = 200;
constexpr int kPictures = 50; // files the picture attachments point at
inline const QString kPicturePath = QStringLiteral("Library/SMS/Attachments/0a/10/P%1/IMG_%1.JPG");
inline const QString kVideoPath = QStringLiteral("Library/SMS/Attachments/0b/11/V/VID_0001.MOV");

inline bool run(QSqlQuery& query, const QString& text)
{
    if (query.exec(text))
        return true;
    std::fprintf(stderr, "failed: %s\n", qPrintable(text));
    return false;
}

inline bool makeAddressBook(const QString& path, int persons)
{
    SqliteConnection connection(path);
    if (!connection.open())
        return false;
    QSqlQuery q(connection.database());
    const char* schema[] = {
        "CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, First TEXT, Last TEXT, Middle TEXT,"
        " Organization TEXT, Department TEXT, Note TEXT, Kind INTEGER, Birthday TEXT, JobTitle TEXT, Nickname TEXT,"
        " Prefix TEXT, Suffix TEXT, guid TEXT)",
        "CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, property INTEGER,"
        " identifier INTEGER, label INTEGER, value TEXT, guid TEXT)",
        "CREATE TABLE ABMultiValueLabel (value TEXT, UNIQUE(value))",
        "CREATE TABLE ABMultiValueEntry (parent_id INTEGER, key INTEGER, value TEXT, UNIQUE(parent_id, key))",
        "CREATE TABLE ABMultiValueEntryKey (value TEXT, UNIQUE(value))",
        "CREATE INDEX ABMultiValueRecordIDIndex ON ABMultiValue(record_id)",
        "CREATE INDEX ABMultiValueEntryParentIDIndex ON ABMultiValueEntry(parent_id)",
        "INSERT INTO ABMultiValueLabel (value) VALUES ('_$!<Mobile>!$_'), ('_$!<Home>!$_'), ('_$!<Work>!$_')",
        "INSERT INTO ABMultiValueEntryKey (value) VALUES ('Street'), ('City'), ('ZIP')"};
    for (const char* statement : schema) {
        if (!run(q, QLatin1String(statement)))
            return false;
    }
    connection.database().transaction();
    QSqlQuery person(connection.database());
    person.prepare(
        QStringLiteral("INSERT INTO ABPerson (First, Last, Organization, Birthday, guid) VALUES (?,?,?,?,?)"));
    QSqlQuery value(connection.database());
    value.prepare(QStringLiteral("INSERT INTO ABMultiValue (record_id, property, label, value) VALUES (?,?,?,?)"));
    QSqlQuery entry(connection.database());
    entry.prepare(QStringLiteral("INSERT INTO ABMultiValueEntry (parent_id, key, value) VALUES (?,?,?)"));
    for (int i = 1; i <= persons; ++i) {
        person.addBindValue(QStringLiteral("First%1").arg(i));
        person.addBindValue(QStringLiteral("Last%1").arg(i));
        person.addBindValue(i % 4 == 0 ? QVariant(QStringLiteral("Company %1").arg(i % 500)) : QVariant());
        person.addBindValue(i % 5 == 0 ? QVariant(QStringLiteral("-%1").arg(i)) : QVariant());
        person.addBindValue(QStringLiteral("guid-%1").arg(i));
        person.exec();
        const auto addValue = [&](int property, int label, const QString& text) {
            value.addBindValue(i);
            value.addBindValue(property);
            value.addBindValue(label);
            value.addBindValue(text);
            value.exec();
            return value.lastInsertId().toLongLong();
        };
        addValue(3, 1, QStringLiteral("+44 7700 %1").arg(i, 6, 10, QLatin1Char('0')));
        addValue(3, 2, QStringLiteral("0113 %1").arg(i, 6, 10, QLatin1Char('0')));
        addValue(4, 3, QStringLiteral("person%1@example.com").arg(i));
        const qint64 address = addValue(5, 2, QString());
        for (int key = 1; key <= 3; ++key) {
            entry.addBindValue(address);
            entry.addBindValue(key);
            entry.addBindValue(QStringLiteral("part %1 of %2").arg(key).arg(i));
            entry.exec();
        }
    }
    return connection.database().commit();
}

inline bool makeCalendar(const QString& path, int events)
{
    SqliteConnection connection(path);
    if (!connection.open())
        return false;
    QSqlQuery q(connection.database());
    const char* schema[] = {
        "CREATE TABLE CalendarItem (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, summary TEXT, location_id INTEGER,"
        " description TEXT, start_date REAL, start_tz TEXT, end_date REAL, all_day INTEGER, calendar_id INTEGER,"
        " has_recurrences INTEGER, url TEXT, UUID TEXT)",
        "CREATE TABLE Location (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, title TEXT, item_owner_id INTEGER)",
        "CREATE TABLE Recurrence (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, frequency INTEGER, interval INTEGER,"
        " count INTEGER, end_date REAL, owner_id INTEGER)",
        "CREATE TABLE Alarm (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, trigger_date REAL, trigger_interval INTEGER,"
        " owner_id INTEGER)",
        "CREATE TABLE ExceptionDate (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, date REAL, owner_id INTEGER)",
        "CREATE INDEX RecurrenceOwnerId ON Recurrence(owner_id)",
        "CREATE INDEX AlarmOwnerId ON Alarm(owner_id)",
        "CREATE INDEX LocationItemOwnerId ON Location(item_owner_id)",
        "CREATE INDEX ExceptionDateOwnerId ON ExceptionDate(owner_id)"};
    for (const char* statement : schema) {
        if (!run(q, QLatin1String(statement)))
            return false;
    }
    const char* zones[] = {"Europe/London", "America/New_York", "Asia/Tokyo", "_float"};
    connection.database().transaction();
    QSqlQuery item(connection.database());
    item.prepare(QStringLiteral("INSERT INTO CalendarItem (summary, description, start_date, end_date, start_tz,"
                                " all_day, UUID) VALUES (?,?,?,?,?,?,?)"));
    QSqlQuery recurrence(connection.database());
    recurrence.prepare(QStringLiteral("INSERT INTO Recurrence (frequency, interval, owner_id) VALUES (2, 1, ?)"));
    QSqlQuery alarm(connection.database());
    alarm.prepare(QStringLiteral("INSERT INTO Alarm (trigger_interval, owner_id) VALUES (-900, ?)"));
    QSqlQuery location(connection.database());
    location.prepare(QStringLiteral("INSERT INTO Location (title, item_owner_id) VALUES (?, ?)"));
    for (int i = 1; i <= events; ++i) {
        const double start = 700000000.0 + i * 3600.0;
        item.addBindValue(QStringLiteral("Event %1").arg(i));
        item.addBindValue(QStringLiteral("Notes for event %1").arg(i));
        item.addBindValue(start);
        item.addBindValue(start + 1800);
        item.addBindValue(QLatin1String(zones[i % 4]));
        item.addBindValue(i % 10 == 0 ? 1 : 0);
        item.addBindValue(QStringLiteral("uuid-%1").arg(i));
        item.exec();
        if (i % 5 == 0) {
            recurrence.addBindValue(i);
            recurrence.exec();
        }
        alarm.addBindValue(i);
        alarm.exec();
        location.addBindValue(QStringLiteral("Room %1").arg(i % 100));
        location.addBindValue(i);
        location.exec();
    }
    return connection.database().commit();
}

// A newer-layout sms.db: messages in kChats chats (one in ten a group chat);
// with attachments, one message in ten carries a picture (kPicturePath) and
// three a video (kVideoPath), whose files are the caller's to make.
inline bool makeMessages(const QString& path, int messages, bool withIndexes, bool withAttachments)
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
        if (!run(query, statement))
            return false;
    }
    if (withIndexes) {
        for (const char* statement :
             {"CREATE INDEX chat_message_join_idx_message_id_only ON chat_message_join(message_id)",
              "CREATE INDEX message_attachment_join_idx_message_id ON message_attachment_join(message_id)",
              "CREATE INDEX chat_handle_join_idx_handle_id ON chat_handle_join(handle_id)",
              "CREATE INDEX message_idx_handle ON message(handle_id, date)"}) {
            if (!run(query, QString::fromLatin1(statement)))
                return false;
        }
    }
    connection.database().transaction();
    for (int h = 1; h <= kChats + 1; ++h)
        run(query, QStringLiteral("INSERT INTO handle (id, service) VALUES ('+4917%1', 'SMS')")
                       .arg(h, 6, 10, QLatin1Char('0')));
    for (int c = 1; c <= kChats; ++c) {
        const bool group = c % 10 == 0;
        run(query, QStringLiteral("INSERT INTO chat (guid, style, chat_identifier) VALUES ('c%1', %2, '%3')")
                       .arg(c)
                       .arg(group ? 43 : 45)
                       .arg(group ? QStringLiteral("chat%1").arg(c)
                                  : QStringLiteral("+4917%1").arg(c, 6, 10, QLatin1Char('0'))));
        run(query, QStringLiteral("INSERT INTO chat_handle_join VALUES (%1, %1)").arg(c));
        if (group)
            run(query, QStringLiteral("INSERT INTO chat_handle_join VALUES (%1, %2)").arg(c).arg(c + 1));
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
    for (int i = 1; i <= messages; ++i) {
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
        if (!withAttachments || (i % 10 != 0 && !video))
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

inline bool makeCallStore(const QString& path, int calls)
{
    SqliteConnection connection(path);
    if (!connection.open())
        return false;
    QSqlQuery query(connection.database());
    query.exec(QStringLiteral("CREATE TABLE ZCALLRECORD (Z_PK INTEGER PRIMARY KEY, ZANSWERED INTEGER,"
                              " ZCALLTYPE INTEGER, ZORIGINATED INTEGER, ZDATE TIMESTAMP, ZDURATION FLOAT,"
                              " ZUNIQUE_ID VARCHAR, ZADDRESS BLOB)"));
    connection.database().transaction();
    query.prepare(QStringLiteral("INSERT INTO ZCALLRECORD (ZANSWERED, ZCALLTYPE, ZORIGINATED, ZDATE, ZDURATION,"
                                 " ZUNIQUE_ID, ZADDRESS) VALUES (?, 1, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < calls; ++i) {
        query.addBindValue(i % 3 != 0);
        query.addBindValue(i % 2);
        query.addBindValue(700000000.0 + i * 37.5);
        query.addBindValue(double(i % 600));
        query.addBindValue(QStringLiteral("uuid-%1").arg(i));
        query.addBindValue(QStringLiteral("+4917000%1").arg(i % 1000, 4, 10, QLatin1Char('0')).toUtf8());
        query.exec();
    }
    return connection.database().commit();
}

struct Figures
{
    double seconds = 0;
    double cpuSeconds = 0;
    long peakMegabytes = 0;
    int status = -1;
};

// Runs a program (arguments[0]) and waits: wall and CPU time and the child's peak memory.
inline Figures child(const QStringList& arguments)
{
    QList<QByteArray> bytes;
    for (const QString& argument : arguments)
        bytes.append(argument.toLocal8Bit());
    QList<char*> argv;
    for (QByteArray& argument : bytes)
        argv.append(argument.data());
    argv.append(nullptr);
    Figures figures;
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv.at(0), nullptr, nullptr, argv.data(), environ) != 0)
        return figures;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    figures.seconds = double(timer.nsecsElapsed()) / 1e9;
    figures.peakMegabytes = usage.ru_maxrss / 1024;
    const auto toSeconds = [](const timeval& time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; };
    figures.cpuSeconds = toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
    figures.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return figures;
}

} // namespace IphoneDatabases

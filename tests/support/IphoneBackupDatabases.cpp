// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "support/IphoneBackupDatabases.h"

#include "transfer/iphone/SqliteConnection.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

bool IphoneBackupDatabases::create(const QString& path, const QStringList& statements)
{
    SqliteConnection connection(path);
    if (!connection.open())
        return false;
    QSqlQuery query(connection.database());
    connection.database().transaction();
    for (const QString& statement : statements) {
        if (!query.exec(statement)) {
            qWarning() << "statement failed:" << statement << query.lastError().text();
            return false;
        }
    }
    connection.database().commit();
    return true;
}

QByteArray IphoneBackupDatabases::createBytes(const QString& path, const QStringList& statements)
{
    if (!create(path, statements))
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList IphoneBackupDatabases::smsOlderSchema()
{
    return {QStringLiteral(
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, date INTEGER, text TEXT,"
        " flags INTEGER, replace INTEGER, svc_center TEXT, group_id INTEGER, association_id INTEGER,"
        " height INTEGER, UIFlags INTEGER, version INTEGER, subject TEXT, country TEXT, headers BLOB,"
        " recipients BLOB, read INTEGER)")};
}

QStringList IphoneBackupDatabases::smsNewerSchema()
{
    return {
        QStringLiteral(
            "CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, text TEXT,"
            " attributedBody BLOB, handle_id INTEGER DEFAULT 0, service TEXT, date INTEGER, date_read INTEGER,"
            " date_delivered INTEGER, is_from_me INTEGER DEFAULT 0, is_read INTEGER DEFAULT 0,"
            " associated_message_type INTEGER DEFAULT 0, associated_message_guid TEXT, item_type INTEGER DEFAULT 0,"
            " cache_has_attachments INTEGER DEFAULT 0)"),
        QStringLiteral("CREATE TABLE handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, id TEXT NOT NULL,"
                       " service TEXT, country TEXT, uncanonicalized_id TEXT, person_centric_id TEXT)"),
        QStringLiteral("CREATE TABLE chat (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL,"
                       " style INTEGER, chat_identifier TEXT, service_name TEXT, display_name TEXT)"),
        QStringLiteral("CREATE TABLE chat_message_join (chat_id INTEGER, message_id INTEGER,"
                       " message_date INTEGER DEFAULT 0)"),
        QStringLiteral("CREATE TABLE chat_handle_join (chat_id INTEGER, handle_id INTEGER)"),
        QStringLiteral("CREATE TABLE attachment (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL,"
                       " filename TEXT, mime_type TEXT, transfer_name TEXT, total_bytes INTEGER DEFAULT 0)"),
        QStringLiteral("CREATE TABLE message_attachment_join (message_id INTEGER, attachment_id INTEGER)"),
    };
}

QStringList IphoneBackupDatabases::calendarOlderSchema()
{
    return {
        QStringLiteral(
            "CREATE TABLE Event (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, summary TEXT, location TEXT,"
            " description TEXT, start_date INTEGER, start_tz TEXT, end_date INTEGER, all_day INTEGER,"
            " calendar_id INTEGER, orig_event_id INTEGER, orig_start_date INTEGER, organizer_id INTEGER,"
            " organizer_is_self INTEGER, status INTEGER, availability INTEGER, privacy_level INTEGER, url TEXT)"),
        QStringLiteral("CREATE TABLE Recurrence (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, frequency INTEGER,"
                       " interval INTEGER, week_start INTEGER, count INTEGER, cached_end_date INTEGER,"
                       " cached_end_date_tz TEXT, end_date INTEGER, specifier TEXT, event_id INTEGER)"),
        QStringLiteral("CREATE TABLE Alarm (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, trigger_date INTEGER,"
                       " trigger_interval INTEGER, external_id TEXT, entity_id INTEGER)"),
    };
}

QStringList IphoneBackupDatabases::calendarNewerSchema()
{
    return {
        QStringLiteral(
            "CREATE TABLE CalendarItem (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, summary TEXT, location_id INTEGER,"
            " description TEXT, start_date REAL, start_tz TEXT, end_date REAL, all_day INTEGER,"
            " calendar_id INTEGER, orig_item_id INTEGER, orig_date REAL, organizer_id INTEGER,"
            " self_attendee_id INTEGER, status INTEGER, invitation_status INTEGER, availability INTEGER,"
            " privacy_level INTEGER, url TEXT, last_modified REAL, sequence_num INTEGER, birthday_id INTEGER,"
            " modified_properties INTEGER, external_tracking_status INTEGER, external_id TEXT,"
            " external_mod_tag TEXT, unique_identifier TEXT, external_schedule_id TEXT, external_rep BLOB,"
            " response_comment TEXT, hidden INTEGER, has_recurrences INTEGER, has_attendees INTEGER,"
            " UUID TEXT, entity_type INTEGER, priority INTEGER, due_date REAL, due_tz TEXT, due_all_day INTEGER,"
            " completion_date REAL, creation_date REAL, conference TEXT)"),
        QStringLiteral("CREATE TABLE Location (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, title TEXT, address TEXT,"
                       " latitude REAL, longitude REAL, reference_frame INTEGER, radius REAL, item_owner_id INTEGER,"
                       " alarm_owner_id INTEGER, route_type TEXT, external_rep BLOB)"),
        QStringLiteral("CREATE TABLE Recurrence (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, frequency INTEGER,"
                       " interval INTEGER, week_start INTEGER, count INTEGER, cached_end_date REAL,"
                       " cached_end_date_tz TEXT, end_date REAL, specifier TEXT, by_month_months INTEGER,"
                       " owner_id INTEGER, external_id TEXT, UUID TEXT)"),
        QStringLiteral("CREATE TABLE Alarm (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, trigger_date REAL,"
                       " trigger_interval INTEGER, type INTEGER, proximity INTEGER, disabled INTEGER,"
                       " owner_id INTEGER, external_id TEXT, UUID TEXT)"),
    };
}

QStringList IphoneBackupDatabases::addressBookSchema()
{
    return {
        QStringLiteral(
            "CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, First TEXT, Last TEXT, Middle TEXT,"
            " FirstPhonetic TEXT, MiddlePhonetic TEXT, LastPhonetic TEXT, Organization TEXT, Department TEXT,"
            " Note TEXT, Kind INTEGER, Birthday TEXT, JobTitle TEXT, Nickname TEXT, Prefix TEXT, Suffix TEXT,"
            " FirstSort TEXT, LastSort TEXT, CreationDate INTEGER, ModificationDate INTEGER,"
            " CompositeNameFallback TEXT, ExternalIdentifier TEXT, StoreID INTEGER, DisplayName TEXT,"
            " guid TEXT NOT NULL DEFAULT '')"),
        QStringLiteral("CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, property INTEGER,"
                       " identifier INTEGER, label INTEGER, value TEXT, guid TEXT NOT NULL DEFAULT '')"),
        QStringLiteral("CREATE TABLE ABMultiValueLabel (value TEXT, UNIQUE(value))"),
        QStringLiteral("CREATE TABLE ABMultiValueEntry (parent_id INTEGER, key INTEGER, value TEXT,"
                       " UNIQUE(parent_id, key))"),
        QStringLiteral("CREATE TABLE ABMultiValueEntryKey (value TEXT, UNIQUE(value))"),
    };
}

QStringList IphoneBackupDatabases::addressBookImagesSchema(bool thumbnailTable)
{
    if (thumbnailTable) {
        return {QStringLiteral("CREATE TABLE ABThumbnailImage (ROWID INTEGER PRIMARY KEY, record_id INTEGER,"
                               " format INTEGER, derived_from_format INTEGER, data BLOB)")};
    }
    return {QStringLiteral("CREATE TABLE ABImage (ROWID INTEGER PRIMARY KEY, record_id INTEGER, format INTEGER,"
                           " data BLOB)")};
}

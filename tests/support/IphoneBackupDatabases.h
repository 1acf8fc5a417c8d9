// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Schemas of the iPhone databases Velmora reads, as the phones create them
// (columns and types of the real tables; Apple's custom SQL functions in
// defaults left out), and a helper that makes a database from statements.
namespace IphoneBackupDatabases {

// Runs the statements in order on a new database at path; false on any failure.
bool create(const QString& path, const QStringList& statements);
// The same, returning the new database's bytes (empty on any failure), for a backup builder.
QByteArray createBytes(const QString& path, const QStringList& statements);

// sms.db before iOS 6: message carries address and flags.
QStringList smsOlderSchema();
// sms.db from iOS 6 on: message, handle, chat, chat_message_join,
// chat_handle_join, attachment, message_attachment_join (iOS 18 columns),
// without iOS's indexes.
QStringList smsNewerSchema();
// Calendar.sqlitedb of iOS 4: Event, Recurrence by event_id, Alarm by entity_id.
QStringList calendarOlderSchema();
// Calendar.sqlitedb of iOS 5 to 16: CalendarItem, Location, Recurrence and Alarm by owner_id.
QStringList calendarNewerSchema();
// AddressBook.sqlitedb: ABPerson, ABMultiValue, its labels, entries and keys.
QStringList addressBookSchema();
// AddressBookImages.sqlitedb: ABThumbnailImage, or ABImage on old phones.
QStringList addressBookImagesSchema(bool thumbnailTable);

} // namespace IphoneBackupDatabases

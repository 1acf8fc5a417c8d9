// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

#include <optional>

// One call of the old phone's call history.
struct CallRecord
{
    // The SMS Backup & Restore call types.
    enum class Type { Incoming = 1, Outgoing = 2, Missed = 3, Rejected = 5 };

    QString number;    // empty when the caller withheld it
    qint64 dateMs = 0; // milliseconds since 1970, UTC
    qint64 durationSeconds = 0;
    Type type = Type::Incoming;
    // The name the backup keeps with the call; empty: looked up in the contacts.
    QString name;
};

// One note of the old phone's notes app, as plain text.
struct NoteRecord
{
    QString title;
    QString folder; // empty: the notes app's default folder
    QString text;
    std::optional<qint64> modifiedMs; // milliseconds since 1970, UTC
};

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct BackupField;
struct BackupRecord;

// The plain values the fields of BlackBerry records hold: numbers
// little-endian, text UTF-8 up to its NUL.
namespace BackupFieldValues {

// The first field of type, or nullptr.
const BackupField* fieldOf(const BackupRecord& record, quint8 type);
// A number of one to eight bytes; nothing for a missing, empty or longer field.
std::optional<quint64> numberOf(const BackupField* field);
// Empty for a missing field.
QString textOf(const BackupField* field);

} // namespace BackupFieldValues

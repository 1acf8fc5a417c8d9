// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BlackberryCallsAndMemos.h"

#include "transfer/blackberry/BackupDatabaseTable.h"
#include "transfer/blackberry/BackupFieldValues.h"

#include <algorithm>
#include <limits>

namespace {

using BackupFieldValues::fieldOf;
using BackupFieldValues::numberOf;
using BackupFieldValues::textOf;

constexpr quint8 kDirectionField = 0x02;
constexpr quint8 kDurationField = 0x03;
constexpr quint8 kTimeField = 0x04;
constexpr quint8 kNumberField = 0x0c;
constexpr quint8 kNameField = 0x1f;
constexpr quint8 kMemoTitleField = 0x01;
constexpr quint8 kMemoBodyField = 0x02;

CallRecord::Type typeOf(std::optional<quint64> direction)
{
    switch (direction.value_or(0)) {
    case 0:
        return CallRecord::Type::Incoming;
    case 1:
        return CallRecord::Type::Outgoing;
    default:
        return CallRecord::Type::Missed;
    }
}

} // namespace

std::optional<CallRecord> BlackberryCallsAndMemos::callOfRecord(const BackupRecord& record)
{
    const std::optional<quint64> time = numberOf(fieldOf(record, kTimeField));
    if (!time || *time > quint64(std::numeric_limits<qint64>::max()))
        return std::nullopt;
    CallRecord call;
    call.dateMs = qint64(*time);
    call.durationSeconds = qint64(
        std::min<quint64>(numberOf(fieldOf(record, kDurationField)).value_or(0), std::numeric_limits<quint32>::max()));
    call.type = typeOf(numberOf(fieldOf(record, kDirectionField)));
    call.number = textOf(fieldOf(record, kNumberField)).trimmed();
    call.name = textOf(fieldOf(record, kNameField)).trimmed();
    return call;
}

std::optional<NoteRecord> BlackberryCallsAndMemos::memoOfRecord(const BackupRecord& record)
{
    NoteRecord note;
    note.title = textOf(fieldOf(record, kMemoTitleField)).trimmed();
    note.text = textOf(fieldOf(record, kMemoBodyField));
    if (note.title.isEmpty())
        note.title = note.text.section(QLatin1Char('\n'), 0, 0).trimmed();
    if (note.title.isEmpty() && note.text.isEmpty())
        return std::nullopt;
    return note;
}

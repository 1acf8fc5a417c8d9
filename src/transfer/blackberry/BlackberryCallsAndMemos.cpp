// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/blackberry/BlackberryCallsAndMemos.h"

#include "app/TraceLog.h"
#include "transfer/blackberry/BackupDatabaseTable.h"

#include <optional>

namespace {

constexpr quint8 kDirectionField = 0x02;
constexpr quint8 kDurationField = 0x03;
constexpr quint8 kTimeField = 0x04;
constexpr quint8 kNumberField = 0x0c;
constexpr quint8 kNameField = 0x1f;
constexpr quint8 kMemoTitleField = 0x01;
constexpr quint8 kMemoBodyField = 0x02;

const BackupField* fieldOf(const BackupRecord& record, quint8 type)
{
    for (const BackupField& field : record.fields) {
        if (field.type == type)
            return &field;
    }
    return nullptr;
}

// A little-endian number of at most eight bytes.
std::optional<quint64> numberOf(const BackupField* field)
{
    if (!field || field->data.isEmpty() || field->data.size() > 8)
        return std::nullopt;
    quint64 value = 0;
    for (qsizetype i = field->data.size() - 1; i >= 0; --i)
        value = (value << 8) | quint8(field->data.at(i));
    return value;
}

QString textOf(const BackupField* field)
{
    if (!field)
        return QString();
    QByteArrayView bytes(field->data);
    const qsizetype end = bytes.indexOf('\0');
    return QString::fromUtf8(end >= 0 ? bytes.first(end) : bytes);
}

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

void BlackberryCallsAndMemos::readCalls(const BackupDatabase& database, CallSink& sink)
{
    TraceScope trace("BlackberryCallsAndMemos::readCalls");
    for (const BackupRecord& record : database.records) {
        const std::optional<quint64> time = numberOf(fieldOf(record, kTimeField));
        if (!time || *time > quint64(std::numeric_limits<qint64>::max()))
            continue;
        CallRecord call;
        call.dateMs = qint64(*time);
        call.durationSeconds = qint64(std::min<quint64>(numberOf(fieldOf(record, kDurationField)).value_or(0),
                                                        std::numeric_limits<quint32>::max()));
        call.type = typeOf(numberOf(fieldOf(record, kDirectionField)));
        call.number = textOf(fieldOf(record, kNumberField)).trimmed();
        call.name = textOf(fieldOf(record, kNameField)).trimmed();
        sink.add(call);
    }
}

void BlackberryCallsAndMemos::readMemos(const BackupDatabase& database, NoteSink& sink)
{
    TraceScope trace("BlackberryCallsAndMemos::readMemos");
    for (const BackupRecord& record : database.records) {
        NoteRecord note;
        note.title = textOf(fieldOf(record, kMemoTitleField)).trimmed();
        note.text = textOf(fieldOf(record, kMemoBodyField));
        if (note.title.isEmpty())
            note.title = note.text.section(QLatin1Char('\n'), 0, 0).trimmed();
        if (note.title.isEmpty() && note.text.isEmpty())
            continue;
        sink.add(note);
    }
}

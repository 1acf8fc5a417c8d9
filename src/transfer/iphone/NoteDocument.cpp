// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/NoteDocument.h"

#include <zlib.h>

#include <QList>

#include <algorithm>

namespace {

constexpr int kChecklistStyle = 103;

// Wire types of the protocol buffer encoding.
enum WireType { Varint = 0, Fixed64 = 1, LengthDelimited = 2, Fixed32 = 5 };

// One field of a message; bytes are those of a length-delimited field.
struct Field
{
    quint32 number = 0;
    int wireType = 0;
    quint64 value = 0;
    QByteArrayView bytes;
};

// Reads the fields of one message in order.
class ProtoReader
{
public:
    explicit ProtoReader(QByteArrayView data) : mData(data) {}

    // False at the end and on malformed data (which then sets failed()).
    bool next(Field& field)
    {
        if (mAt >= mData.size() || mFailed)
            return false;
        quint64 key = 0;
        if (!varint(key))
            return fail();
        field.number = quint32(key >> 3);
        field.wireType = int(key & 7);
        field.bytes = {};
        switch (field.wireType) {
        case Varint:
            return varint(field.value) || fail();
        case Fixed64:
            return skip(8);
        case Fixed32:
            return skip(4);
        case LengthDelimited: {
            quint64 length = 0;
            if (!varint(length) || length > quint64(mData.size() - mAt))
                return fail();
            field.bytes = mData.sliced(mAt, qsizetype(length));
            mAt += qsizetype(length);
            return true;
        }
        default:
            return fail();
        }
    }
    bool failed() const { return mFailed; }

private:
    bool varint(quint64& value)
    {
        value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (mAt >= mData.size())
                return false;
            const quint8 byte = quint8(mData.at(mAt++));
            value |= quint64(byte & 0x7F) << shift;
            if ((byte & 0x80) == 0)
                return true;
        }
        return false;
    }
    bool skip(qsizetype bytes)
    {
        if (mData.size() - mAt < bytes)
            return fail();
        mAt += bytes;
        return true;
    }
    bool fail()
    {
        mFailed = true;
        return false;
    }

    QByteArrayView mData;
    qsizetype mAt = 0;
    bool mFailed = false;
};

// The first length-delimited field number of a message, if any.
std::optional<QByteArrayView> subMessage(QByteArrayView message, quint32 number)
{
    ProtoReader reader(message);
    Field field;
    while (reader.next(field)) {
        if (field.number == number && field.wireType == LengthDelimited)
            return field.bytes;
    }
    return std::nullopt;
}

enum class Check : quint8 { None, Open, Done };

// A run's checklist state: none unless its paragraph is a checklist line.
Check checkOfRun(QByteArrayView run, quint64& length)
{
    length = 0;
    Check check = Check::None;
    ProtoReader reader(run);
    Field field;
    while (reader.next(field)) {
        if (field.number == 1 && field.wireType == Varint)
            length = field.value;
        if (field.number != 2 || field.wireType != LengthDelimited)
            continue;
        ProtoReader style(field.bytes);
        Field styleField;
        bool checklist = false;
        bool done = false;
        while (style.next(styleField)) {
            if (styleField.number == 1 && styleField.wireType == Varint)
                checklist = styleField.value == kChecklistStyle;
            if (styleField.number == 5 && styleField.wireType == LengthDelimited) {
                ProtoReader item(styleField.bytes);
                Field itemField;
                while (item.next(itemField)) {
                    if (itemField.number == 2 && itemField.wireType == Varint)
                        done = itemField.value != 0;
                }
            }
        }
        if (checklist)
            check = done ? Check::Done : Check::Open;
    }
    return check;
}

} // namespace

std::optional<QByteArray> NoteDocument::inflate(const QByteArray& compressed)
{
    z_stream stream{};
    // 15 + 32: a gzip or a zlib header, whichever the data has.
    if (inflateInit2(&stream, 15 + 32) != Z_OK)
        return std::nullopt;
    QByteArray out;
    char buffer[16384];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.constData()));
    stream.avail_in = uInt(compressed.size());
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = ::inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END)
            break;
        out.append(buffer, qsizetype(sizeof buffer - stream.avail_out));
        if (out.size() > kMaxDecompressedSize)
            status = Z_MEM_ERROR;
        // No progress with input left means the stream is cut short.
        if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0)
            status = Z_BUF_ERROR;
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END)
        return std::nullopt;
    return out;
}

std::optional<QString> NoteDocument::text(const QByteArray& protobuf)
{
    const std::optional<QByteArrayView> document = subMessage(protobuf, 2);
    const std::optional<QByteArrayView> note = document ? subMessage(*document, 3) : std::nullopt;
    if (!note)
        return std::nullopt;
    QString text;
    QList<QByteArrayView> runs;
    bool hasText = false;
    ProtoReader reader(*note);
    Field field;
    while (reader.next(field)) {
        if (field.wireType != LengthDelimited)
            continue;
        if (field.number == 2 && !hasText) {
            text = QString::fromUtf8(field.bytes);
            hasText = true;
        } else if (field.number == 5) {
            runs.append(field.bytes);
        }
    }
    if (!hasText)
        return std::nullopt;

    // The checklist state of each UTF-16 unit, from the runs in order.
    QList<Check> checks(text.size(), Check::None);
    qsizetype at = 0;
    for (const QByteArrayView run : std::as_const(runs)) {
        quint64 length = 0;
        const Check check = checkOfRun(run, length);
        const qsizetype end = qsizetype(std::min<quint64>(quint64(text.size()), quint64(at) + length));
        std::fill(checks.begin() + at, checks.begin() + end, check);
        at = end;
        if (at >= text.size())
            break;
    }

    QString plain;
    plain.reserve(text.size() + 16);
    bool lineStart = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (lineStart && checks.at(i) != Check::None)
            plain += checks.at(i) == Check::Done ? QStringLiteral("[x] ") : QStringLiteral("[ ] ");
        lineStart = c == QLatin1Char('\n');
        // U+FFFC stands where an attachment (a drawing, a table, a photo) sits.
        if (c != QChar(0xFFFC))
            plain += c;
    }
    return plain;
}

std::optional<QString> NoteDocument::textOfStored(const QByteArray& stored)
{
    const std::optional<QByteArray> protobuf = inflate(stored);
    return protobuf ? text(*protobuf) : std::nullopt;
}

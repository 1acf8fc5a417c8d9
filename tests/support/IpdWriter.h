// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// Builds BlackBerry database containers (".ipd" files and the ".dat" files of
// ".bbb" archives) byte by byte for tests and benchmarks. Header-only, so that
// the benchmark, which links only the core library, can use it too.
namespace IpdWriter {

using Fields = QList<QPair<quint8, QByteArray>>;

inline void appendLittle16(QByteArray& out, quint16 value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

inline void appendLittle32(QByteArray& out, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

// Header line, version, big-endian count, separator and the names (each
// stored with its NUL). count defaults to the number of names.
inline QByteArray header(const QStringList& names, std::optional<quint16> count = std::nullopt, char separator = 0)
{
    QByteArray out("Inter@ctive Pager Backup/Restore File\n");
    out.append(char(2));
    const quint16 n = count.value_or(quint16(names.size()));
    out.append(char(n >> 8));
    out.append(char(n & 0xFF));
    out.append(separator);
    for (const QString& name : names) {
        const QByteArray bytes = name.toUtf8() + '\0';
        appendLittle16(out, quint16(bytes.size()));
        out.append(bytes);
    }
    return out;
}

// One record; length defaults to the true length (7 + the fields' sizes).
inline QByteArray record(quint16 databaseId, const Fields& fields, quint32 uniqueId = 0,
                         std::optional<quint32> length = std::nullopt)
{
    QByteArray body;
    for (const auto& field : fields) {
        appendLittle16(body, quint16(field.second.size()));
        body.append(char(field.first));
        body.append(field.second);
    }
    QByteArray out;
    appendLittle16(out, databaseId);
    appendLittle32(out, length.value_or(quint32(7 + body.size())));
    out.append(char(1));       // database version
    appendLittle16(out, 0x42); // record handle
    appendLittle32(out, uniqueId);
    out.append(body);
    return out;
}

// A contact subfield holding 8-bit text (stored with a NUL).
inline QByteArray textSubfield(quint8 type, const QByteArray& latin1)
{
    QByteArray out;
    const QByteArray value = latin1 + '\0';
    appendLittle16(out, quint16(value.size()));
    out.append(char(type));
    out.append(value);
    return out;
}

// A contact subfield with bit 0x80 set: character-set byte, then the bytes.
inline QByteArray encodedSubfield(quint8 type, quint8 characterSet, const QByteArray& bytes)
{
    QByteArray out;
    appendLittle16(out, quint16(bytes.size() + 1));
    out.append(char(type | 0x80));
    out.append(char(characterSet));
    out.append(bytes);
    return out;
}

inline QByteArray utf16BigEndian(const QString& text)
{
    QByteArray out;
    for (QChar c : text) {
        out.append(char(c.unicode() >> 8));
        out.append(char(c.unicode() & 0xFF));
    }
    return out;
}

// SMS field 1: byte 0 direction (1 received), bytes 13..20 the time in
// milliseconds (little-endian), byte 29 the encoding (2 = UCS-2).
inline QByteArray smsFlags(bool received, quint64 milliseconds, bool ucs2 = false, int size = 32)
{
    QByteArray out(size, '\0');
    out[0] = received ? 1 : 0;
    for (int i = 0; i < 8 && 13 + i < size; ++i)
        out[13 + i] = char((milliseconds >> (8 * i)) & 0xFF);
    if (size > 29)
        out[29] = ucs2 ? 2 : 0;
    return out;
}

// A whole SMS record of a database.
inline QByteArray smsRecord(quint16 databaseId, bool received, quint64 milliseconds, const QByteArray& address,
                            const QByteArray& text, bool ucs2 = false)
{
    return record(
        databaseId,
        {{1, smsFlags(received, milliseconds, ucs2)}, {2, address}, {4, text}, {7, QByteArray(1, ucs2 ? 2 : 0)}});
}

} // namespace IpdWriter

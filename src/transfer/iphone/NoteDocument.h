// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The body of a note of the iOS 9 and later Notes app (ZICNOTEDATA.ZDATA):
// a gzip'd protocol buffer whose field 2 (document) holds in its field 3
// (note) the text (field 2) and the attribute runs (field 5). Each run
// covers a length (field 1, in UTF-16 code units) of the text; its
// paragraph style (field 2) marks a checklist line with style type 103
// (field 1) and a checklist (field 5) whose field 2 says whether it is done.
// Safe on any bytes: the decompressed size is bounded and every length is
// checked against what is left.
namespace NoteDocument {

// Nothing bigger is a note: the largest notes with text are a few megabytes.
constexpr qsizetype kMaxDecompressedSize = 64 * 1024 * 1024;

// The protocol buffer out of its gzip (or zlib) wrapping; empty when the
// data is not compressed, damaged, or inflates beyond kMaxDecompressedSize.
std::optional<QByteArray> inflate(const QByteArray& compressed);

// The note's plain text, checklist lines led by "[ ] " or "[x] ", the
// placeholders of attachments dropped; empty when the buffer holds no note.
std::optional<QString> text(const QByteArray& protobuf);

// Both steps.
std::optional<QString> textOfStored(const QByteArray& stored);

} // namespace NoteDocument

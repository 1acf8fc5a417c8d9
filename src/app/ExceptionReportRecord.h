// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QString>

#include "app/ExceptionReport.h"

// The form in which a fault's report outlives the process: the exception code
// and each frame as the path of its module and the offset inside it. The
// signal handler writes it with async-signal-safe calls only; the next start
// reads it back and looks the frames' names up in its own copies of the same
// modules.
namespace ExceptionReportRecord {

// In normal context, before a fault can come: notes where the record goes and
// which modules are loaded, so that the handler needs no lookup of its own.
void prepare(const QString& path);

// Async-signal-safe: writes the record for code and frames (innermost first)
// to the prepared path, whole or not at all.
void write(quint32 code, void* const* frames, int count);

// The code and frames of a record, from any bytes; false when the bytes are
// not a record.
bool parse(const QByteArray& bytes, quint32* code, QList<ExceptionReporter::Frame>* frames);

// The function at a return address of this process (its name when the
// module exports it; no file or line without debug information).
ExceptionReporter::Frame describeAddress(void* address);

// The longest record read back; a longer file is not one of ours.
constexpr qint64 kMaxRecordBytes = 64 * 1024;

} // namespace ExceptionReportRecord

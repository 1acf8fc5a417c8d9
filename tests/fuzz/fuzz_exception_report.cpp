// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The saved exception report on any bytes: no crash, and never more frames
// than a report holds.
#include "app/ExceptionReportRecord.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    quint32 code = 0;
    QList<ExceptionReporter::Frame> frames;
    if (ExceptionReportRecord::parse(bytes, &code, &frames) && frames.size() > ExceptionReporter::kMaxFrames)
        std::abort();
    return 0;
}

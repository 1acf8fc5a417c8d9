// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "app/ResultCodes.h"

#include <QStringList>

// Runs the external converter (ffmpeg) with an argument list and waits for it
// without a time limit. Each path is one argument, so quotes or blanks in a
// file name can neither break the command nor add options to it.
class ConverterProcess
{
public:
    static constexpr int kErrorConverterMissing = MediaResult::ConverterMissing;
    static constexpr int kErrorConverterFailedToStart = MediaResult::ConverterFailedToStart;
    static constexpr int kErrorConverterCrashed = MediaResult::ConverterCrashed;

    // The converter's program path, or empty when it is not installed.
    static QString program();

    // 0 once the converter ran to its end (its own exit code is returned as a
    // positive number when it is not 0), or a negative code when it could not run.
    static int run(const QStringList& arguments);

    // For conversions into output (the last argument): an old output is removed
    // first, and a failed run removes what it left, so a half-written file
    // never reaches the phone as if it were the real one.
    static int runToFile(const QStringList& arguments, const QString& output);
};

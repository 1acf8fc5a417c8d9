// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <string>

// Catches hardware faults (bad memory access, division by zero, illegal
// instructions) and C++ exceptions inside a guarded region, writes the fault's
// name and a short stack walk to the trace log, and lets the caller carry on.
// A fault outside any guarded region keeps the default action (a core dump).
class ExceptionReporter
{
public:
    struct Frame
    {
        std::string function;
        std::string file;
        int line = 0;
    };

    static constexpr int kMaxFrames = 6;
    static constexpr quint32 kUnknownCode = 0;

    static ExceptionReporter& instance();

    // Runs work on the calling thread. Returns true when it completed, false
    // when a fault or an exception ended it (the report is then in the log).
    bool runGuarded(const std::function<void()>& work);

    // The report of the last fault caught (empty before the first).
    QString lastReport() const { return mLastReport; }

    // "Exception: NAME" (or "Unknown Exception..."), the rule and one block per frame.
    static QString formatReport(quint32 code, const QList<Frame>& frames);
    // The name of a code of the table, or an empty string.
    static QString codeName(quint32 code);
    // 34404 (AMD64), 332 (i386) or 0 (no stack walk).
    static int machineType();

private:
    ExceptionReporter();
    void capture(quint32 code, void* const* rawFrames, int rawCount);

    QString mLastReport;
    quint32 mCode = 0;
    QList<Frame> mFrames;
};

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <string>

// Reports what ends the work of a guarded region. A C++ exception that escapes
// the work is written to the trace log and the caller carries on: unwinding has
// released what the work held. A hardware fault (bad memory access, division by
// zero, illegal instruction) is not survived, since the work's locks would stay
// held and its objects half-changed: its code and a short stack walk are saved
// to the report file and the process ends with the fault's core dump. The next
// start takes the saved report. A fault outside any guarded region keeps the
// action it had before.
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
    // when an exception ended it (the report is then in the log).
    bool runGuarded(const std::function<void()>& work);

    // The report of the last exception caught (empty before the first).
    QString lastReport() const { return mLastReport; }

    // Where a fault's report is saved: in the program's folder.
    static QString savedReportPath();
    // The report a faulted run saved at path, formatted, or empty when there
    // is none. The file is removed, so each report is taken once.
    static QString takeSavedReport(const QString& path);

    // "Exception: NAME" (or "Unknown Exception..."), the rule and one block per frame.
    static QString formatReport(quint32 code, const QList<Frame>& frames);
    // The name of a code of the table, or an empty string.
    static QString codeName(quint32 code);
    // 34404 (AMD64), 332 (i386) or 0 (no stack walk).
    static int machineType();

private:
    ExceptionReporter();

    QString mLastReport;
};

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/ExceptionReport.h"

#include "app/Constants.h"
#include "app/ExceptionReportRecord.h"
#include "app/TraceLog.h"

#include <QFile>
#include <QHash>
#include <QMutex>

#include <algorithm>
#include <csignal>
#include <execinfo.h>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace {

// Room for the frames of the signal handler itself, which are dropped.
constexpr int kHandlerFrames = 2;
constexpr int kRawFrameCapacity = ExceptionReporter::kMaxFrames + kHandlerFrames;
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};

// Per thread: how many guarded regions are open, and the stack a stack
// overflow is handled on.
thread_local int tRegionDepth = 0;
thread_local std::vector<char> tAlternateStack;
// Read by the handler, which may not compute it.
int gMachineType = 0;

struct sigaction gPreviousActions[NSIG];
const QHash<quint32, QString>& codeNames()
{
    static const QHash<quint32, QString> names = {
        {0xC0000005u, QStringLiteral("EXCEPTION_ACCESS_VIOLATION")},
        {0x80000002u, QStringLiteral("EXCEPTION_DATATYPE_MISALIGNMENT")},
        {0x80000003u, QStringLiteral("EXCEPTION_BREAKPOINT")},
        {0x80000004u, QStringLiteral("EXCEPTION_SINGLE_STEP")},
        {0xC000008Cu, QStringLiteral("EXCEPTION_ARRAY_BOUNDS_EXCEEDED")},
        {0xC000008Du, QStringLiteral("EXCEPTION_FLT_DENORMAL_OPERAND")},
        {0xC000008Eu, QStringLiteral("EXCEPTION_FLT_DIVIDE_BY_ZERO")},
        {0xC000008Fu, QStringLiteral("EXCEPTION_FLT_INEXACT_RESULT")},
        {0xC0000090u, QStringLiteral("EXCEPTION_FLT_INVALID_OPERATION")},
        {0xC0000091u, QStringLiteral("EXCEPTION_FLT_OVERFLOW")},
        {0xC0000092u, QStringLiteral("EXCEPTION_FLT_STACK_CHECK")},
        {0xC0000093u, QStringLiteral("EXCEPTION_FLT_UNDERFLOW")},
        {0xC0000094u, QStringLiteral("EXCEPTION_INT_DIVIDE_BY_ZERO")},
        {0xC0000095u, QStringLiteral("EXCEPTION_INT_OVERFLOW")},
        {0xC0000096u, QStringLiteral("EXCEPTION_PRIV_INSTRUCTION")},
        {0xC0000006u, QStringLiteral("EXCEPTION_IN_PAGE_ERROR")},
        {0xC000001Du, QStringLiteral("EXCEPTION_ILLEGAL_INSTRUCTION")},
        {0xC0000025u, QStringLiteral("EXCEPTION_NONCONTINUABLE_EXCEPTION")},
        {0xC00000FDu, QStringLiteral("EXCEPTION_STACK_OVERFLOW")},
        {0xC0000026u, QStringLiteral("EXCEPTION_INVALID_DISPOSITION")},
        {0x80000001u, QStringLiteral("EXCEPTION_GUARD_PAGE")},
        {0xC0000008u, QStringLiteral("EXCEPTION_INVALID_HANDLE")},
    };
    return names;
}

quint32 codeForSignal(int signal, int signalCode)
{
    switch (signal) {
    case SIGSEGV:
    case SIGBUS:
        return 0xC0000005u;
    case SIGILL:
        return 0xC000001Du;
    case SIGFPE:
        switch (signalCode) {
        case FPE_INTDIV:
            return 0xC0000094u;
        case FPE_INTOVF:
            return 0xC0000095u;
        case FPE_FLTDIV:
            return 0xC000008Eu;
        case FPE_FLTOVF:
            return 0xC0000091u;
        case FPE_FLTUND:
            return 0xC0000093u;
        case FPE_FLTRES:
            return 0xC000008Fu;
        case FPE_FLTINV:
            return 0xC0000090u;
        default:
            return ExceptionReporter::kUnknownCode;
        }
    default:
        return ExceptionReporter::kUnknownCode;
    }
}

void writeStandardError(const char* text)
{
    size_t length = 0;
    while (text[length])
        ++length;
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, text, length);
}

// Async-signal-safe calls only: whatever the faulting thread held (the heap's
// lock, the trace log's) may be held for good.
void onFault(int signal, siginfo_t* info, void*)
{
    if (tRegionDepth == 0) {
        // Not ours to handle: put the previous action back and let the fault
        // happen again when this handler returns (a core dump, as it should).
        sigaction(signal, &gPreviousActions[signal], nullptr);
        return;
    }
    void* frames[kRawFrameCapacity];
    const int count = gMachineType != 0 ? backtrace(frames, kRawFrameCapacity) : 0;
    const int skipped = std::min(count, kHandlerFrames);
    ExceptionReportRecord::write(codeForSignal(signal, info ? info->si_code : 0), frames + skipped, count - skipped);
    writeStandardError("Velmora: a fault ended the sync; its report is shown at the next start\n");
    // The default action ends the process with a core dump: the fault comes
    // again when the handler returns, and raise() covers a signal that was
    // sent rather than caused, which is delivered once the handler returns.
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

void primeUnwinder()
{
    // backtrace() loads its unwinder on first use, which must not happen inside
    // a signal handler.
    void* primer[1];
    backtrace(primer, 1);
}

// Installs the fault handler where another one (a test framework's crash
// handler, say) has taken its place since; that one is kept for faults
// outside guarded regions.
void ensureHandlers()
{
    static QBasicMutex mutex;
    const QMutexLocker locker(&mutex);
    gMachineType = ExceptionReporter::machineType();
    ExceptionReportRecord::prepare(ExceptionReporter::savedReportPath());
    struct sigaction action = {};
    action.sa_sigaction = onFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : kFaultSignals) {
        struct sigaction current = {};
        sigaction(signal, nullptr, &current);
        if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == onFault)
            continue;
        sigaction(signal, &action, &gPreviousActions[signal]);
    }
}

// A stack overflow can only be handled on a stack of its own. A thread that
// already has one (a sanitizer runtime gives every thread its own) keeps it;
// otherwise ours is put in for the region and the old state put back after,
// since whoever set up the thread may expect to find its own at thread exit.
class AlternateStackScope
{
public:
    AlternateStackScope()
    {
        if (sigaltstack(nullptr, &mPrevious) != 0 || !(mPrevious.ss_flags & SS_DISABLE))
            return;
        if (tAlternateStack.empty())
            tAlternateStack.resize(std::max<size_t>(SIGSTKSZ, size_t{64} * 1024));
        stack_t stack = {};
        stack.ss_sp = tAlternateStack.data();
        stack.ss_size = tAlternateStack.size();
        mInstalled = sigaltstack(&stack, nullptr) == 0;
    }
    ~AlternateStackScope()
    {
        if (mInstalled)
            sigaltstack(&mPrevious, nullptr);
    }
    AlternateStackScope(const AlternateStackScope&) = delete;
    AlternateStackScope& operator=(const AlternateStackScope&) = delete;

private:
    stack_t mPrevious = {};
    bool mInstalled = false;
};

} // namespace

ExceptionReporter::ExceptionReporter()
{
    primeUnwinder();
    ensureHandlers();
}

ExceptionReporter& ExceptionReporter::instance()
{
    static ExceptionReporter reporter;
    return reporter;
}

// Created during static initialisation so that the unwinder is primed early.
[[maybe_unused]] static ExceptionReporter& sReporter = ExceptionReporter::instance();

int ExceptionReporter::machineType()
{
    static const int type = [] {
        const QByteArray architecture = qgetenv("PROCESSOR_ARCHITECTURE");
        if (!architecture.isNull()) {
            if (architecture == "EM64T" || architecture == "AMD64")
                return 34404;
            if (architecture == "x86")
                return 332;
            return 0;
        }
#if defined(__x86_64__)
        return 34404;
#elif defined(__i386__)
        return 332;
#else
        return 0;
#endif
    }();
    return type;
}

QString ExceptionReporter::codeName(quint32 code)
{
    return codeNames().value(code);
}

QString ExceptionReporter::formatReport(quint32 code, const QList<Frame>& frames)
{
    const QString name = codeName(code);
    QString report = name.isEmpty() ? QStringLiteral("Unknown Exception...\r\n")
                                    : QStringLiteral("Exception: ") + name + QStringLiteral("\r\n");
    report += QString(66, QLatin1Char('-')) + QStringLiteral("\r\n");
    for (const Frame& frame : frames) {
        const QString function =
            frame.function.empty() ? QStringLiteral("UnkownFunction") : QString::fromStdString(frame.function);
        const QString file = frame.file.empty() ? QStringLiteral("UnkownFile") : QString::fromStdString(frame.file);
        report += QStringLiteral("Function : ") + function + QStringLiteral("\r\n");
        report += QStringLiteral("    [Source File : ") + file + QStringLiteral("]\r\n");
        report += QStringLiteral("    [Source Line : ") + QString::number(frame.line) + QStringLiteral("]\r\n");
    }
    return report;
}

bool ExceptionReporter::runGuarded(const std::function<void()>& work)
{
    ensureHandlers();
    const AlternateStackScope alternateStack;
    ++tRegionDepth;
    bool completed = true;
    try {
        work();
    } catch (...) {
        mLastReport = formatReport(kUnknownCode, {});
        traceMessage(mLastReport);
        completed = false;
    }
    --tRegionDepth;
    return completed;
}

QString ExceptionReporter::savedReportPath()
{
    return Constants::programFolderPath() + QStringLiteral("/exception-report.txt");
}

QString ExceptionReporter::takeSavedReport(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray record = file.read(ExceptionReportRecord::kMaxRecordBytes + 1);
    file.close();
    file.remove();
    quint32 code = kUnknownCode;
    QList<Frame> frames;
    if (!ExceptionReportRecord::parse(record, &code, &frames))
        return {};
    return formatReport(code, frames);
}

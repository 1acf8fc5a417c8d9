// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Cost of a trace call with tracing off, and lines per second with it on.
#include "app/TraceLog.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

int main()
{
    constexpr int offCalls = 50'000'000;
    constexpr int onLines = 200'000;

    {
        QTemporaryDir dir;
        TraceLog off(dir.path() + QStringLiteral("/absent"));
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < offCalls; ++i) {
            off.enter("Bench::off");
            off.value("i", i);
        }
        const double ns = double(timer.nsecsElapsed()) / (2.0 * offCalls);
        std::printf("tracing off: %.2f ns per call (%d calls)\n", ns, 2 * offCalls);
    }
    {
        QTemporaryDir dir;
        TraceLog on(dir.path());
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < onLines; ++i)
            on.value("trackUniqueId", i);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        std::printf("tracing on:  %.0f lines per second (%d lines, %.2f s)\n", onLines / seconds, onLines, seconds);
    }
    return 0;
}

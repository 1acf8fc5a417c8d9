// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/ConversionProgress.h"

#include <QMutex>

#include <atomic>

namespace {

// Reports this often: often enough to move on a terminal, rarely enough
// that a large backup does not spend its time on them.
constexpr qint64 kReportEvery = 2000;

QMutex gMutex;
ConversionProgress::Listener gListener;
std::atomic<bool> gListening{false};

void report(const QString& kind, qint64 done, qint64 total)
{
    if (!gListening.load(std::memory_order_relaxed))
        return;
    const QMutexLocker lock(&gMutex);
    if (gListener)
        gListener(kind, done, total);
}

} // namespace

void ConversionProgress::setListener(Listener listener)
{
    const QMutexLocker lock(&gMutex);
    gListener = std::move(listener);
    gListening = bool(gListener);
}

QString ConversionProgress::nameOf(Kind kind)
{
    switch (kind) {
    case Kind::Contacts:
        return QStringLiteral("Contacts");
    case Kind::Messages:
        return QStringLiteral("Messages");
    case Kind::Calendar:
        return QStringLiteral("Calendar");
    }
    return QString();
}

ConversionProgress::Counter::Counter(Kind kind, qint64 total) : mKind(nameOf(kind)), mTotal(total)
{
    report(mKind, 0, mTotal);
}

ConversionProgress::Counter::~Counter()
{
    report(mKind, mDone, mTotal);
}

void ConversionProgress::Counter::step()
{
    if (++mDone % kReportEvery == 0)
        report(mKind, mDone, mTotal);
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ProgressLine.h"

#include "transfer/ConversionProgress.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>

#include <unistd.h>

ProgressLine::ProgressLine(FILE* terminal)
{
    if (!terminal || isatty(fileno(terminal)) != 1)
        return;
    mTerminal = terminal;
    ConversionProgress::setListener(
        [this](const QString& kind, qint64 done, qint64 total) { update(kind, done, total); });
}

ProgressLine::~ProgressLine()
{
    if (!mTerminal)
        return;
    ConversionProgress::setListener({});
    if (mShown) {
        std::fputs("\n", mTerminal);
        std::fflush(mTerminal);
    }
}

QString ProgressLine::text(const QList<QPair<QString, QPair<qint64, qint64>>>& kinds)
{
    const QLocale numbers(QLocale::English);
    QStringList parts;
    for (const auto& kind : kinds) {
        QString part = kind.first + QStringLiteral(": ") + numbers.toString(kind.second.first);
        // A total counted before reading may fall short of rows a join repeats.
        if (kind.second.second > 0 && kind.second.second >= kind.second.first)
            part += QStringLiteral(" of ") + numbers.toString(kind.second.second);
        parts.append(part);
    }
    return parts.join(QStringLiteral("   "));
}

void ProgressLine::update(const QString& kind, qint64 done, qint64 total)
{
    auto at = std::find_if(mKinds.begin(), mKinds.end(), [&kind](const auto& entry) { return entry.first == kind; });
    if (at == mKinds.end())
        mKinds.append({kind, {done, total}});
    else
        at->second = {done, total};
    // Carriage return and erase-to-end: the line is rewritten where it stands.
    const QByteArray line = QByteArray("\r").append(text(mKinds).toLocal8Bit()).append("\033[K");
    std::fputs(line.constData(), mTerminal);
    std::fflush(mTerminal);
    mShown = true;
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <cstdio>

// While it lives, shows on a terminal one line that is rewritten in place:
// how far each kind of data has come ("Messages: 120,000 of 300,000"). On
// anything but a terminal it shows nothing, so that the output holds only the
// result lines. The line is ended before the object goes, ahead of the results.
class ProgressLine
{
public:
    explicit ProgressLine(FILE* terminal);
    ~ProgressLine();
    Q_DISABLE_COPY_MOVE(ProgressLine)

    // The text of the line for the counts so far.
    static QString text(const QList<QPair<QString, QPair<qint64, qint64>>>& kinds);

private:
    void update(const QString& kind, qint64 done, qint64 total);

    FILE* mTerminal = nullptr;                           // null: not a terminal
    QList<QPair<QString, QPair<qint64, qint64>>> mKinds; // in the order they started
    bool mShown = false;
};

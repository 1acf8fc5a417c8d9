// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

#include <functional>

// How far a conversion has come, per kind of data, for whoever shows it (the
// command-line tool's progress line). Readers count their records through a
// Counter; without a listener counting costs next to nothing. Readers of
// different kinds may run on different threads at once.
namespace ConversionProgress {

enum class Kind { Contacts, Messages, Calendar };
// The name a person reads for a kind ("Contacts", ...).
QString nameOf(Kind kind);

// kind is nameOf() the records' kind; total is 0 when unknown.
using Listener = std::function<void(const QString& kind, qint64 done, qint64 total)>;

// One listener for the whole process; an empty one stops the reports.
void setListener(Listener listener);

class Counter
{
public:
    Counter(Kind kind, qint64 total);
    ~Counter(); // reports the final count
    Q_DISABLE_COPY_MOVE(Counter)

    void step();

private:
    QString mKind;
    qint64 mTotal;
    qint64 mDone = 0;
};

} // namespace ConversionProgress

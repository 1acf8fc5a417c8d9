// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C, a closed terminal)
// into a Qt signal on the thread that made this object, so that the program
// ends through its normal close path: a running sync is cancelled, the event
// loop returns and the trace log is closed and packed. After the first
// request the signals take their default action again, so a second one ends
// the process at once. One instance per process.
class TerminationSignal : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignal(QObject* parent = nullptr);
    ~TerminationSignal() override;

signals:
    void terminationRequested(int aSignal);

private:
    void readSignal();

    QSocketNotifier* mNotifier = nullptr;
};

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>

// A fault in a guarded region ends its process, so a test of one runs this
// test program again as a child and looks at how the child ended.
struct FaultChildEnd
{
    bool finished = false;
    bool crashed = false;
    int signal = 0; // the signal that ended it, when crashed
    QByteArray output;
};

FaultChildEnd runFaultChild(const QStringList& arguments, const QProcessEnvironment& environment);

// In the child, before the fault: the crash leaves no core file in the build tree.
void leaveNoCoreFile();

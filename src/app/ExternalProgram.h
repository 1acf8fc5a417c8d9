// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

class QProcess;

// Finds one of the external programs Velmora starts: first beside the
// application (relativePath, e.g. "7z/7z", as in the build folder), then in
// the installed package's private folder (../lib/velmora/relativePath from the
// application's folder), then in the working folder, then commandName on PATH. Returns an empty string when none
// exists, which callers treat as a failed run.
QString findExternalProgram(const QString& relativePath, const QString& commandName);

// Makes the program that process starts end (SIGKILL) when this process
// ends, however it ends: an extractor, archiver or converter left running
// after a killed sync would go on writing into the folders the next sync
// uses. The signal follows the thread that starts the program, so start it
// from a thread that waits for it.
void endWithThisProcess(QProcess& process);

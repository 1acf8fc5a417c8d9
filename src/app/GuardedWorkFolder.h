// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

#include <memory>

class QTemporaryDir;

// A private folder in the system's temporary folder for a command-line
// program's working copies (a user's databases, an unpacked archive), removed
// however the program ends. The constructor splits the process: the work
// goes on in a child in a process group of its own, while the original
// process only waits. A SIGTERM, SIGINT or SIGHUP to it kills the child's
// whole group, so an archiver or extractor it started stops writing too; once
// the child has ended, killed or not, the folder is removed and the original
// process ends as the child did (by the same signal when it was terminated).
// Only the child returns from the constructor. Made before the program starts
// any thread.
class GuardedWorkFolder
{
public:
    explicit GuardedWorkFolder(const QString& name);
    ~GuardedWorkFolder();
    GuardedWorkFolder(const GuardedWorkFolder&) = delete;
    GuardedWorkFolder& operator=(const GuardedWorkFolder&) = delete;

    bool isValid() const;
    QString path() const;
    QString filePath(const QString& name) const;

private:
    [[noreturn]] static void waitAndRemove(int child, const QString& folder, bool terminal);

    std::unique_ptr<QTemporaryDir> mFolder;
};

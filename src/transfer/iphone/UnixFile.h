// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <sys/types.h>

// A file descriptor closed on every way out, and whole writes through it.
class UnixFile
{
public:
    explicit UnixFile(int fd) : mFd(fd) {}
    ~UnixFile();
    UnixFile(const UnixFile&) = delete;
    UnixFile& operator=(const UnixFile&) = delete;

    int fd() const { return mFd; }
    // Closes now; false when the close reports an error (a failed write-back).
    bool close();

    // Writes all of data, across short writes and interruptions.
    static bool writeAll(int fd, const char* data, ssize_t length);

private:
    int mFd;
};

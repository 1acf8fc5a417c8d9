// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <csignal>
#include <sys/resource.h>

// While alive, no file of this process may grow beyond the given size: writes
// past it come back short, as on a full disk. Unlike folder permissions this
// holds for root too.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &mOld);
        mPreviousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = mOld;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &mOld);
        std::signal(SIGXFSZ, mPreviousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit mOld = {};
    void (*mPreviousHandler)(int) = nullptr;
};

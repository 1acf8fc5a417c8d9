// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/UnixFile.h"

#include <cerrno>
#include <unistd.h>

UnixFile::~UnixFile()
{
    if (mFd >= 0)
        ::close(mFd);
}

bool UnixFile::close()
{
    const int fd = mFd;
    mFd = -1;
    return fd >= 0 && ::close(fd) == 0;
}

bool UnixFile::writeAll(int fd, const char* data, ssize_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, size_t(length));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        length -= written;
    }
    return true;
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool RegularFile::isRegular(const QString& path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

int RegularFile::read(const QString& path, qint64 maximumSize, QByteArray& data)
{
    data.clear();
    // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return CannotOpen;
    struct stat info
    {
    };
    int result = Success;
    if (::fstat(fd, &info) != 0)
        result = CannotOpen;
    else if (!S_ISREG(info.st_mode))
        result = NotRegular;
    else if (info.st_size > maximumSize)
        result = TooLarge;
    if (result == Success) {
        data.resize(qsizetype(info.st_size));
        qsizetype total = 0;
        while (total < data.size()) {
            const ssize_t got = ::read(fd, data.data() + total, size_t(data.size() - total));
            if (got == 0)
                break;
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                result = CannotOpen;
                break;
            }
            total += got;
        }
        data.truncate(total);
    }
    ::close(fd);
    if (result != Success)
        data.clear();
    return result;
}

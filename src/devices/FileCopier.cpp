// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/FileCopier.h"

#include "app/TraceLog.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kBufferBytes = 1 << 20;

// Closes a descriptor when the copy leaves its scope by any path.
class Descriptor
{
public:
    explicit Descriptor(int fd) : mFd(fd) {}
    ~Descriptor() { close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return mFd; }
    bool close()
    {
        if (mFd < 0)
            return true;
        const int result = ::close(mFd);
        mFd = -1;
        return result == 0;
    }

private:
    int mFd;
};

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool copyWithBuffer(int in, int out)
{
    std::vector<char> buffer(kBufferBytes);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (!writeAll(out, buffer.data(), static_cast<size_t>(got)))
            return false;
    }
}

// Lets the kernel move the data where it can (no trip through user space).
// Answers false with copied == 0 when the file systems do not support it.
bool copyInKernel(int in, int out, qint64 size, qint64& copied)
{
    copied = 0;
    while (copied < size) {
        const ssize_t moved = ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(size - copied), 0);
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved < 0)
            return false;
        if (moved == 0)
            break; // the source shrank: copy what is there
        copied += moved;
    }
    return true;
}

} // namespace

QString FileCopier::temporaryPathFor(const QString& destination)
{
    TraceScope trace("FileCopier::temporaryPathFor");
    // One fixed hidden name per folder: a leftover of a crashed run is simply
    // overwritten by the next copy, and media scanners skip dot files.
    return QFileInfo(destination).path() + QStringLiteral("/.velmora-copy.part");
}

bool FileCopier::copy(const QString& source, const QString& destination)
{
    TraceScope trace("FileCopier::copy");
    const QByteArray sourceName = QFile::encodeName(source);
    const QByteArray destinationName = QFile::encodeName(destination);
    const QByteArray temporaryName = QFile::encodeName(temporaryPathFor(destination));

    Descriptor in(::open(sourceName.constData(), O_RDONLY | O_CLOEXEC));
    struct stat status = {};
    if (in.get() < 0 || ::fstat(in.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        traceValue("Cannot read source", source);
        return false;
    }
    Descriptor out(::open(temporaryName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.get() < 0) {
        traceValue("Cannot create temporary file", QFile::decodeName(temporaryName));
        return false;
    }

    qint64 copied = 0;
    bool ok = copyInKernel(in.get(), out.get(), status.st_size, copied);
    if (!ok && copied == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
        ok = ::lseek(in.get(), 0, SEEK_SET) == 0 && ::lseek(out.get(), 0, SEEK_SET) == 0
             && copyWithBuffer(in.get(), out.get());
    else if (ok)
        ok = copyWithBuffer(in.get(), out.get()); // anything the file grew by meanwhile
    // No fdatasync here: it would hold every track until the medium has it
    // (six times slower than cp on a local disk). Write errors up to close
    // still keep the final name from appearing.
    ok = out.close() && ok;
    if (ok && ::rename(temporaryName.constData(), destinationName.constData()) != 0)
        ok = false;
    if (!ok) {
        traceValue("Copy failed, errno", errno);
        ::unlink(temporaryName.constData());
    }
    return ok;
}

bool FileCopier::sameContents(const QString& first, const QString& second)
{
    TraceScope trace("FileCopier::sameContents");
    QFile a(first);
    QFile b(second);
    if (!QFileInfo(first).isFile() || !QFileInfo(second).isFile() || !a.open(QIODevice::ReadOnly)
        || !b.open(QIODevice::ReadOnly) || a.size() != b.size())
        return false;
    constexpr qint64 kChunkBytes = 256 * 1024;
    while (!a.atEnd()) {
        const QByteArray chunk = a.read(kChunkBytes);
        if (chunk.isEmpty() || chunk != b.read(kChunkBytes))
            return false;
    }
    return b.atEnd();
}

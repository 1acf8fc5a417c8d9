// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneBlobCopier.h"

#include "app/TraceLog.h"
#include "transfer/iphone/UnixFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool copyByReading(int source, int target)
{
    static constexpr size_t kBufferSize = 1024 * 1024;
    QByteArray buffer(qsizetype(kBufferSize), Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(source, buffer.data(), kBufferSize);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!UnixFile::writeAll(target, buffer.constData(), got))
            return false;
    }
}

// Returns true when done; sets fallback when the kernel cannot copy between
// these two files (other file systems, old kernels) and nothing was written.
bool copyInKernel(int source, int target, bool& fallback)
{
    fallback = false;
    bool anyCopied = false;
    for (;;) {
        const ssize_t copied = ::copy_file_range(source, nullptr, target, nullptr, size_t(1) << 30, 0);
        if (copied == 0)
            return true;
        if (copied < 0) {
            if (errno == EINTR)
                continue;
            if (!anyCopied
                && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EPERM)) {
                fallback = true;
            }
            return false;
        }
        anyCopied = true;
    }
}

} // namespace

int IphoneBlobCopier::copy(const QString& sourcePath, const QString& targetPath)
{
    TraceScope trace("IphoneBlobCopier::copy");
    const QByteArray sourceName = QFile::encodeName(sourcePath);
    const QByteArray targetName = QFile::encodeName(targetPath);
    UnixFile source(::open(sourceName.constData(), O_RDONLY | O_CLOEXEC));
    if (source.fd() < 0)
        return SourceMissing;
    struct stat info
    {
    };
    if (::fstat(source.fd(), &info) != 0 || !S_ISREG(info.st_mode))
        return SourceMissing;
    UnixFile target(::open(targetName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (target.fd() < 0) {
        traceValue("Cannot create", targetPath);
        return TargetFailed;
    }
    bool fallback = false;
    bool done = copyInKernel(source.fd(), target.fd(), fallback);
    if (!done && fallback)
        done = copyByReading(source.fd(), target.fd());
    if (!target.close())
        done = false;
    if (!done) {
        traceValue("Copy failed", targetPath);
        ::unlink(targetName.constData());
        return CopyFailed;
    }
    return Success;
}

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "model/library/FolderWalker.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <vector>

namespace FolderWalker {

void walk(const QString& root, const NameFilter& wanted, const FileVisitor& visitFile, const FolderVisitor& visitFolder)
{
    std::vector<QByteArray> pending{QFile::encodeName(root)};
    while (!pending.empty()) {
        const QByteArray folder = std::move(pending.back());
        pending.pop_back();
        DIR* dir = ::opendir(folder.constData());
        if (!dir)
            continue;
        const int fd = ::dirfd(dir);
        QByteArray path = folder;
        path.append('/');
        const qsizetype prefix = path.size();
        while (const dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (name[0] == '.')
                continue;
            const size_t length = std::strlen(name);
            unsigned char type = entry->d_type;
            struct stat info
            {
            };
            if (type == DT_UNKNOWN || type == DT_LNK) {
                // Only a file behind a link counts; a folder behind one is not entered.
                if (::fstatat(fd, name, &info, type == DT_LNK ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                if (S_ISDIR(info.st_mode))
                    type = type == DT_LNK ? DT_LNK : DT_DIR;
                else if (S_ISREG(info.st_mode))
                    type = DT_REG;
            }
            path.truncate(prefix);
            path.append(name, static_cast<qsizetype>(length));
            if (type == DT_DIR) {
                if (visitFolder(QFile::decodeName(path)))
                    pending.push_back(path);
                continue;
            }
            if (type != DT_REG || !wanted(name, length))
                continue;
            if (info.st_mode == 0 && ::fstatat(fd, name, &info, 0) != 0)
                continue;
            if (!S_ISREG(info.st_mode))
                continue;
            visitFile(QFile::decodeName(path),
                      IndexStamp{info.st_size, qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec});
        }
        ::closedir(dir);
    }
}

} // namespace FolderWalker

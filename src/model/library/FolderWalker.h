// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "model/library/LibraryIndex.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Walks a folder tree with the system's directory calls: a start with nothing
// changed does little else, so every file costs one directory entry and, for
// the files that are wanted, one status call. Hidden entries are skipped, and
// links to folders are not followed (they could lead round in circles).
namespace FolderWalker {

// wanted decides by the file's name alone whether it is looked at.
using NameFilter = std::function<bool(const char* name, size_t length)>;
using FileVisitor = std::function<void(const QString& path, const IndexStamp& stamp)>;
// Answers whether the walk goes into the folder.
using FolderVisitor = std::function<bool(const QString& path)>;

void walk(const QString& root, const NameFilter& wanted, const FileVisitor& visitFile,
          const FolderVisitor& visitFolder);

} // namespace FolderWalker

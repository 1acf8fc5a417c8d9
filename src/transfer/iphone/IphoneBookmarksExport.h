// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "transfer/iphone/IphoneDatabaseExport.h"

#include "transfer/android/BookmarksHtmlWriter.h"

#include <QList>
#include <QString>

// Safari's bookmarks ("Bookmarks.db", table bookmarks: id, parent, type 0 a
// bookmark and 1 a folder, title, url, order_index) as a tree below the
// root folder, in Safari's order. Deleted and hidden entries stay out, and
// so does the reading list, which holds pages to read rather than bookmarks.
class IphoneBookmarksExport : public IphoneDatabaseExport
{
public:
    static int read(const QString& databasePath, QList<BookmarksHtmlWriter::Node>& topLevel);
};

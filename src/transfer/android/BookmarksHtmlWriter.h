// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QList>
#include <QString>

#include <memory>

// Browser bookmarks in the Netscape bookmark file format ("bookmarks.html")
// that every browser imports: folders as <H3> headings over nested <DL>
// lists, bookmarks as <A HREF> links, titles and addresses HTML-escaped.
class BookmarksHtmlWriter
{
public:
    struct Node
    {
        QString title;
        QString url; // empty for a folder
        QList<Node> children;
        bool isFolder() const { return url.isEmpty(); }
    };

    // The file for the top level's nodes; 0 or DataResult::FileCannotWrite.
    // An earlier file at path stays whole when the write fails.
    [[nodiscard]] static int write(const QString& path, const QList<Node>& topLevel);
    // Bookmarks (not folders) below nodes.
    static int countBookmarks(const QList<Node>& nodes);
};

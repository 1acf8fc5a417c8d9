// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/BookmarksHtmlWriter.h"

#include "app/ResultCodes.h"
#include "app/XmlText.h"
#include "transfer/android/BufferedSaveFile.h"

namespace {

void appendNodes(QByteArray& out, const QList<BookmarksHtmlWriter::Node>& nodes, int depth)
{
    const QByteArray indent(4 * depth, ' ');
    for (const BookmarksHtmlWriter::Node& node : nodes) {
        // The filter drops line breaks and what no parser accepts; a title is one line.
        const QString title = XmlText::filtered(node.title);
        if (node.isFolder()) {
            out += indent + "<DT><H3>";
            XmlText::appendEscapedUtf8(out, title);
            out += "</H3>\n" + indent + "<DL><p>\n";
            appendNodes(out, node.children, depth + 1);
            out += indent + "</DL><p>\n";
        } else {
            out += indent + "<DT><A HREF=\"";
            XmlText::appendEscapedUtf8(out, XmlText::filtered(node.url));
            out += "\">";
            XmlText::appendEscapedUtf8(out, title.isEmpty() ? XmlText::filtered(node.url) : title);
            out += "</A>\n";
        }
    }
}

} // namespace

int BookmarksHtmlWriter::write(const QString& path, const QList<Node>& topLevel)
{
    BufferedSaveFile file;
    if (!file.open(path))
        return DataResult::FileCannotWrite;
    QByteArray& out = file.text();
    out += "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
           "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
           "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n";
    appendNodes(out, topLevel, 1);
    out += "</DL><p>\n";
    return file.finish() ? 0 : DataResult::FileCannotWrite;
}

int BookmarksHtmlWriter::countBookmarks(const QList<Node>& nodes)
{
    int count = 0;
    for (const Node& node : nodes)
        count += node.isFolder() ? countBookmarks(node.children) : 1;
    return count;
}

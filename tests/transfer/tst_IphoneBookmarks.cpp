// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Safari's Bookmarks.db to bookmarks.html, read back by Python's HTML parser
// the way browsers read the Netscape bookmark file: folder path, title, address.
#include "support/IphoneBackupDatabases.h"
#include "transfer/android/BookmarksHtmlWriter.h"
#include "transfer/iphone/IphoneBookmarksExport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QJsonArray bookmarksByHtmlParser(const QString& path)
{
    const QString script =
        QStringLiteral("import sys, json\n"
                       "from html.parser import HTMLParser\n"
                       "class P(HTMLParser):\n"
                       "    def __init__(s):\n"
                       "        super().__init__(); s.path=[]; s.out=[]; s.tag=None; s.href=None; s.pending=None\n"
                       "    def handle_starttag(s, t, a):\n"
                       "        s.tag=t\n"
                       "        if t=='a': s.href=dict(a).get('href')\n"
                       "        if t=='dl' and s.pending is not None: s.path.append(s.pending); s.pending=None\n"
                       "    def handle_endtag(s, t):\n"
                       "        if t=='dl' and s.path: s.path.pop()\n"
                       "        s.tag=None\n"
                       "    def handle_data(s, d):\n"
                       "        if s.tag=='h3': s.pending=d\n"
                       "        if s.tag=='a': s.out.append(['/'.join(s.path), d, s.href])\n"
                       "p=P(); p.feed(open(sys.argv[1], encoding='utf-8').read())\n"
                       "print(json.dumps(p.out))\n");
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

QString schema()
{
    return QStringLiteral("CREATE TABLE bookmarks (id INTEGER PRIMARY KEY AUTOINCREMENT, special_id INTEGER DEFAULT 0,"
                          " parent INTEGER, type INTEGER, title TEXT, url TEXT COLLATE NOCASE DEFAULT '',"
                          " num_children INTEGER DEFAULT 0, editable INTEGER DEFAULT 1, deletable INTEGER DEFAULT 1,"
                          " hidden INTEGER DEFAULT 0, hidden_ancestor_count INTEGER DEFAULT 0,"
                          " order_index INTEGER NOT NULL, external_uuid TEXT, read INTEGER DEFAULT NULL,"
                          " last_modified REAL DEFAULT NULL, server_id TEXT, sync_key TEXT, sync_data BLOB,"
                          " added INTEGER DEFAULT 1, deleted INTEGER DEFAULT 0)");
}

} // namespace

class TestIphoneBookmarks : public QObject
{
    Q_OBJECT

private slots:
    void foldersKeptInOrder();
    void loopingParentsEnd();
};

void TestIphoneBookmarks::foldersKeptInOrder()
{
    QTemporaryDir work;
    const QString db = work.filePath(QStringLiteral("Bookmarks.db"));
    QVERIFY(IphoneBackupDatabases::create(
        db,
        {schema(),
         QStringLiteral("INSERT INTO bookmarks (id, parent, type, title, order_index) VALUES (0, NULL, 1, 'Root', 0)"),
         QStringLiteral(
             "INSERT INTO bookmarks (id, parent, type, title, order_index) VALUES (1, 0, 1, 'BookmarksBar', 0)"),
         QStringLiteral("INSERT INTO bookmarks (id, parent, type, title, order_index) VALUES"
                        " (2, 0, 1, 'com.apple.ReadingList', 1)"),
         QStringLiteral("INSERT INTO bookmarks (id, parent, type, title, url, order_index) VALUES"
                        " (3, 2, 0, 'Later', 'https://later.example', 0)"),
         QStringLiteral("INSERT INTO bookmarks (id, parent, type, title, url, order_index) VALUES"
                        " (4, 1, 0, 'Second', 'https://b.example/?q=1&r=<2>', 1)"),
         QStringLiteral("INSERT INTO bookmarks (id, parent, type, title, url, order_index) VALUES"
                        " (5, 1, 0, 'First \"one\"', 'https://a.example', 0)"),
         QStringLiteral("INSERT INTO bookmarks (id, parent, type, title, order_index) VALUES (6, 1, 1, 'News', 2)"),
         QStringLiteral("INSERT INTO bookmarks (id, parent, type, title, url, order_index) VALUES"
                        " (7, 6, 0, 'Paper', 'https://news.example', 0)"),
         QStringLiteral("INSERT INTO bookmarks (id, parent, type, title, url, order_index, deleted) VALUES"
                        " (8, 6, 0, 'Gone', 'https://gone.example', 1, 1)")}));
    QList<BookmarksHtmlWriter::Node> nodes;
    QCOMPARE(IphoneBookmarksExport::read(db, nodes), 0);
    QCOMPARE(BookmarksHtmlWriter::countBookmarks(nodes), 3);
    const QString html = work.filePath(QStringLiteral("bookmarks.html"));
    QCOMPARE(BookmarksHtmlWriter::write(html, nodes), 0);
    const QJsonArray read = bookmarksByHtmlParser(html);
    const QJsonArray expected = QJsonDocument::fromJson(
                                    R"([["BookmarksBar", "First \"one\"", "https://a.example"],
                                        ["BookmarksBar", "Second", "https://b.example/?q=1&r=<2>"],
                                        ["BookmarksBar/News", "Paper", "https://news.example"]])")
                                    .array();
    QCOMPARE(read, expected);
}

void TestIphoneBookmarks::loopingParentsEnd()
{
    // A damaged table without its key: a second row of id 0 makes the root a
    // folder of its own child.
    QTemporaryDir work;
    const QString db = work.filePath(QStringLiteral("Bookmarks.db"));
    QVERIFY(IphoneBackupDatabases::create(
        db, {QStringLiteral("CREATE TABLE bookmarks (id INTEGER, parent INTEGER, type INTEGER, title TEXT, url TEXT,"
                            " order_index INTEGER)"),
             QStringLiteral("INSERT INTO bookmarks VALUES (0, NULL, 1, 'Root', NULL, 0)"),
             QStringLiteral("INSERT INTO bookmarks VALUES (5, 0, 1, 'Outer', NULL, 0)"),
             QStringLiteral("INSERT INTO bookmarks VALUES (0, 5, 1, 'Loop', NULL, 0)"),
             QStringLiteral("INSERT INTO bookmarks VALUES (9, 5, 0, 'Kept', 'https://kept.example', 1)")}));
    QList<BookmarksHtmlWriter::Node> nodes;
    QCOMPARE(IphoneBookmarksExport::read(db, nodes), 0);
    QCOMPARE(BookmarksHtmlWriter::countBookmarks(nodes), 1);
}

QTEST_GUILESS_MAIN(TestIphoneBookmarks)
#include "tst_IphoneBookmarks.moc"

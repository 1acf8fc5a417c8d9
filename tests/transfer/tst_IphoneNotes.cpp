// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Notes of the real iOS 15 NoteStore and the real note bodies, the older
// notes.sqlite, BlackBerry memos, and the note files the phone receives.
#include "support/IpdWriter.h"
#include "support/IphoneBackupDatabases.h"
#include "transfer/BackupConversion.h"
#include "transfer/android/NoteFileWriter.h"
#include "transfer/iphone/IphoneNotesExport.h"
#include "transfer/iphone/NoteDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <zlib.h>

namespace {

class NoteList : public NoteSink
{
public:
    void add(const NoteRecord& note) override { notes.append(note); }
    QList<NoteRecord> notes;
};

const QString kRealNotes = QStringLiteral(VELMORA_REALDATA_DIR "/notes/");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray gzip(const QByteArray& data)
{
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QByteArray varint(quint64 value)
{
    QByteArray out;
    do {
        out.append(char((value & 0x7F) | (value > 0x7F ? 0x80 : 0)));
        value >>= 7;
    } while (value);
    return out;
}

QByteArray field(int number, const QByteArray& bytes)
{
    return varint(quint64(number) << 3 | 2) + varint(quint64(bytes.size())) + bytes;
}

QByteArray varintField(int number, quint64 value)
{
    return varint(quint64(number) << 3) + varint(value);
}

// A note body: the text and runs of (length, checklist: -1 none, 0 open, 1 done).
QByteArray noteBody(const QString& text, const QList<QPair<int, int>>& runs)
{
    QByteArray note = field(2, text.toUtf8());
    for (const auto& run : runs) {
        QByteArray attribute = varintField(1, quint64(run.first));
        if (run.second >= 0)
            attribute +=
                field(2, varintField(1, 103) + field(5, field(1, "uuid") + varintField(2, quint64(run.second))));
        note += field(5, attribute);
    }
    return gzip(field(2, varintField(2, 0) + field(3, note)));
}

using Runs = QList<QPair<int, int>>;

} // namespace

class TestIphoneNotes : public QObject
{
    Q_OBJECT

private slots:
    void realNoteStore();
    void realBodies_data();
    void realBodies();
    void checklistsCountUtf16_data();
    void checklistsCountUtf16();
    void damagedBodies_data();
    void damagedBodies();
    void legacyNotesAsText();
    void fileNames_data();
    void fileNames();
    void blackberryMemosToFiles();
};

void TestIphoneNotes::realNoteStore()
{
    NoteList list;
    IphoneNotesExport::Skipped skipped;
    QCOMPARE(IphoneNotesExport::readNoteStore(kRealNotes + QStringLiteral("ios15-NoteStore.sqlite"), list, skipped), 0);
    // Four notes are locked and one is marked for deletion.
    QCOMPARE(skipped.locked, 4);
    QCOMPARE(skipped.unreadable, 0);
    QStringList titles;
    for (const NoteRecord& note : std::as_const(list.notes)) {
        titles << note.title;
        QVERIFY(note.text.startsWith(note.title));
        QCOMPARE(note.folder, QStringLiteral("Notes"));
    }
    QCOMPARE(titles, (QStringList{QStringLiteral("My First Note"), QStringLiteral("iOS 14 Note"),
                                  QStringLiteral("iOS 15 Note")}));
    // ZMODIFICATIONDATE1 607048663.367985 seconds since 2001.
    QCOMPARE(list.notes.at(0).modifiedMs, std::optional<qint64>(1585355863368));
}

void TestIphoneNotes::realBodies_data()
{
    QTest::addColumn<QString>("blob");
    QTest::addColumn<QString>("contains");
    QTest::newRow("checklists")
        << "list_indents_gzipped.bin"
        << "Indents in lists\n\n[ ] Checklist\n[ ] Indented checklist 1\n[ ] Indented checklist 2 checked\n"
           "[ ] Indented 1\n\nDotted list\n";
    QTest::newRow("emoji") << "emoji_formatting_1_gzipped.bin" << QString();
    QTest::newRow("block quotes") << "block_quotes_gzipped.bin" << QString();
    QTest::newRow("colours") << "color_formatting_gzipped.bin" << QString();
    QTest::newRow("html") << "html_gzipped.bin" << QString();
}

void TestIphoneNotes::realBodies()
{
    QFETCH(QString, blob);
    QFETCH(QString, contains);
    const std::optional<QString> text =
        NoteDocument::textOfStored(readAll(kRealNotes + QStringLiteral("blobs/") + blob));
    QVERIFY(text);
    QVERIFY(!text->trimmed().isEmpty());
    QVERIFY(!text->contains(QChar(0xFFFC)));
    QVERIFY2(text->contains(contains), qPrintable(*text));
}

void TestIphoneNotes::checklistsCountUtf16_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Runs>("runs");
    QTest::addColumn<QString>("expected");
    // "😀" is two UTF-16 units: the second line's run starts after both.
    QTest::newRow("emoji before checklist")
        << QString::fromUtf8("Title \xF0\x9F\x98\x80\nmilk\neggs\n") << Runs{{9, -1}, {5, 1}, {5, 0}}
        << QString::fromUtf8("Title \xF0\x9F\x98\x80\n[x] milk\n[ ] eggs\n");
    QTest::newRow("runs past the end") << QStringLiteral("a\nb") << Runs{{2, -1}, {99, 0}}
                                       << QStringLiteral("a\n[ ] b");
    QTest::newRow("no runs") << QStringLiteral("plain") << Runs{} << QStringLiteral("plain");
    QTest::newRow("attachment dropped") << QString(QStringLiteral("see ") + QChar(0xFFFC)) << Runs{{5, -1}}
                                        << QStringLiteral("see ");
}

void TestIphoneNotes::checklistsCountUtf16()
{
    QFETCH(QString, text);
    QFETCH(Runs, runs);
    QFETCH(QString, expected);
    QCOMPARE(NoteDocument::textOfStored(noteBody(text, runs)), std::optional<QString>(expected));
}

void TestIphoneNotes::damagedBodies_data()
{
    QTest::addColumn<QByteArray>("stored");
    const QByteArray good = noteBody(QStringLiteral("hello"), {});
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not gzip") << QByteArray("plain text");
    QTest::newRow("cut short") << good.left(good.size() / 2);
    QTest::newRow("length past end") << gzip(field(2, field(3, QByteArray("\x12\x7f"
                                                                          "abc",
                                                                          5))));
    QTest::newRow("no note") << gzip(field(2, varintField(2, 1)));
    QTest::newRow("endless varint") << gzip(QByteArray(20, char(0xFF)));
}

void TestIphoneNotes::damagedBodies()
{
    QFETCH(QByteArray, stored);
    QCOMPARE(NoteDocument::textOfStored(stored), std::nullopt);
}

void TestIphoneNotes::legacyNotesAsText()
{
    QTemporaryDir work;
    const QString path = work.filePath(QStringLiteral("notes.sqlite"));
    QVERIFY(IphoneBackupDatabases::create(
        path,
        {QStringLiteral("CREATE TABLE ZNOTE (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER,"
                        " ZCONTAINSCJK INTEGER, ZCONTENTTYPE INTEGER, ZDELETEDFLAG INTEGER, ZEXTERNALFLAGS INTEGER,"
                        " ZEXTERNALSERVERINTID INTEGER, ZINTEGERID INTEGER, ZBODY INTEGER, ZSTORE INTEGER,"
                        " ZCREATIONDATE TIMESTAMP, ZMODIFICATIONDATE TIMESTAMP, ZAUTHOR VARCHAR, ZTITLE VARCHAR,"
                        " ZSUMMARY VARCHAR, ZGUID VARCHAR)"),
         QStringLiteral("CREATE TABLE ZNOTEBODY (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER,"
                        " ZOWNER INTEGER, ZCONTENT VARCHAR, ZEXTERNALCONTENTREF VARCHAR,"
                        " ZEXTERNALREPRESENTATION BLOB)"),
         QStringLiteral("INSERT INTO ZNOTE (Z_PK, ZTITLE, ZMODIFICATIONDATE) VALUES (1, 'Shopping', 400000000)"),
         QStringLiteral("INSERT INTO ZNOTEBODY (ZOWNER, ZCONTENT) VALUES (1,"
                        " 'Shopping<div>milk &amp; eggs</div><div>caf&#233;<br>x &lt; y</div>\n')")}));
    NoteList list;
    QCOMPARE(IphoneNotesExport::readLegacy(path, list), 0);
    QCOMPARE(list.notes.size(), 1);
    QCOMPARE(list.notes.at(0).title, QStringLiteral("Shopping"));
    QCOMPARE(list.notes.at(0).text, QString::fromUtf8("Shopping\nmilk & eggs\ncaf\xC3\xA9\nx < y"));
    QCOMPARE(list.notes.at(0).modifiedMs, std::optional<qint64>((400000000LL + 978307200LL) * 1000));
}

void TestIphoneNotes::fileNames_data()
{
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("reserved characters") << QStringList{QStringLiteral("a/b:c*?\"<>|d")}
                                         << QStringList{QStringLiteral("Notes/a_b_c______d.txt")};
    QTest::newRow("same name in other case")
        << QStringList{QStringLiteral("Plan"), QStringLiteral("plan")}
        << QStringList{QStringLiteral("Notes/Plan.txt"), QStringLiteral("Notes/plan (2).txt")};
    QTest::newRow("device name and dots")
        << QStringList{QStringLiteral("con"), QStringLiteral(" ..hidden.. ")}
        << QStringList{QStringLiteral("Notes/con_.txt"), QStringLiteral("Notes/hidden.txt")};
    QTest::newRow("empty and long") << QStringList{QString(), QString(300, QLatin1Char('x'))}
                                    << QStringList{QStringLiteral("Notes/Note.txt"),
                                                   QStringLiteral("Notes/") + QString(100, QLatin1Char('x'))
                                                       + QStringLiteral(".txt")};
}

void TestIphoneNotes::fileNames()
{
    QFETCH(QStringList, titles);
    QFETCH(QStringList, files);
    QTemporaryDir work;
    NoteFileWriter writer(work.path());
    const qint64 modified = 1585355863000;
    for (const QString& title : titles)
        writer.add({title, QString(), QStringLiteral("body of ") + title, modified});
    QCOMPARE(writer.code(), 0);
    QCOMPARE(writer.written(), files);
    for (int i = 0; i < files.size(); ++i) {
        QCOMPARE(readAll(work.filePath(files.at(i))), (QStringLiteral("body of ") + titles.at(i)).toUtf8());
        QCOMPARE(QFileInfo(work.filePath(files.at(i))).lastModified().toMSecsSinceEpoch(), modified);
    }
}

void TestIphoneNotes::blackberryMemosToFiles()
{
    using namespace IpdWriter;
    const QByteArray backup = header({"Memos"}) + record(0, {{0x01, "Garden\0"}, {0x02, "roses\nmore\0"}})
                              + record(0, {{0x02, "untitled first line\nsecond\0"}}) + record(0, {});
    QTemporaryDir work;
    const QString ipd = work.filePath(QStringLiteral("m.ipd"));
    QFile file(ipd);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(backup) == backup.size());
    file.close();
    BackupChoices choices;
    choices.format = BackupChoices::Format::Android;
    const QString out = work.filePath(QStringLiteral("out"));
    const BackupConversionResult result = BackupConversion::convert(ipd, out, out, choices);
    QCOMPARE(result.firstFailure(), 0);
    QCOMPARE(result.notes.count, 2);
    QCOMPARE(result.notes.files,
             (QStringList{QStringLiteral("Notes/Garden.txt"), QStringLiteral("Notes/untitled first line.txt")}));
    QCOMPARE(readAll(out + QStringLiteral("/Notes/Notes/Garden.txt")), QByteArray("roses\nmore"));
    // No call log in this backup: no calls file.
    QVERIFY(result.callLog.path.isEmpty());
    QCOMPARE(result.callLog.code, 0);
}

QTEST_GUILESS_MAIN(TestIphoneNotes)
#include "tst_IphoneNotes.moc"

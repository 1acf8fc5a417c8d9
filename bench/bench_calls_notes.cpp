// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// Generated iPhone databases: 100,000 calls from CallHistory.storedata to
// calls-<time>.xml (goal: at least 200,000 calls per second), and 10,000
// notes of NoteStore.sqlite decoded and written as text files (goal: at
// least 20,000 notes per second).
#include "BenchClock.h"
#include "IphoneDatabases.h"
#include "transfer/android/CallLogWriter.h"
#include "transfer/android/ContactNames.h"
#include "transfer/android/NoteFileWriter.h"
#include "transfer/iphone/IphoneCallHistoryExport.h"
#include "transfer/iphone/IphoneNotesExport.h"
#include "transfer/iphone/SqliteConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr int kCalls = 100000;
constexpr int kNotes = 10000;

QByteArray lengthField(int number, const QByteArray& bytes)
{
    QByteArray out(1, char(number << 3 | 2));
    for (quint32 length = quint32(bytes.size());; length >>= 7) {
        out.append(char((length & 0x7F) | (length > 0x7F ? 0x80 : 0)));
        if (length <= 0x7F)
            break;
    }
    return out + bytes;
}

QByteArray storedNote(int i)
{
    const QByteArray text = "Note " + QByteArray::number(i) + "\nmilk\neggs\n" + QByteArray(400, 'x');
    // A plain first run, then two checklist lines.
    const QByteArray checklist = QByteArray("\x08\x67", 2) + lengthField(5, QByteArray("\x10\x01", 2));
    const QByteArray note = lengthField(2, text)
                            + lengthField(5, QByteArray("\x08", 1) + char(6 + (i >= 10) + (i >= 100) + (i >= 1000)))
                            + lengthField(5, QByteArray("\x08\x05", 2) + lengthField(2, checklist));
    const QByteArray proto = lengthField(2, lengthField(3, note));
    uLongf size = compressBound(uLong(proto.size()));
    QByteArray out(qsizetype(size), '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(proto.constData()),
             uLong(proto.size()));
    out.resize(qsizetype(size));
    return out;
}

bool makeNoteStore(const QString& path)
{
    SqliteConnection connection(path);
    if (!connection.open())
        return false;
    QSqlQuery query(connection.database());
    query.exec(QStringLiteral("CREATE TABLE ZICCLOUDSYNCINGOBJECT (Z_PK INTEGER PRIMARY KEY, ZTITLE1 VARCHAR,"
                              " ZTITLE2 VARCHAR, ZFOLDER INTEGER, ZFOLDERTYPE INTEGER, ZISPASSWORDPROTECTED INTEGER,"
                              " ZMARKEDFORDELETION INTEGER, ZMODIFICATIONDATE1 TIMESTAMP)"));
    query.exec(QStringLiteral("CREATE TABLE ZICNOTEDATA (Z_PK INTEGER PRIMARY KEY, ZNOTE INTEGER, ZDATA BLOB,"
                              " ZCRYPTOTAG BLOB)"));
    query.exec(QStringLiteral("INSERT INTO ZICCLOUDSYNCINGOBJECT (Z_PK, ZTITLE2, ZFOLDERTYPE) VALUES (1, 'Notes', 0)"));
    connection.database().transaction();
    QSqlQuery data(connection.database());
    query.prepare(QStringLiteral("INSERT INTO ZICCLOUDSYNCINGOBJECT (Z_PK, ZTITLE1, ZFOLDER, ZISPASSWORDPROTECTED,"
                                 " ZMARKEDFORDELETION, ZMODIFICATIONDATE1) VALUES (?, ?, 1, 0, 0, ?)"));
    data.prepare(QStringLiteral("INSERT INTO ZICNOTEDATA (ZNOTE, ZDATA) VALUES (?, ?)"));
    for (int i = 0; i < kNotes; ++i) {
        query.addBindValue(i + 2);
        query.addBindValue(QStringLiteral("Note %1").arg(i));
        query.addBindValue(700000000.0 + i);
        query.exec();
        data.addBindValue(i + 2);
        data.addBindValue(storedNote(i));
        data.exec();
    }
    return connection.database().commit();
}

class Discard : public NoteSink
{
public:
    void add(const NoteRecord& note) override { characters += note.text.size(); }
    qint64 characters = 0;
};

// As many small files as the notes, each with its time set, and nothing else.
int createPlainFiles(const QString& folder, int count)
{
    if (::mkdir(QFile::encodeName(folder).constData(), 0755) != 0)
        return 0;
    const QByteArray text = "Note\nmilk\neggs\n" + QByteArray(420, 'x');
    const timespec times[2] = {{0, UTIME_OMIT}, {1600000000, 0}};
    int written = 0;
    for (int i = 0; i < count; ++i) {
        const QByteArray path = QFile::encodeName(folder + QStringLiteral("/Note %1.txt").arg(i));
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            continue;
        if (::write(fd, text.constData(), size_t(text.size())) == text.size() && ::futimens(fd, times) == 0)
            ++written;
        ::close(fd);
    }
    return written;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    const QString store = work.filePath(QStringLiteral("CallHistory.storedata"));
    const QString notes = work.filePath(QStringLiteral("NoteStore.sqlite"));
    if (!IphoneDatabases::makeCallStore(store, kCalls) || !makeNoteStore(notes)) {
        std::fprintf(stderr, "cannot create the databases\n");
        return 1;
    }

    ContactNames names;
    for (int i = 0; i < 500; ++i) {
        ContactRecord contact;
        contact.entries.append({AddressBookXml::firstName(), std::nullopt, QStringLiteral("Person %1").arg(i), {}});
        contact.entries.append({AddressBookXml::phone(),
                                AddressBookXml::typeMobile(),
                                QStringLiteral("+4917000%1").arg(i, 4, 10, QLatin1Char('0')),
                                {}});
        names.add(contact);
    }
    QElapsedTimer timer;
    timer.start();
    CallLogWriter calls;
    int leftOut = 0;
    const int openCode = calls.open(work.filePath(QStringLiteral("calls.xml")));
    const int readCode = IphoneCallHistoryExport::readStores({store}, calls, leftOut);
    const double readSeconds = double(timer.nsecsElapsed()) / 1e9;
    const int writeCode = openCode != 0 ? openCode : calls.finish(&names);
    const double callSeconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("calls: %d in %.3f s (%.3f s reading) = %.0f calls/s (goal 200000), codes %d %d\n", calls.count(),
                callSeconds, readSeconds, calls.count() / callSeconds, readCode, writeCode);

    IphoneNotesExport::Skipped skipped;
    Discard discard;
    timer.restart();
    const int decodeCode = IphoneNotesExport::readNoteStore(notes, discard, skipped);
    const double decodeSeconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("notes read and decoded: %d in %.3f s = %.0f notes/s, code %d\n", kNotes, decodeSeconds,
                kNotes / decodeSeconds, decodeCode);

    NoteFileWriter files(work.filePath(QStringLiteral("Notes")));
    timer.restart();
    qint64 cpu = cpuNanoseconds();
    const int notesCode = IphoneNotesExport::readNoteStore(notes, files, skipped);
    const double noteSeconds = double(timer.nsecsElapsed()) / 1e9;
    const double noteCpuSeconds = double(cpuNanoseconds() - cpu) / 1e9;
    std::printf("notes to files: %d in %.3f s = %.0f notes/s, CPU %.0f notes/s (goal 20000), codes %d %d\n",
                files.count(), noteSeconds, files.count() / noteSeconds, files.count() / noteCpuSeconds, notesCode,
                files.code());

    // The file system's own price of as many new files, from the same run: the
    // wall-clock figure above cannot beat it, however little the code costs.
    timer.restart();
    cpu = cpuNanoseconds();
    const int plain = createPlainFiles(work.filePath(QStringLiteral("Plain")), kNotes);
    const double plainSeconds = double(timer.nsecsElapsed()) / 1e9;
    const double plainCpuSeconds = double(cpuNanoseconds() - cpu) / 1e9;
    std::printf("floor, open/write/futimens/close of new files: %d in %.3f s = %.0f files/s, CPU %.0f files/s\n", plain,
                plainSeconds, plain / plainSeconds, plain / plainCpuSeconds);
    return 0;
}

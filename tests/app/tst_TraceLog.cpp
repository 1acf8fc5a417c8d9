// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/TraceLog.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

const QRegularExpression kStamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d"));

QList<QByteArray> readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The text after the 12-character time stamp, without the CR.
QByteArray body(const QByteArray& line)
{
    return line.mid(12).chopped(1);
}

// A child run of this test program traces through the process log, whose
// place depends on HOME at start-up.
int runChild(const QString& home, const QString& mode)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    env.insert(QStringLiteral("VELMORA_TRACE_CHILD"), mode);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForFinished(60000))
        return -1;
    return child.exitCode();
}

int earlyReturn(bool early)
{
    TraceScope trace("Child::earlyReturn");
    if (early)
        return 7;
    traceMessage("not reached");
    return 0;
}

} // namespace

class TraceLogTest : public QObject
{
    Q_OBJECT

private slots:
    void linesHaveTheirShapesInOrder()
    {
        QTemporaryDir dir;
        const QString logPath = dir.path() + QStringLiteral("/log.txt");
        {
            TraceLog log(dir.path());
            QVERIFY(log.isOn());
            log.enter("MusicSync::Start");
            log.value("trackUniqueId", 42);
            log.value("name", "plain");
            log.value("path", QStringLiteral("/Music/a.mp3"));
            log.value("wide", std::wstring(L"wide text"));
            log.message("Track already exists");
            log.exit("MusicSync::Start");
            log.returns(-6005);
        }
        const QList<QByteArray> lines = readLines(logPath);
        QCOMPARE(lines.size(), 8);
        for (const QByteArray& line : lines) {
            QVERIFY2(kStamp.match(QString::fromLatin1(line)).hasMatch(), line.constData());
            QVERIFY2(line.endsWith('\r'), "every line ends with CR LF");
        }
        QCOMPARE(body(lines[0]), QByteArray(">> MusicSync::Start"));
        QCOMPARE(body(lines[1]), QByteArray("    trackUniqueId = 42"));
        QCOMPARE(body(lines[2]), QByteArray("    name = plain"));
        QCOMPARE(body(lines[3]), QByteArray("    path = /Music/a.mp3"));
        QCOMPARE(body(lines[4]), QByteArray("    wide = wide text"));
        QCOMPARE(body(lines[5]), QByteArray("    Track already exists"));
        QCOMPARE(body(lines[6]), QByteArray("<< MusicSync::Start"));
        QCOMPARE(body(lines[7]), QByteArray("Returns: -6005"));
    }

    void nonAsciiValuesAreUtf8()
    {
        QTemporaryDir dir;
        const QString value = QStringLiteral("Sigur R\u00f3s \u65e5\u672c");
        {
            TraceLog log(dir.path());
            log.value("artist", value);
            log.message(value);
        }
        const QList<QByteArray> lines = readLines(dir.path() + QStringLiteral("/log.txt"));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(body(lines[0]), QByteArray("    artist = ") + value.toUtf8());
        QCOMPARE(body(lines[1]), QByteArray("    ") + value.toUtf8());
    }

    void missingFolderMeansNoLogAndNoArchive()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/QNL");
        {
            TraceLog log(folder);
            QVERIFY(!log.isOn());
            log.enter("Nothing::Written");
            log.copyToLogFolder(QCoreApplication::applicationFilePath(), QStringLiteral("copy.bin"));
        }
        QVERIFY(!QFile::exists(folder));
        QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }

    void newRunTruncatesTheOldLog()
    {
        QTemporaryDir dir;
        const QString logPath = dir.path() + QStringLiteral("/log.txt");
        {
            QFile old(logPath);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(5000, 'x'));
        }
        {
            TraceLog log(dir.path());
            log.message("fresh");
        }
        const QList<QByteArray> lines = readLines(logPath);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(body(lines[0]), QByteArray("    fresh"));
    }

    void twoThreadsWriteWholeLines()
    {
        QTemporaryDir dir;
        const int perThread = 2000;
        {
            TraceLog log(dir.path());
            auto writer = [&log](const char* name) {
                for (int i = 0; i < perThread; ++i)
                    log.value(name, i);
            };
            std::unique_ptr<QThread> first(QThread::create(writer, "first"));
            std::unique_ptr<QThread> second(QThread::create(writer, "second"));
            first->start();
            second->start();
            QVERIFY(first->wait(60000));
            QVERIFY(second->wait(60000));
        }
        const QList<QByteArray> lines = readLines(dir.path() + QStringLiteral("/log.txt"));
        QCOMPARE(lines.size(), 2 * perThread);
        const QRegularExpression whole(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d    (first|second) = (\\d+)\r$"));
        QHash<QString, int> next;
        for (const QByteArray& line : lines) {
            const QRegularExpressionMatch match = whole.match(QString::fromLatin1(line));
            QVERIFY2(match.hasMatch(), line.constData());
            // Each thread's lines keep their own order.
            QCOMPARE(match.captured(2).toInt(), next[match.captured(1)]++);
        }
    }

    void copyToLogFolderReplacesAnExistingFile()
    {
        QTemporaryDir dir;
        const QString source = dir.path() + QStringLiteral("/source.xml");
        const QString logFolder = dir.path() + QStringLiteral("/QNL");
        QVERIFY(QDir().mkpath(logFolder));
        QFile sourceFile(source);
        QVERIFY(sourceFile.open(QIODevice::WriteOnly));
        sourceFile.write("<messages/>");
        sourceFile.close();
        QFile stale(logFolder + QStringLiteral("/messages.xml"));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("stale content that is longer");
        stale.close();
        {
            TraceLog log(logFolder);
            log.copyToLogFolder(source, QStringLiteral("messages.xml"));
        }
        QFile copy(logFolder + QStringLiteral("/messages.xml"));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), QByteArray("<messages/>"));
    }

    void processLogStartsWithTheRunAndIsZippedAtExit()
    {
        QTemporaryDir home;
        const QString folder = home.path() + QStringLiteral("/Desktop/QNL");
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(runChild(home.path(), QStringLiteral("trace")), 0);

        const QList<QByteArray> lines = readLines(folder + QStringLiteral("/log.txt"));
        QVERIFY(lines.size() >= 3);
        QCOMPARE(body(lines[0]), QByteArray("    KORVA LOG"));
        QCOMPARE(body(lines[1]), QByteArray(">> mainInt"));
        QCOMPARE(body(lines[2]), QByteArray("    argc = 1"));
        // The scope helper closes the function on its early return too.
        QCOMPARE(body(lines[3]), QByteArray(">> Child::earlyReturn"));
        QCOMPARE(body(lines[4]), QByteArray("<< Child::earlyReturn"));
        QCOMPARE(body(lines.last()), QByteArray("Returns: 7"));

        const QString archive = folder + QStringLiteral("/compressed_log.zip");
        QVERIFY(QFile::exists(archive));
        QProcess list;
        list.start(QStringLiteral("7z"), {QStringLiteral("l"), archive});
        QVERIFY(list.waitForFinished(60000));
        QVERIFY(list.readAllStandardOutput().contains("log.txt"));
    }

    void processWithoutFolderWritesNothing()
    {
        QTemporaryDir home;
        QVERIFY(QDir().mkpath(home.path() + QStringLiteral("/Desktop")));
        QCOMPARE(runChild(home.path(), QStringLiteral("trace")), 0);
        QVERIFY(QDir(home.path() + QStringLiteral("/Desktop"))
                    .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                    .isEmpty());
    }
};

int main(int argc, char* argv[])
{
    if (qEnvironmentVariable("VELMORA_TRACE_CHILD") == QLatin1String("trace")) {
        // The same first lines as the application's entry point.
        traceMessage("KORVA LOG");
        traceEnter("mainInt");
        traceValue("argc", argc);
        const int result = earlyReturn(true);
        traceExit("mainInt");
        traceReturns(result);
        return 0;
    }
    QCoreApplication app(argc, argv);
    TraceLogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_TraceLog.moc"

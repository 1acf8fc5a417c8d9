// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/ExceptionReport.h"

#include "support/FaultChild.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <dlfcn.h>
#include <stdexcept>

namespace {

const QString kRule = QString(66, QLatin1Char('-')) + QStringLiteral("\r\n");

// The divisor comes from outside the compiler's sight, so the division really
// happens; the sanitizer must not turn it into its own report first.
volatile int gSink = 0;

__attribute__((no_sanitize("undefined"))) int divide(int a, volatile int* b)
{
    gSink = a / *b;
    return gSink;
}

__attribute__((no_sanitize("address"), no_sanitize("undefined"))) int readThrough(volatile int* pointer)
{
    gSink = *pointer;
    return gSink;
}

int frameBlocks(const QString& report)
{
    return report.count(QStringLiteral("Function : "));
}

// The child's fault, by name: the work of its guarded region.
void runChildFault(const QString& fault)
{
    volatile int zero = 0;
    if (fault == QLatin1String("divide")) {
        ExceptionReporter::instance().runGuarded([&] { divide(7, &zero); });
    } else if (fault == QLatin1String("read")) {
        ExceptionReporter::instance().runGuarded([] { readThrough(nullptr); });
    } else if (fault == QLatin1String("worker")) {
        std::unique_ptr<QThread> thread(
            QThread::create([&] { ExceptionReporter::instance().runGuarded([&] { divide(3, &zero); }); }));
        thread->start();
        thread->wait();
    }
}

} // namespace

class ExceptionReportTest : public QObject
{
    Q_OBJECT

private slots:
    void faultEndsTheProcessAndItsReportIsTakenOnce_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("architecture");
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<bool>("walksTheStack");
        const QString divideByZero = QStringLiteral("Exception: EXCEPTION_INT_DIVIDE_BY_ZERO\r\n");
        QTest::newRow("division by zero") << "divide" << QString() << SIGFPE << divideByZero << true;
        QTest::newRow("bad memory access")
            << "read" << QString() << SIGSEGV << QStringLiteral("Exception: EXCEPTION_ACCESS_VIOLATION\r\n") << true;
        QTest::newRow("on a worker thread") << "worker" << QString() << SIGFPE << divideByZero << true;
        QTest::newRow("unknown machine type") << "divide"
                                              << "ARM64" << SIGFPE << divideByZero << false;
    }

    // The process does not carry on after the fault: it ends by the fault's
    // own signal, and the report waits in the program's folder for the next start.
    void faultEndsTheProcessAndItsReportIsTakenOnce()
    {
        QFETCH(QString, fault);
        QFETCH(QString, architecture);
        QFETCH(int, signal);
        QFETCH(QString, firstLine);
        QFETCH(bool, walksTheStack);
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral("KORVA")));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("VELMORA_FAULT_CHILD"), fault);
        if (!architecture.isEmpty())
            environment.insert(QStringLiteral("PROCESSOR_ARCHITECTURE"), architecture);
        const FaultChildEnd end = runFaultChild({}, environment);
        QVERIFY(end.finished);
        QVERIFY2(end.crashed, end.output.constData());
        QCOMPARE(end.signal, signal);

        const QString saved = home.filePath(QStringLiteral("KORVA/exception-report.txt"));
        const QString report = ExceptionReporter::takeSavedReport(saved);
        QVERIFY2(report.startsWith(firstLine + kRule), qPrintable(report));
        if (walksTheStack) {
            QVERIFY(frameBlocks(report) >= 1);
            QVERIFY(frameBlocks(report) <= ExceptionReporter::kMaxFrames);
        } else {
            QCOMPARE(report, firstLine + kRule);
        }
        QVERIFY(!QFile::exists(saved));
        QVERIFY(ExceptionReporter::takeSavedReport(saved).isEmpty());
    }

    void savedRecordsReadBack_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("report");
        const QByteArray magic = "VELMORA-EXCEPTION-REPORT 1\n";
        const QString rule = kRule;
        const QString unnamed = QStringLiteral("Function : UnkownFunction\r\n    [Source File : UnkownFile]\r\n"
                                               "    [Source Line : 0]\r\n");
        QTest::newRow("no frames") << magic + "code c0000005\nend\n"
                                   << QStringLiteral("Exception: EXCEPTION_ACCESS_VIOLATION\r\n") + rule;
        QTest::newRow("unknown code") << magic + "code 1234\nend\n"
                                      << QStringLiteral("Unknown Exception...\r\n") + rule;
        QTest::newRow("frames outside any module this process has")
            << magic + "code c0000094\nframe ?\nframe 10 /nonexistent/lib.so\nframe ffffffffffffffff "
                   + QFile::encodeName(QCoreApplication::applicationFilePath()) + "\nend\n"
            << QStringLiteral("Exception: EXCEPTION_INT_DIVIDE_BY_ZERO\r\n") + rule + unnamed + unnamed + unnamed;
        Dl_info qtCore = {};
        const auto function = reinterpret_cast<char*>(&qVersion);
        QVERIFY(dladdr(function, &qtCore) && qtCore.dli_fname);
        // A return address one past the function's first byte.
        const QByteArray offset =
            QByteArray::number(qulonglong(function + 1 - static_cast<char*>(qtCore.dli_fbase)), 16);
        QTest::newRow("a frame in a library this process has")
            << magic + "code c0000005\nframe " + offset + ' ' + qtCore.dli_fname + "\nend\n"
            << QStringLiteral("Exception: EXCEPTION_ACCESS_VIOLATION\r\n") + rule
                   + QStringLiteral(
                       "Function : qVersion\r\n    [Source File : UnkownFile]\r\n    [Source Line : 0]\r\n");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("another file") << QByteArray("Exception: EXCEPTION_ACCESS_VIOLATION\r\n") << QString();
        QTest::newRow("cut short") << magic + "code c0000005\nframe ?\n" << QString();
        QTest::newRow("code too wide") << magic + "code 1c0000005\nend\n" << QString();
        QTest::newRow("code not a number") << magic + "code zz\nend\n" << QString();
        QTest::newRow("a line that is no frame") << magic + "code c0000005\nframes ?\nend\n" << QString();
        QTest::newRow("more frames than a report holds")
            << magic + "code c0000005\n" + QByteArray("frame ?\n").repeated(ExceptionReporter::kMaxFrames + 1) + "end\n"
            << QString();
        QTest::newRow("longer than a record") << magic + "code c0000005\nend\n" + QByteArray(70000, '\n') << QString();
    }

    void savedRecordsReadBack()
    {
        QFETCH(QByteArray, record);
        QFETCH(QString, report);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("exception-report.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(record);
        file.close();
        QCOMPARE(ExceptionReporter::takeSavedReport(path), report);
        // A damaged record is not shown at every start from now on.
        QVERIFY(!QFile::exists(path));
    }

    void escapingExceptionIsReportedAsUnknown()
    {
        QVERIFY(!ExceptionReporter::instance().runGuarded([] { throw std::runtime_error("boom"); }));
        QCOMPARE(ExceptionReporter::instance().lastReport(), QStringLiteral("Unknown Exception...\r\n") + kRule);
    }

    void nestedRegionsReturnToTheInnermost()
    {
        bool innerCompleted = true;
        const bool outerCompleted = ExceptionReporter::instance().runGuarded([&] {
            innerCompleted = ExceptionReporter::instance().runGuarded([] { throw std::runtime_error("inner"); });
        });
        QVERIFY(!innerCompleted);
        QVERIFY(outerCompleted);
    }

    void reportTextFormat()
    {
        ExceptionReporter::Frame named;
        named.function = "MusicSync::Start";
        named.file = "MusicSync.cpp";
        named.line = 120;
        const ExceptionReporter::Frame unnamed;
        const QString report = ExceptionReporter::formatReport(0xC0000005u, {named, unnamed});
        QCOMPARE(report, QStringLiteral("Exception: EXCEPTION_ACCESS_VIOLATION\r\n") + kRule
                             + QStringLiteral("Function : MusicSync::Start\r\n"
                                              "    [Source File : MusicSync.cpp]\r\n"
                                              "    [Source Line : 120]\r\n"
                                              "Function : UnkownFunction\r\n"
                                              "    [Source File : UnkownFile]\r\n"
                                              "    [Source Line : 0]\r\n"));
        QCOMPARE(ExceptionReporter::formatReport(0x12345678u, {}), QStringLiteral("Unknown Exception...\r\n") + kRule);
    }

    void codeTableHasItsTwentyTwoNames()
    {
        const quint32 codes[] = {0xC0000005, 0x80000002, 0x80000003, 0x80000004, 0xC000008C, 0xC000008D,
                                 0xC000008E, 0xC000008F, 0xC0000090, 0xC0000091, 0xC0000092, 0xC0000093,
                                 0xC0000094, 0xC0000095, 0xC0000096, 0xC0000006, 0xC000001D, 0xC0000025,
                                 0xC00000FD, 0xC0000026, 0x80000001, 0xC0000008};
        QSet<QString> names;
        for (quint32 code : codes) {
            const QString name = ExceptionReporter::codeName(code);
            QVERIFY(name.startsWith(QStringLiteral("EXCEPTION_")));
            names.insert(name);
        }
        QCOMPARE(names.size(), 22);
        QCOMPARE(ExceptionReporter::codeName(0xC00000FD), QStringLiteral("EXCEPTION_STACK_OVERFLOW"));
    }
};

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet("VELMORA_FAULT_CHILD")) {
        leaveNoCoreFile();
        runChildFault(qEnvironmentVariable("VELMORA_FAULT_CHILD"));
        fputs("the process carried on after the fault\n", stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    ExceptionReportTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ExceptionReport.moc"

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/ExceptionReport.h"

#include <QProcess>
#include <QTest>
#include <QThread>

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

} // namespace

class ExceptionReportTest : public QObject
{
    Q_OBJECT

private slots:
    void divisionByZeroIsReportedAndTheProgramCarriesOn()
    {
        volatile int zero = 0;
        int result = -1;
        const bool completed = ExceptionReporter::instance().runGuarded([&] { result = divide(10, &zero); });
        QVERIFY(!completed);
        QCOMPARE(result, -1);
        const QString report = ExceptionReporter::instance().lastReport();
        QVERIFY2(report.startsWith(QStringLiteral("Exception: EXCEPTION_INT_DIVIDE_BY_ZERO\r\n") + kRule),
                 qPrintable(report));
        QVERIFY(frameBlocks(report) >= 1);
        QVERIFY(frameBlocks(report) <= ExceptionReporter::kMaxFrames);

        // The region is armed again for the next fault.
        QVERIFY(!ExceptionReporter::instance().runGuarded([&] { result = divide(7, &zero); }));
        volatile int one = 1;
        QVERIFY(ExceptionReporter::instance().runGuarded([&] { result = divide(10, &one); }));
        QCOMPARE(result, 10);
    }

    void badMemoryAccessIsReported()
    {
        QVERIFY(!ExceptionReporter::instance().runGuarded([] { readThrough(nullptr); }));
        QVERIFY(ExceptionReporter::instance().lastReport().startsWith(
            QStringLiteral("Exception: EXCEPTION_ACCESS_VIOLATION\r\n")));
    }

    void escapingExceptionIsReportedAsUnknown()
    {
        QVERIFY(!ExceptionReporter::instance().runGuarded([] { throw std::runtime_error("boom"); }));
        QCOMPARE(ExceptionReporter::instance().lastReport(), QStringLiteral("Unknown Exception...\r\n") + kRule);
    }

    void faultOnAWorkerThreadStaysOnThatThread()
    {
        bool completed = true;
        QString report;
        std::unique_ptr<QThread> thread(QThread::create([&] {
            volatile int zero = 0;
            completed = ExceptionReporter::instance().runGuarded([&] { divide(3, &zero); });
            report = ExceptionReporter::instance().lastReport();
        }));
        thread->start();
        QVERIFY(thread->wait(30000));
        QVERIFY(!completed);
        QVERIFY(report.startsWith(QStringLiteral("Exception: EXCEPTION_INT_DIVIDE_BY_ZERO")));
    }

    void nestedRegionsReturnToTheInnermost()
    {
        bool innerCompleted = true;
        const bool outerCompleted = ExceptionReporter::instance().runGuarded([&] {
            volatile int zero = 0;
            innerCompleted = ExceptionReporter::instance().runGuarded([&] { divide(7, &zero); });
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

    void unknownMachineTypeGivesTheTwoLineReport()
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PROCESSOR_ARCHITECTURE"), QStringLiteral("ARM64"));
        env.insert(QStringLiteral("VELMORA_FAULT_CHILD"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(QString::fromLatin1(child.readAllStandardOutput()),
                 QStringLiteral("Exception: EXCEPTION_INT_DIVIDE_BY_ZERO\r\n") + kRule);
    }
};

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet("VELMORA_FAULT_CHILD")) {
        volatile int zero = 0;
        ExceptionReporter::instance().runGuarded([&] { divide(7, &zero); });
        fputs(ExceptionReporter::instance().lastReport().toLatin1().constData(), stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    ExceptionReportTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ExceptionReport.moc"

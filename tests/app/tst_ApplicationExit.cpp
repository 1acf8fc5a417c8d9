// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The application as a whole, started as its own process offscreen with a
// temporary home: a termination signal ends it through its normal close path,
// with the open wizard cancelled, the event loop's result as the exit code and
// in the log's last "Returns:" line, and the log packed; without the
// diagnostics folder it runs and ends the same, writing no trace.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

// Whether the process has installed its own handler for signal: from then on
// a signal takes the program's close path instead of the default action.
bool catchesSignal(qint64 pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    }
    return false;
}

QByteArray lastLineStartingWith(const QByteArray& log, const QByteArray& marker)
{
    QByteArray found;
    for (const QByteArray& line : log.split('\n')) {
        const QByteArray text = line.trimmed().mid(12); // after the time stamp
        if (text.startsWith(marker))
            found = text;
    }
    return found;
}

class RunningApplication
{
public:
    explicit RunningApplication(const QString& home)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
        mProcess.setProcessEnvironment(environment);
        mProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        mProcess.start(QCoreApplication::applicationDirPath() + QStringLiteral("/velmora"), QStringList());
    }
    ~RunningApplication()
    {
        if (mProcess.state() != QProcess::NotRunning) {
            mProcess.kill();
            mProcess.waitForFinished();
        }
    }
    QProcess& process() { return mProcess; }

private:
    QProcess mProcess;
};

} // namespace

class TestApplicationExit : public QObject
{
    Q_OBJECT

private slots:
    void terminationClosesTheWizardAndTheWindow_data();
    void terminationClosesTheWizardAndTheWindow();
    void runsWithoutDiagnosticsFolder();
};

void TestApplicationExit::terminationClosesTheWizardAndTheWindow_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("logout") << SIGTERM;
    QTest::newRow("Ctrl+C") << SIGINT;
}

void TestApplicationExit::terminationClosesTheWizardAndTheWindow()
{
    QFETCH(int, signal);
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString diagnostics = home.filePath(QStringLiteral("Desktop/QNL"));
    QVERIFY(QDir().mkpath(diagnostics));
    const QString logPath = diagnostics + QStringLiteral("/log.txt");

    RunningApplication application(home.path());
    QProcess& process = application.process();
    QVERIFY(process.waitForStarted());
    // The first start opens the set-up wizard modally: the signal must reach
    // the program inside the wizard's own event loop.
    QTRY_VERIFY_WITH_TIMEOUT(lastLineStartingWith(
                                 [&] {
                                     QFile log(logPath);
                                     return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
                                 }(),
                                 ">> DeviceWizard::DeviceWizard")
                                     .size()
                                 > 0,
                             30000);
    QVERIFY(catchesSignal(process.processId(), signal));
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(process.waitForFinished(30000));

    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QFile log(logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray contents = log.readAll();
    QCOMPARE(lastLineStartingWith(contents, "Returns:"),
             QByteArray("Returns: ") + QByteArray::number(process.exitCode()));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(contents.contains("<< mainInt\r\n"));
    QVERIFY(QFile::exists(diagnostics + QStringLiteral("/compressed_log.zip")));
}

void TestApplicationExit::runsWithoutDiagnosticsFolder()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    RunningApplication application(home.path());
    QProcess& process = application.process();
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(process.processId(), SIGTERM), 30000);
    process.terminate();
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(home.filePath(QStringLiteral("Desktop/QNL"))));
}

QTEST_MAIN(TestApplicationExit)
#include "tst_ApplicationExit.moc"

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/ResultCodes.h"
#include "transfer/BackupLocator.h"
#include "transfer/IphoneBackupRunner.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const char* const kUdid = "00008030-001A2B3C4D5E802E";

// Stand-ins for libimobiledevice's programs (tests/data/imobiledevice) that
// print what the real ones print; $SCENARIO picks the phone's state, every
// call is noted in $CALLS.
void installProgram(const QString& folder, const QString& name)
{
    const QString target = folder + QLatin1Char('/') + name;
    QVERIFY(QFile::copy(QStringLiteral(VELMORA_TEST_DATA_DIR "/imobiledevice/") + name, target));
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}
} // namespace

class TestIphoneBackupRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void backsUpAndSaysWhatToDo_data();
    void backsUpAndSaysWhatToDo();
    void missingProgramsAreNamed();
    void readsProgressFigures();

private:
    struct Run
    {
        int result = 1;
        QString folder;
        QList<int> percents;
    };
    Run runScenario(const QString& scenario);

    QTemporaryDir mRoot;
    QByteArray mOldPath;
};

void TestIphoneBackupRunner::initTestCase()
{
    const QString bin = mRoot.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    installProgram(bin, QStringLiteral("idevice_id"));
    installProgram(bin, QStringLiteral("idevicepair"));
    installProgram(bin, QStringLiteral("idevicebackup2"));
    mOldPath = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8() + ':' + mOldPath);
    qputenv("CALLS", mRoot.filePath(QStringLiteral("calls.txt")).toUtf8());
}

void TestIphoneBackupRunner::cleanupTestCase()
{
    qputenv("PATH", mOldPath);
}

TestIphoneBackupRunner::Run TestIphoneBackupRunner::runScenario(const QString& scenario)
{
    qputenv("SCENARIO", scenario.toUtf8());
    QFile::remove(mRoot.filePath(QStringLiteral("calls.txt")));
    IphoneBackupRunner runner;
    QSignalSpy finished(&runner, &IphoneBackupRunner::finished);
    Run run;
    connect(&runner, &IphoneBackupRunner::progress, this,
            [&run](int percent, const QString&) { run.percents.append(percent); });
    runner.start(mRoot.filePath(QStringLiteral("backups")));
    // A missing program may end the run inside start; otherwise the end comes later.
    if (finished.isEmpty() && !finished.wait(20000))
        return run;
    run.result = finished.first().at(0).toInt();
    run.folder = finished.first().at(1).toString();
    return run;
}

void TestIphoneBackupRunner::backsUpAndSaysWhatToDo_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("lastCall");
    QTest::addColumn<QString>("advice");
    const QString backup = QStringLiteral("idevicebackup2 -u %1 backup --full ").arg(QLatin1String(kUdid));
    QTest::newRow("ok") << 0 << backup << "backed up";
    QTest::newRow("pairs") << 0 << backup << "backed up";
    QTest::newRow("none") << int(IphoneBackupResult::NoIphone) << "idevice_id -l"
                          << "Plug the iPhone in";
    QTest::newRow("locked") << int(IphoneBackupResult::PhoneLocked)
                            << QStringLiteral("idevicepair -u %1 validate").arg(QLatin1String(kUdid)) << "Unlock it";
    QTest::newRow("untrusted") << int(IphoneBackupResult::NotTrusted)
                               << QStringLiteral("idevicepair -u %1 pair").arg(QLatin1String(kUdid)) << "tap \"Trust\"";
    QTest::newRow("denied") << int(IphoneBackupResult::TrustDenied)
                            << QStringLiteral("idevicepair -u %1 pair").arg(QLatin1String(kUdid)) << "not to trust";
    // Encryption on: the encrypted backup is made; its password is asked for after.
    QTest::newRow("encrypted") << 0 << backup << "backed up";
    QTest::newRow("fails") << int(IphoneBackupResult::BackupFailed) << backup << "could not be backed up";
}

void TestIphoneBackupRunner::backsUpAndSaysWhatToDo()
{
    QFETCH(int, result);
    QFETCH(QString, lastCall);
    QFETCH(QString, advice);
    const Run run = runScenario(QString::fromLatin1(QTest::currentDataTag()));
    QCOMPARE(run.result, result);
    QVERIFY2(IphoneBackupRunner::adviceFor(run.result).contains(advice),
             qPrintable(IphoneBackupRunner::adviceFor(run.result)));
    QFile calls(mRoot.filePath(QStringLiteral("calls.txt")));
    QVERIFY(calls.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(calls.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(lines.last().startsWith(lastCall), qPrintable(lines.last()));
    if (result == 0) {
        const QString expected = mRoot.filePath(QStringLiteral("backups/")) + QLatin1String(kUdid);
        QCOMPARE(run.folder, expected);
        QCOMPARE(run.percents.last(), 100);
        QVERIFY(run.percents.contains(50) || run.percents.contains(10));
        // The new backup is one the backup page lists.
        const QList<LocatedBackup> found = BackupLocator::findIn(mRoot.filePath(QStringLiteral("backups")));
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().deviceName, QStringLiteral("Test iPhone"));
    } else {
        QVERIFY(run.folder.isEmpty());
    }
}

void TestIphoneBackupRunner::missingProgramsAreNamed()
{
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", mRoot.filePath(QStringLiteral("nothing")).toUtf8());
    const Run run = runScenario(QStringLiteral("ok"));
    qputenv("PATH", path);
    QCOMPARE(run.result, int(IphoneBackupResult::ProgramMissing));
    QVERIFY(IphoneBackupRunner::adviceFor(run.result).contains(QStringLiteral("libimobiledevice-utils")));
}

void TestIphoneBackupRunner::readsProgressFigures()
{
    QCOMPARE(IphoneBackupRunner::percentIn(QStringLiteral("[=====    ]  45% Finished")), 45);
    QCOMPARE(IphoneBackupRunner::percentIn(QStringLiteral("[=====]100% Finished")), 100);
    QCOMPARE(IphoneBackupRunner::percentIn(QStringLiteral("Receiving files")), -1);
    QCOMPARE(IphoneBackupRunner::percentIn(QStringLiteral("999% Finished")), 100);
}

QTEST_GUILESS_MAIN(TestIphoneBackupRunner)
#include "tst_IphoneBackupRunner.moc"

// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// velmora-convert run as a process, on good and broken backups.
#include "support/IpdWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runConvert(const QStringList& arguments, const QString& home = QString(), const QString& temporary = QString())
{
    Run run;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!home.isEmpty()) {
        environment.insert("HOME", home);
        environment.remove("XDG_CONFIG_HOME");
    }
    if (!temporary.isEmpty())
        environment.insert("TMPDIR", temporary);
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + "/velmora-convert", arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray sampleBackup()
{
    return IpdWriter::header({"SMS Messages", "Address Book - All"})
           + IpdWriter::smsRecord(0, true, 1300000000000ull, "+15550100", "hi")
           + IpdWriter::smsRecord(0, false, 1300000001000ull, "+15550100", "bye")
           + IpdWriter::record(1, {{10, IpdWriter::textSubfield(32, "Jane")}});
}

using ArchiveFiles = QList<QPair<QString, QByteArray>>;

// Packs files (name, content) into a zip archive with the real 7z, encrypted when password is set.
bool zipFiles(const QString& archive, const ArchiveFiles& files, const QString& password = {})
{
    QTemporaryDir content;
    for (const auto& file : files)
        writeFile(content.filePath(file.first), file.second);
    QProcess zip;
    zip.setWorkingDirectory(content.path());
    QStringList arguments{"a", "-tzip", archive, "."};
    if (!password.isEmpty())
        arguments << "-p" + password;
    zip.start(QStandardPaths::findExecutable("7z"), arguments);
    return zip.waitForFinished(60000) && zip.exitCode() == 0;
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
}

// A process that is gone or only waits to be reaped.
bool processGone(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(')');
    return end < 0 || line.mid(end + 2, 1) == "Z";
}

} // namespace

class TestVelmoraConvert : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void convertsIpd();
    void convertsBbbArchive();
    void brokenInput_data();
    void brokenInput();
    void refusedArchives_data();
    void refusedArchives();
    void terminationLeavesNothingBehind_data();
    void terminationLeavesNothingBehind();
    void leavesTheApplicationsTraceLogAlone();
    void writesTheStandardFiles();
};

void TestVelmoraConvert::initTestCase()
{
    QVERIFY2(QFileInfo(QCoreApplication::applicationDirPath() + "/velmora-convert").isExecutable(),
             "velmora-convert must be built beside the tests");
}

void TestVelmoraConvert::convertsIpd()
{
    QTemporaryDir work;
    const QString backup = work.filePath("My Backup.ipd");
    writeFile(backup, sampleBackup());
    const QString out = work.filePath("out dir");
    const Run run = runConvert({backup, out});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.isEmpty());
    QVERIFY2(run.out.contains("2 databases"), qPrintable(run.out));
    QVERIFY2(run.out.contains("Contacts written: 1"), qPrintable(run.out));
    QVERIFY2(run.out.contains("Messages written: 2"), qPrintable(run.out));
    QFile messages(out + "/messages.xml");
    QVERIFY(messages.open(QIODevice::ReadOnly));
    const QByteArray xml = messages.readAll();
    QVERIFY(xml.contains("<received_message>"));
    QVERIFY(xml.contains("<text>bye</text>"));
    QVERIFY(QFile::exists(out + "/address.xml"));
}

void TestVelmoraConvert::convertsBbbArchive()
{
    QTemporaryDir work;
    const QString content = work.filePath("content");
    writeFile(content + "/Manifest.xml", "<BlackBerry_Backup/>");
    writeFile(content + "/Databases/1.dat",
              IpdWriter::header({"SMS Messages"}) + IpdWriter::smsRecord(1, true, 0, "+1", "from archive"));
    QProcess zip;
    zip.setWorkingDirectory(content);
    zip.start(QStandardPaths::findExecutable("7z"), {"a", "-tzip", work.filePath("Backup.bbb"), "."});
    QVERIFY(zip.waitForFinished(60000) && zip.exitCode() == 0);

    const Run run = runConvert({"--format", "korva", work.filePath("Backup.bbb"), work.filePath("out")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains("Messages written: 1"), qPrintable(run.out));
    QVERIFY(run.out.contains("no address book"));
    QVERIFY(!QFile::exists(work.filePath("out/address.xml")));
    QCOMPARE(QDir(work.filePath("out")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList{"messages.xml"});
}

void TestVelmoraConvert::brokenInput_data()
{
    QTest::addColumn<QString>("name"); // file created in the work folder; empty: none
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("arguments"); // "%1" is the work folder
    QTest::addColumn<QString>("message");

    QTest::newRow("no arguments") << QString() << QByteArray() << QStringList{} << "usage";
    QTest::newRow("missing backup") << QString() << QByteArray() << QStringList{"%1/none.ipd", "%1/out"}
                                    << "no such backup";
    QTest::newRow("unrecognised name") << "notes.txt" << sampleBackup() << QStringList{"%1/notes.txt", "%1/out"}
                                       << "not a recognised backup";
    QTest::newRow("garbage ipd") << "bad.ipd" << QByteArray(4096, '\x7f') << QStringList{"%1/bad.ipd", "%1/out"}
                                 << "no BlackBerry databases";
    QTest::newRow("truncated header") << "short.ipd" << sampleBackup().left(40) << QStringList{"%1/short.ipd", "%1/out"}
                                      << "no BlackBerry databases";
    QTest::newRow("bbb that is no archive")
        << "bad.bbb" << QByteArray("not a zip") << QStringList{"%1/bad.bbb", "%1/out"} << "the archive cannot be read";
    QTest::newRow("backup is a folder") << QString() << QByteArray() << QStringList{"%1/dir.ipd", "%1/out"}
                                        << "cannot read the backup";
    QTest::newRow("output folder blocked by a file")
        << "ok.ipd" << sampleBackup() << QStringList{"%1/ok.ipd", "%1/ok.ipd/out"} << "the file cannot be written";
}

void TestVelmoraConvert::brokenInput()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QTemporaryDir work;
    QVERIFY(QDir().mkpath(work.filePath("dir.ipd")));
    if (!name.isEmpty())
        writeFile(work.filePath(name), bytes);
    for (QString& argument : arguments)
        argument = argument.arg(work.path());

    const Run run = runConvert(arguments);
    QVERIFY(run.exitCode > 0);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(run.err.count('\n'), 1); // one line
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(!QFile::exists(work.filePath("out/messages.xml")));
}

void TestVelmoraConvert::refusedArchives_data()
{
    QTest::addColumn<ArchiveFiles>("files");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    const QByteArray database = IpdWriter::header({"SMS Messages"}) + IpdWriter::smsRecord(1, true, 0, "+1", "x");
    // Read as a raw backup, it once "succeeded" with empty files.
    QTest::newRow("no Manifest.xml") << ArchiveFiles{{"Databases/1.dat", database}} << QString()
                                     << "holds no Manifest.xml";
    QTest::newRow("encrypted") << ArchiveFiles{{"Manifest.xml", "<BlackBerry_Backup/>"}, {"Databases/1.dat", database}}
                               << "secret"
                               << "protected by a password";
}

void TestVelmoraConvert::refusedArchives()
{
    QFETCH(ArchiveFiles, files);
    QFETCH(QString, password);
    QFETCH(QString, message);
    QTemporaryDir work;
    const QString archive = work.filePath("Backup.bbb");
    QVERIFY(zipFiles(archive, files, password));
    const QString temporary = work.filePath("tmp");
    QVERIFY(QDir().mkpath(temporary));

    const Run run = runConvert({archive, work.filePath("out")}, QString(), temporary);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(entriesOf(work.filePath("out")), QStringList());
    QCOMPARE(entriesOf(temporary), QStringList());
}

void TestVelmoraConvert::terminationLeavesNothingBehind_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestVelmoraConvert::terminationLeavesNothingBehind()
{
    QFETCH(int, signalNumber);
    QTemporaryDir work;
    const QString archive = work.filePath("Backup.bbb");
    QVERIFY(zipFiles(archive, {{"Manifest.xml", "<BlackBerry_Backup/>"}, {"Databases/1.dat", QByteArray(4096, 'd')}}));
    // An archiver in the working folder that lists for real but stalls in
    // the middle of the unpacking, a part of the database already written.
    const QString pidFile = work.filePath("archiver.pid");
    writeFile(work.filePath("7z/7z"), "#!/bin/sh\n"
                                      "if [ \"$1\" = x ]; then echo $$ > \""
                                          + pidFile.toUtf8() + ".new\"; mv \"" + pidFile.toUtf8() + ".new\" \""
                                          + pidFile.toUtf8()
                                          + "\"; printf abc; exec sleep 60; fi\n"
                                            "exec "
                                          + QStandardPaths::findExecutable("7z").toUtf8() + " \"$@\"\n");
    QFile::setPermissions(work.filePath("7z/7z"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString temporary = work.filePath("tmp");
    QVERIFY(QDir().mkpath(temporary));

    QProcess convert;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", temporary);
    convert.setProcessEnvironment(environment);
    convert.setWorkingDirectory(work.path());
    convert.start(QCoreApplication::applicationDirPath() + "/velmora-convert", {archive, work.filePath("out")});
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(pidFile), 30000);
    QFile pid(pidFile);
    QVERIFY(pid.open(QIODevice::ReadOnly));
    const qint64 archiver = pid.readAll().trimmed().toLongLong();
    QVERIFY(archiver > 0);
    QTRY_VERIFY_WITH_TIMEOUT(QDirIterator(temporary, {"1.dat"}, QDir::Files, QDirIterator::Subdirectories).hasNext(),
                             30000);

    QCOMPARE(::kill(pid_t(convert.processId()), signalNumber), 0);
    QVERIFY(convert.waitForFinished(30000));
    QCOMPARE(convert.exitStatus(), QProcess::CrashExit);
    QTRY_VERIFY_WITH_TIMEOUT(processGone(archiver), 10000);
    QCOMPARE(entriesOf(temporary), QStringList());
    QCOMPARE(entriesOf(work.filePath("out")), QStringList());
}

void TestVelmoraConvert::leavesTheApplicationsTraceLogAlone()
{
    QTemporaryDir home;
    const QString logFolder = home.filePath("Desktop/QNL");
    QVERIFY(QDir().mkpath(logFolder));
    writeFile(logFolder + "/log.txt", "the application's log");
    const QString backup = home.filePath("backup.ipd");
    writeFile(backup, sampleBackup());
    QCOMPARE(runConvert({backup, home.filePath("out")}, home.path()).exitCode, 0);
    QFile log(logFolder + "/log.txt");
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("the application's log"));
    QVERIFY(!QFile::exists(logFolder + "/compressed_log.zip"));
}

void TestVelmoraConvert::writesTheStandardFiles()
{
    QTemporaryDir work;
    const QString backup = work.filePath("b.ipd");
    writeFile(backup, sampleBackup());
    Run run = runConvert({"--format", "android", backup, work.filePath("out")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains("Contacts (vCard): 1 written"), qPrintable(run.out));
    QVERIFY2(run.out.contains("Messages (SMS Backup & Restore): 2 written"), qPrintable(run.out));
    QVERIFY(!QFile::exists(work.filePath("out/messages.xml")));
    QVERIFY(QFile::exists(work.filePath("out/contacts.vcf")));
    QCOMPARE(QDir(work.filePath("out")).entryList({"sms-*.xml"}).size(), 1);

    run = runConvert({"--format", "pdf", backup, work.filePath("out2")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.contains("unknown format"));
    run = runConvert({"--help"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.contains("--format korva|android|all"));
}

QTEST_GUILESS_MAIN(TestVelmoraConvert)
#include "tst_VelmoraConvert.moc"

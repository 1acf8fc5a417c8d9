// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/TraceLog.h"

#include "app/Constants.h"
#include "app/ExternalProgram.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTime>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>

extern char** environ;

// Defined only by programs that opt out of the trace log.
extern "C" const bool velmoraProgramWithoutTraceLog __attribute__((weak));

namespace {

const char kLineEnd[] = "\r\n";
const char kIndent[] = "    ";

// Runs the archiver to completion. posix_spawn rather than QProcess: this runs
// during static destruction, after the application object and much of Qt are gone.
void runArchiver(const QString& program, const QStringList& arguments)
{
    const QByteArray programBytes = QFile::encodeName(program);
    QList<QByteArray> argumentBytes;
    argumentBytes.append(programBytes);
    for (const QString& argument : arguments)
        argumentBytes.append(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& bytes : argumentBytes)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The archiver's chatter would otherwise end up on the user's terminal.
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, programBytes.constData(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

} // namespace

TraceLog::TraceLog(const QString& diagnosticsFolder) : mFolder(diagnosticsFolder)
{
    if (diagnosticsFolder.isEmpty() || !QDir(diagnosticsFolder).exists())
        return;
    auto* file = new QFile(diagnosticsFolder + QLatin1Char('/') + Constants::logFileName());
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        delete file;
        return;
    }
    mFile = file;
}

TraceLog::~TraceLog()
{
    if (mFile) {
        mFile->close();
        delete mFile;
        mFile = nullptr;
    }
    if (mFolder.isEmpty())
        return;
    const QString logPath = mFolder + QLatin1Char('/') + Constants::logFileName();
    const QString archivePath = mFolder + QLatin1Char('/') + Constants::compressedLogFileName();
    if (!QFile::exists(logPath))
        return;
    const QString archiver = findExternalProgram(Constants::archiverRelativePath(), Constants::archiverCommand());
    if (archiver.isEmpty())
        return;
    runArchiver(archiver, {QStringLiteral("a"), QStringLiteral("-y"), QStringLiteral("-tzip"), archivePath, logPath});
}

QString TraceLog::defaultDiagnosticsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) + QLatin1Char('/')
           + Constants::diagnosticsFolderName();
}

TraceLog& TraceLog::global()
{
    static TraceLog log(&velmoraProgramWithoutTraceLog && velmoraProgramWithoutTraceLog ? QString()
                                                                                        : defaultDiagnosticsFolder());
    return log;
}

// Create the process log during static initialisation, before main runs, so that
// it outlives everything that traces and packs the log after main returns.
[[maybe_unused]] static TraceLog& sProcessLog = TraceLog::global();

void TraceLog::writePiece(const char* text, qint64 length)
{
    mFile->write(text, length);
    mFile->flush();
}

void TraceLog::writeLine(const char* marker, const char* first, const char* second, const char* third)
{
    if (!mFile)
        return;
    QMutexLocker locker(&mMutex);
    const QByteArray stamp = QTime::currentTime().toString(QStringLiteral("hh:mm:ss:zzz")).toLatin1();
    writePiece(stamp.constData(), stamp.size());
    for (const char* piece : {marker, first, second, third}) {
        if (piece)
            writePiece(piece, qint64(std::strlen(piece)));
    }
    writePiece(kLineEnd, 2);
}

void TraceLog::writeLine(const char* marker, const char* first, const QByteArray& second, const char* third)
{
    writeLine(marker, first, second.constData(), third);
}

void TraceLog::enter(const char* name)
{
    writeLine(">> ", name);
}

void TraceLog::exit(const char* name)
{
    writeLine("<< ", name);
}

void TraceLog::returns(int value)
{
    if (!mFile)
        return;
    const QByteArray number = QByteArray::number(qint64(value));
    writeLine("Returns: ", number.constData());
}

void TraceLog::value(const char* name, const char* text)
{
    if (!mFile)
        return;
    QMutexLocker locker(&mMutex);
    const QByteArray stamp = QTime::currentTime().toString(QStringLiteral("hh:mm:ss:zzz")).toLatin1();
    writePiece(stamp.constData(), stamp.size());
    writePiece(kIndent, 4);
    writePiece(name, qint64(std::strlen(name)));
    writePiece(" = ", 3);
    writePiece(text, qint64(std::strlen(text)));
    writePiece(kLineEnd, 2);
}

void TraceLog::value(const char* name, int number)
{
    if (!mFile)
        return;
    // Formatted before the lock is taken, so the lock covers only the writing.
    const QByteArray text = QByteArray::number(qint64(number));
    value(name, text.constData());
}

void TraceLog::value(const char* name, const QString& text)
{
    if (!mFile)
        return;
    value(name, text.toUtf8().constData());
}

void TraceLog::value(const char* name, const std::wstring& text)
{
    if (!mFile)
        return;
    value(name, QString::fromStdWString(text));
}

void TraceLog::message(const char* text)
{
    writeLine(kIndent, text);
}

void TraceLog::message(const QString& text)
{
    if (!mFile)
        return;
    writeLine(kIndent, text.toUtf8().constData());
}

void TraceLog::copyToLogFolder(const QString& sourcePath, const QString& targetName)
{
    if (!mFile)
        return;
    const QString target = mFolder + QLatin1Char('/') + targetName;
    if (QFile::exists(target))
        QFile::remove(target);
    QFile::copy(sourcePath, target);
}

void traceEnter(const char* name)
{
    TraceLog::global().enter(name);
}
void traceExit(const char* name)
{
    TraceLog::global().exit(name);
}
void traceReturns(int value)
{
    TraceLog::global().returns(value);
}
void traceValue(const char* name, const char* text)
{
    TraceLog::global().value(name, text);
}
void traceValue(const char* name, int number)
{
    TraceLog::global().value(name, number);
}
void traceValue(const char* name, const QString& text)
{
    TraceLog::global().value(name, text);
}
void traceValue(const char* name, const std::wstring& text)
{
    TraceLog::global().value(name, text);
}
void traceMessage(const char* text)
{
    TraceLog::global().message(text);
}
void traceMessage(const QString& text)
{
    TraceLog::global().message(text);
}
void traceCopyToLogFolder(const QString& sourcePath, const QString& targetName)
{
    TraceLog::global().copyToLogFolder(sourcePath, targetName);
}

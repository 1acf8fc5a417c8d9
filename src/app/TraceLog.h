// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QMutex>
#include <QString>

#include <string>

class QFile;

// The process-wide trace of function entries and exits. It is written only while
// a "QNL" folder exists on the desktop; otherwise every call is a single test.
// Each line is on disk when the call returns, so a crash keeps every earlier line.
class TraceLog
{
public:
    // Opens "log.txt" (truncated) in diagnosticsFolder when that folder exists;
    // an empty folder name means no log.
    explicit TraceLog(const QString& diagnosticsFolder);
    // Closes the log and packs it into "compressed_log.zip" beside it.
    ~TraceLog();
    Q_DISABLE_COPY_MOVE(TraceLog)

    bool isOn() const { return mFile != nullptr; }
    QString folder() const { return mFolder; }

    void enter(const char* name);
    void exit(const char* name);
    void returns(int value);
    void value(const char* name, const char* text);
    void value(const char* name, int number);
    void value(const char* name, const QString& text);
    void value(const char* name, const std::wstring& text);
    void message(const char* text);
    void message(const QString& text);
    void copyToLogFolder(const QString& sourcePath, const QString& targetName);

    // The log of this process, in the desktop's diagnostics folder.
    static TraceLog& global();
    static QString defaultDiagnosticsFolder();

private:
    void writeLine(const char* marker, const char* first, const char* second = nullptr, const char* third = nullptr);
    void writeLine(const char* marker, const char* first, const QByteArray& second, const char* third);
    void writePiece(const char* text, qint64 length);

    QString mFolder;
    QFile* mFile = nullptr;
    QMutex mMutex;
};

// The other programs of the project (the extractor, velmora-convert) link the
// same code but must leave the application's log alone: each states this once
// at namespace scope in its main.cpp.
#define VELMORA_PROGRAM_WITHOUT_TRACE_LOG() extern "C" const bool velmoraProgramWithoutTraceLog = true

// Free functions used by every part of the program. They forward to the
// process log and cost one pointer test when tracing is off.
void traceEnter(const char* name);
void traceExit(const char* name);
void traceReturns(int value);
void traceValue(const char* name, const char* text);
void traceValue(const char* name, int number);
void traceValue(const char* name, const QString& text);
void traceValue(const char* name, const std::wstring& text);
void traceMessage(const char* text);
void traceMessage(const QString& text);
void traceCopyToLogFolder(const QString& sourcePath, const QString& targetName);

// Writes the entry line now and the exit line when the scope ends, so that
// every return of a function is traced without repeating its name.
class TraceScope
{
public:
    explicit TraceScope(const char* name) : mName(name) { traceEnter(mName); }
    ~TraceScope() { traceExit(mName); }
    Q_DISABLE_COPY_MOVE(TraceScope)

private:
    const char* mName;
};

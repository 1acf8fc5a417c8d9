// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/ConverterProcess.h"

#include "app/Constants.h"
#include "app/ExternalProgram.h"
#include "app/TraceLog.h"

#include <QFile>
#include <QProcess>

QString ConverterProcess::program()
{
    return findExternalProgram(Constants::converterRelativePath(), Constants::converterCommand());
}

int ConverterProcess::run(const QStringList& arguments)
{
    TraceScope trace("ConverterProcess::run");
    const QString converter = program();
    traceValue("converter", converter);
    traceValue("arguments", arguments.join(QLatin1Char(' ')));
    if (converter.isEmpty()) {
        traceMessage("Converter not found");
        traceReturns(kErrorConverterMissing);
        return kErrorConverterMissing;
    }

    QProcess process;
    endWithThisProcess(process);
    // The converter's console output is of no use to anyone; reading it is not
    // needed and a full pipe must never stall the conversion.
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(converter, arguments, QIODevice::ReadWrite);
    if (!process.waitForStarted(-1)) {
        traceMessage("Converter failed to start");
        traceReturns(kErrorConverterFailedToStart);
        return kErrorConverterFailedToStart;
    }
    // An empty input makes any question the converter might ask ("overwrite?")
    // answer itself with "no" instead of waiting for ever.
    process.closeWriteChannel();
    process.waitForFinished(-1);

    const int result = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : kErrorConverterCrashed;
    traceReturns(result);
    return result;
}

int ConverterProcess::runToFile(const QStringList& arguments, const QString& output)
{
    TraceScope trace("ConverterProcess::runToFile");
    traceValue("output", output);
    if (QFile::exists(output))
        QFile::remove(output);
    const int result = run(arguments);
    if (result != 0 && QFile::exists(output))
        QFile::remove(output);
    traceReturns(result);
    return result;
}

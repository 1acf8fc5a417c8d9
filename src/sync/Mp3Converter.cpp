// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/Mp3Converter.h"

#include "app/TraceLog.h"
#include "sync/ConverterProcess.h"

QStringList Mp3Converter::arguments(const QString& source, const QString& output, int bitrateKbps)
{
    return {QStringLiteral("-i"),
            source,
            QStringLiteral("-y"),
            QStringLiteral("-ab"),
            QString::number(bitrateKbps) + QLatin1Char('k'),
            QStringLiteral("-map_metadata"),
            QStringLiteral("0"),
            output};
}

int Mp3Converter::convert(const QString& source, const QString& output, int bitrateKbps)
{
    TraceScope trace("Mp3Converter::convert");
    return ConverterProcess::runToFile(arguments(source, output, bitrateKbps), output);
}

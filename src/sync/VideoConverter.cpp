// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/VideoConverter.h"

#include "app/TraceLog.h"
#include "sync/ConverterProcess.h"

QStringList VideoConverter::arguments(const QString& source, const QString& output, int screenPixels)
{
    if (screenPixels > kLargeScreenPixels) {
        return {QStringLiteral("-i"),
                source,
                QStringLiteral("-f"),
                QStringLiteral("mp4"),
                QStringLiteral("-vcodec"),
                QStringLiteral("copy"),
                QStringLiteral("-acodec"),
                QStringLiteral("copy"),
                output};
    }
    return {QStringLiteral("-i"),
            source,
            QStringLiteral("-f"),
            QStringLiteral("mp4"),
            QStringLiteral("-vcodec"),
            QStringLiteral("mpeg4"),
            QStringLiteral("-acodec"),
            QStringLiteral("copy"),
            QStringLiteral("-s"),
            QStringLiteral("480x270"),
            QStringLiteral("-b"),
            QStringLiteral("500k"),
            output};
}

int VideoConverter::convert(const QString& source, const QString& output, int screenPixels)
{
    TraceScope trace("VideoConverter::convert");
    traceValue("screenPixels", screenPixels);
    return ConverterProcess::runToFile(arguments(source, output, screenPixels), output);
}

bool VideoConverter::isQuickTimeVideo(const QString& name)
{
    return name.length() > 3 && name.endsWith(QLatin1String("mov"), Qt::CaseInsensitive);
}

QString VideoConverter::mp4Name(const QString& name)
{
    return name.left(name.length() - 3) + QLatin1String("mp4");
}

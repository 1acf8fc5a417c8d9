// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/ExtractionListing.h"

#include "app/TraceLog.h"

#include <QDir>
#include <QFileInfo>

static void traceFolder(const QString& folder, int depth)
{
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::DirsFirst | QDir::Name);
    for (const QFileInfo& entry : entries) {
        traceMessage(QString(depth, QLatin1Char(' ')) + entry.absoluteFilePath());
        if (entry.isDir() && !entry.isSymLink())
            traceFolder(entry.absoluteFilePath(), depth + 1);
    }
}

void ExtractionListing::trace(const QString& folder)
{
    TraceScope trace("ExtractionListing::trace");
    traceFolder(folder, 0);
}

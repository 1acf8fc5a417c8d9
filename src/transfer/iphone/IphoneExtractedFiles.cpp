// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneExtractedFiles.h"

#include <QDir>
#include <QFileInfo>

QString IphoneExtractedFiles::path(const QString& extractionFolder, const QString& domain, const QString& relativePath)
{
    const QString file = QDir(extractionFolder).filePath(domain + QLatin1Char('/') + relativePath);
    return QFileInfo(file).isFile() ? file : QString();
}

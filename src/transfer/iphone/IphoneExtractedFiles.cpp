// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/iphone/IphoneExtractedFiles.h"

#include <QDir>
#include <QFileInfo>

QString IphoneExtractedFiles::path(const QString& extractionFolder, const QString& domain, const QString& relativePath)
{
    const QString file = QDir(extractionFolder).filePath(domain + QLatin1Char('/') + relativePath);
    return QFileInfo(file).isFile() ? file : QString();
}

namespace {
bool isFileDirectlyIn(const QString& relativePath, const QString& folder, QLatin1String suffix)
{
    return relativePath.size() > folder.size() + 1 + suffix.size() && relativePath.startsWith(folder)
           && relativePath.at(folder.size()) == QLatin1Char('/')
           && relativePath.indexOf(QLatin1Char('/'), folder.size() + 1) < 0
           && relativePath.endsWith(suffix, Qt::CaseInsensitive);
}
} // namespace

bool IphoneExtractedFiles::isVoicemailAudio(const QString& relativePath)
{
    return isFileDirectlyIn(relativePath, kVoicemailFolder, QLatin1String(".amr"));
}

bool IphoneExtractedFiles::isRecording(const QString& relativePath)
{
    return isFileDirectlyIn(relativePath, kRecordingsFolder, QLatin1String(".m4a"));
}

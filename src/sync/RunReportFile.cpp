// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/RunReportFile.h"

#include "app/TraceLog.h"
#include "sync/SyncReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("RunReportFile", text);
}

QString listHtml(const QStringList& lines)
{
    QString html = QStringLiteral("<ul>");
    for (const QString& line : lines)
        html += QStringLiteral("<li>") + line.toHtmlEscaped() + QStringLiteral("</li>");
    return html + QStringLiteral("</ul>");
}

// Sorted by name is sorted by time: the oldest come first.
void removeOldReports(QDir folder)
{
    const QStringList reports = folder.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    for (qsizetype i = 0; i + RunReportFile::kReportsKept < reports.size(); ++i)
        folder.remove(reports.at(i));
}

} // namespace

QString RunReportFile::html(const SyncReport& report, const QString& phoneName, const QDateTime& when)
{
    const QString title =
        tr("Velmora: sync of %1 on %2").arg(phoneName.toHtmlEscaped(), QLocale().toString(when, QLocale::LongFormat));
    QString page = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>") + title
                   + QStringLiteral("</title></head><body>\n<h1>") + title + QStringLiteral("</h1>\n");
    page += QStringLiteral("<h2>") + tr("Copied to the phone") + QStringLiteral("</h2>\n");
    page += report.moved().isEmpty() ? QStringLiteral("<p>") + tr("Nothing.") + QStringLiteral("</p>")
                                     : listHtml(report.moved());
    page += QStringLiteral("\n<h2>") + tr("Left out") + QStringLiteral("</h2>\n");
    page += report.failed().isEmpty() ? QStringLiteral("<p>") + tr("Nothing.") + QStringLiteral("</p>")
                                      : listHtml(report.failed());
    page += QStringLiteral("\n") + report.warningHtml() + QStringLiteral("\n</body></html>\n");
    return page;
}

QString RunReportFile::write(const QString& folder, const SyncReport& report, const QString& phoneName,
                             const QDateTime& when)
{
    TraceScope trace("RunReportFile::write");
    const QDir dir(folder);
    if (!dir.mkpath(QStringLiteral(".")))
        return QString();
    const QString stem = when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    QString path = dir.filePath(stem + QStringLiteral(".html"));
    // Two runs within one second keep both reports.
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(stem + QStringLiteral("-%1.html").arg(n));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(html(report, phoneName, when).toUtf8()) < 0 || !file.commit()) {
        traceValue("Could not write run report", path);
        return QString();
    }
    removeOldReports(dir);
    traceValue("Run report", path);
    return path;
}

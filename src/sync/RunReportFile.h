// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QDateTime>
#include <QString>

class SyncReport;

// A report of each run kept on the computer ("~/KORVA/reports/<date and
// time>.html"), so that what was copied and what was left out, with its
// reason, can still be read after the end box is closed.
namespace RunReportFile {

// The newest reports kept; older ones are removed when a new one is written.
constexpr int kReportsKept = 20;

// The report's page: the phone, the time, what was copied and what was not.
QString html(const SyncReport& report, const QString& phoneName, const QDateTime& when);

// Writes the report into folder and removes the oldest beyond kReportsKept;
// returns the file's path, or empty when it could not be written.
QString write(const QString& folder, const SyncReport& report, const QString& phoneName, const QDateTime& when);

} // namespace RunReportFile

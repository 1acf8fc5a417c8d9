// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

class QString;
class QWidget;

// Tells the user, at the start after a fault ended a sync, that the sync did
// not finish; the saved exception report is in the box's details.
void showExceptionReportNotice(QWidget* parent, const QString& report);

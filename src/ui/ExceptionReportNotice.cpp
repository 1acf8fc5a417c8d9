// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/ExceptionReportNotice.h"

#include "app/Constants.h"
#include "app/TraceLog.h"

#include <QMessageBox>

void showExceptionReportNotice(QWidget* parent, const QString& report)
{
    TraceScope trace("showExceptionReportNotice");
    QMessageBox box(QMessageBox::Warning, Constants::applicationTitle(),
                    QStringLiteral("The last sync was stopped by an internal error and Velmora closed. "
                                   "Nothing was written to the phone after the error. "
                                   "Start a new sync to finish copying."),
                    QMessageBox::Ok, parent);
    box.setDetailedText(report);
    box.exec();
}

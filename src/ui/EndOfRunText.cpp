// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/EndOfRunText.h"

#include "app/Constants.h"
#include "sync/MusicSync.h"
#include "sync/SyncReport.h"
#include "ui/ImportHelp.h"

#include <QCoreApplication>
#include <QUrl>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("EndOfRunText", text);
}

} // namespace

QString EndOfRunText::iMessageNotice()
{
    return tr("<p>Before you put the iPhone's SIM card in the new phone, turn off iMessage and FaceTime on the "
              "iPhone (Settings &gt; Messages and Settings &gt; FaceTime). If you no longer have the iPhone, "
              "deregister your number on <a href=\"https://selfsolve.apple.com/deregister-imessage\">Apple's "
              "page</a>: otherwise texts from other iPhones keep going to the old phone.</p>");
}

QString EndOfRunText::html(const MusicSyncOutcome& outcome)
{
    QString text = SyncReport(outcome).warningHtml();
    const BackupConversionResult& transfer = outcome.dataTransfer;
    // Only what reached the phone: help for a file that is not there would send the user looking for it.
    const int written = transfer.code == 0 && transfer.firstFailure() == 0 ? ImportHelp::kindsWritten(transfer) : 0;
    if (written != 0)
        text += tr("<p>What was copied is also in the phone's <b>%1</b> folder, as files for the phone's own apps. "
                   "On the phone:</p>")
                    .arg(Constants::phoneStandardFilesFolder())
                + ImportHelp::listHtml(written);
    if (transfer.kind == BackupConversionResult::Kind::Iphone && transfer.code == 0)
        text += iMessageNotice();
    if (text.isEmpty())
        return text;
    if (!outcome.reportPath.isEmpty())
        text += tr("<p>A <a href=\"%1\">report of this run</a> is kept on this computer.</p>")
                    .arg(QUrl::fromLocalFile(outcome.reportPath).toString(QUrl::FullyEncoded).toHtmlEscaped());
    return text;
}

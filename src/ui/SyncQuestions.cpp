// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/SyncQuestions.h"

#include "app/ResultCodes.h"
#include "app/TraceLog.h"
#include "sync/MusicSync.h"
#include "ui/DeleteTracksConfirm.h"
#include "ui/SyncWarningDialog.h"
#include "ui/UsbEjectWarning.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SyncUi", text);
}

} // namespace

template <typename Ask> bool SyncQuestions::askPerPhone(SyncController::PhoneQuestion question, Ask ask)
{
    const QString id = mController.connectedDeviceId();
    if (!mController.asks(question, id))
        return false;
    if (ask())
        mController.stopAsking(question, id);
    return true;
}

int SyncQuestions::warningKindForUploadError(int uploadError)
{
    TraceScope trace("SyncUi::warningKindForUploadError");
    traceValue("uploadError", uploadError);
    switch (uploadError) {
    case PhoneResult::NoSpace:
        return SyncWarningDialog::kKindNoSpace;
    case PhoneResult::FolderNotCreated:
        return SyncWarningDialog::kKindFolderNotCreated;
    case PhoneResult::CopyFailed:
    default:
        return SyncWarningDialog::kKindCopyFailed;
    }
}

qint64 SyncQuestions::shortfallInMegabytes(qint64 bytes)
{
    TraceScope trace("SyncUi::shortfallInMegabytes");
    // Rounded up: "free up 0 MB" for a shortfall under a megabyte would be a lie.
    return SpaceNeeds::megabytesRoundedUp(bytes);
}

void SyncQuestions::confirmDeleteTracks()
{
    TraceScope trace("SyncUi::ConfirmDeleteTracks");
    MusicSync* engine = mController.musicSync();
    if (!engine)
        return;
    const bool asked = askPerPhone(SyncController::PhoneQuestion::DeleteTracks, [&] {
        traceMessage("Displaying warning");
        DeleteTracksConfirm dialog(engine->TracksToDelete());
        const int answer = dialog.exec();
        traceValue("answer", answer);
        if (answer == DeleteTracksConfirm::kYes || answer == DeleteTracksConfirm::kYesAlways)
            engine->answerDeleteQuestion(true);
        return answer == DeleteTracksConfirm::kYesAlways;
    });
    if (!asked) {
        traceMessage("Skipping warning");
        engine->answerDeleteQuestion(true);
    }
}

void SyncQuestions::drmTracksFound()
{
    TraceScope trace("SyncUi::displayDrmTracksWarning");
    MusicSync* engine = mController.musicSync();
    if (!engine)
        return;
    askPerPhone(SyncController::PhoneQuestion::DrmTracks, [&] {
        traceMessage("Displaying warning");
        SyncWarningDialog dialog(mWindow, engine->GetDrmTracks(), SyncWarningDialog::kKindDrm);
        dialog.exec();
        return dialog.dontShowAgain();
    });
}

void SyncQuestions::notEnoughSpace(qint64 additionalSpaceRequired)
{
    TraceScope trace("SyncUi::notEnoughSpace");
    traceValue("aAdditionalSpaceRequired", QString::number(additionalSpaceRequired));
    // The engine waits for the answer, so what it asked about holds still.
    const MusicSync* engine = mController.musicSync();
    const QString text = engine && engine->spaceNeeds().shortfall() == additionalSpaceRequired
                             ? engine->spaceNeeds().questionText()
                             : SpaceNeeds::plainQuestionText(additionalSpaceRequired, tr("tracks"));
    QMessageBox box(QMessageBox::Warning, tr("Not Enough Space"), text, QMessageBox::NoButton, mWindow);
    QPushButton* dontSync = box.addButton(tr("Don't Sync"), QMessageBox::RejectRole);
    box.addButton(tr("Sync Anyway"), QMessageBox::AcceptRole);
    box.exec();
    // Escape and the close button count as the reject role's button.
    QAbstractButton* clicked = box.clickedButton();
    if (!clicked || clicked == dontSync) {
        traceMessage("Don't Sync");
        mController.cancel();
    }
}

void SyncQuestions::notCopiedTracks()
{
    TraceScope trace("SyncUi::showNotCopiedWarning");
    MusicSync* engine = mController.musicSync();
    if (!engine || engine->GetNonCopiedTracks().isEmpty())
        return;
    const int kind = warningKindForUploadError(engine->outcome().lastUploadError);
    askPerPhone(SyncController::PhoneQuestion::NotCopiedTracks, [&] {
        SyncWarningDialog dialog(mWindow, engine->GetNonCopiedTracks(), kind);
        dialog.exec();
        return dialog.dontShowAgain();
    });
}

bool SyncQuestions::usbEjectReminder(const QString& endOfRunHtml)
{
    return askPerPhone(SyncController::PhoneQuestion::UsbEject, [&] {
        UsbEjectWarning reminder(mWindow, endOfRunHtml);
        return reminder.exec() == 1;
    });
}

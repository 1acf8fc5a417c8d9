// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include "sync/SyncController.h"

#include <QtGlobal>

class QWidget;

// The questions and warnings around a run that a person can answer or turn
// off per phone: the engine's three questions, asked while its thread waits,
// and the not-copied list and the USB eject reminder after the run.
class SyncQuestions
{
public:
    SyncQuestions(SyncController& controller, QWidget* window) : mController(controller), mWindow(window) {}

    void confirmDeleteTracks();
    void drmTracksFound();
    void notEnoughSpace(qint64 additionalSpaceRequired);
    void notCopiedTracks();
    // Shows endOfRunHtml with the eject reminder unless the user turned it
    // off for this phone; false when nothing was shown.
    bool usbEjectReminder(const QString& endOfRunHtml);

    // Which not-copied warning fits the code of the last failed upload.
    static int warningKindForUploadError(int uploadError);
    // Whole mebibytes of a shortfall, rounded toward zero.
    static qint64 shortfallInMegabytes(qint64 bytes);

private:
    // Shows a question unless the user turned it off for the connected phone;
    // ask() shows it and returns whether the user turned it off now.
    // Returns whether it was shown.
    template <typename Ask> bool askPerPhone(SyncController::PhoneQuestion question, Ask ask);

    SyncController& mController;
    QWidget* mWindow;
};

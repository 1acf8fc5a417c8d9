// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/SyncStatePresenter.h"

#include "sync/SyncState.h"

#include <QCoreApplication>

using namespace SyncState;

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SyncUi", text);
}

SyncStateView idle(const QString& status, const QString& detail)
{
    SyncStateView view;
    view.mode = SyncStateView::Mode::Idle;
    view.status = status;
    view.detail = detail;
    return view;
}

SyncStateView busy(const QString& status, const QString& detail = QString())
{
    SyncStateView view;
    view.mode = SyncStateView::Mode::Busy;
    view.status = status;
    view.detail = detail;
    return view;
}

SyncStateView texts(int state, int previousState, const QString& readyDetail)
{
    switch (state) {
    case StateNoPhone:
        return idle(tr("Connect your phone to the PC"), tr("If your phone is already connected then click Help"));
    case StateReady:
        // The result of a finished run stays on screen until the phone
        // changes. After a closed wizard (states 4 and 5 show nothing of
        // their own) the window must come back, or its buttons stay disabled.
        if (previousState == StateComplete || previousState == StateCompleteWithErrors
            || previousState == StateCancelled || previousState >= kFirstBusyState)
            return {};
        return idle(tr("A phone is connected and is ready to be synchronized"), readyDetail);
    case StateComplete:
    case StateCompleteWithErrors: {
        SyncStateView view =
            idle(tr("Phone synchronization is complete"), state == StateComplete ? QString() : tr("Errors detected"));
        view.endOfRun = true;
        return view;
    }
    case StateNotConfigured:
    case StateSettingsError: {
        SyncStateView view;
        view.mode = SyncStateView::Mode::OpenWizard;
        return view;
    }
    case StateCancelled:
        return idle(tr("Phone synchronization was cancelled"), QString());
    case StateStarting: {
        SyncStateView view = busy(tr("Starting Velmora"), tr("Please Wait"));
        view.clearsSummary = true;
        return view;
    }
    case StatePreparing: {
        // Every run starts here, the first after start-up or not: a run that
        // is then cancelled must not show the summary of the run before it.
        SyncStateView view = busy(tr("Preparing to synchronize"));
        view.clearsSummary = true;
        return view;
    }
    case StatePreparingDelete:
        return busy(tr("Preparing to delete tracks"));
    case StateAlbumArt:
        return busy(tr("Checking for album art"));
    case StateDeleting:
        return busy(tr("Deleting tracks from the phone"));
    case StateCopying: {
        SyncStateView view = busy(tr("Copying tracks to the phone"));
        view.mode = SyncStateView::Mode::Copying;
        return view;
    }
    case StateCancelling:
        return busy(tr("Cancelling"), tr("Please Wait"));
    case StatePlaylists:
        return busy(tr("Updating playlists"));
    case StatePhotos: {
        // The photos are counted: the bar shows how far.
        SyncStateView view = busy(tr("Copying photos to the phone"));
        view.mode = SyncStateView::Mode::Copying;
        return view;
    }
    case StateConvertingVideo:
        return busy(tr("Converting video"));
    default:
        return {};
    }
}

SyncStateView::Panel panel(int state)
{
    switch (state) {
    case StateNoPhone:
    case StateSettingsError:
        return SyncStateView::Panel::IdleGauge;
    case StateReady:
    case StateComplete:
    case StateCompleteWithErrors:
    case StateNotConfigured:
    case StateCancelled:
        return SyncStateView::Panel::PhoneGauge;
    case StateUnused:
        return SyncStateView::Panel::Unchanged;
    default:
        return SyncStateView::Panel::ProgressBar;
    }
}

} // namespace

SyncStateView SyncStatePresenter::present(int state, int previousState, const QString& readyDetail)
{
    SyncStateView view = texts(state, previousState, readyDetail);
    view.panel = panel(state);
    return view;
}

bool SyncStatePresenter::offersSync(int state)
{
    return state == StateReady || state == StateComplete || state == StateCompleteWithErrors || state == StateCancelled;
}

bool SyncStatePresenter::isEndOfRun(int state)
{
    return state == StateComplete || state == StateCompleteWithErrors || state == StateNotConfigured
           || state == StateSettingsError || state == StateCancelled;
}

bool SyncStatePresenter::tellsNotCopiedTracks(int state)
{
    // A run with photos missing ends with errors; its tracks not copied are still told.
    return state == StateComplete || state == StateCompleteWithErrors || state == StateCancelled;
}

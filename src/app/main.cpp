// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/ExceptionReport.h"
#include "app/TerminationSignal.h"
#include "app/TraceLog.h"
#include "devices/mtp/PortableDevicePhoneSource.h"
#include "model/PodcastRamCache.h"
#include "model/library/MusicFolderLibrary.h"
#include "settings/SettingsStore.h"
#include "ui/ExceptionReportNotice.h"
#include "ui/SyncUi.h"

#include <QApplication>
#include <QDialog>

#include <memory>

namespace {

// Ends the program as the user would: open dialogs are cancelled (their
// nested event loops return) and the window is closed, which cancels a
// running sync first and closes once it has stopped.
void closeOnTermination(SyncUi& window)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* widget : windows) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->reject();
    }
    QMetaObject::invokeMethod(&window, &QWidget::close, Qt::QueuedConnection);
}

// The podcast cache makes its libraries through a plain function pointer.
SettingsStore* gProgramSettings = nullptr;

} // namespace

int main(int argc, char* argv[])
{
    traceMessage("KORVA LOG");
    traceEnter("mainInt");
    traceValue("argc", argc);

    // Device threads set up their own per-thread state; the main thread needs none here.
    auto application = std::make_unique<QApplication>(argc, argv);
    // A fault ended the last run: the user hears of it before anything else
    // starts, and the report goes into this run's log.
    if (const QString report = ExceptionReporter::takeSavedReport(ExceptionReporter::savedReportPath());
        !report.isEmpty()) {
        traceMessage(report);
        showExceptionReportNotice(nullptr, report);
    }
    // The real machine: phones over MTP through libmtp, USB drives from /proc
    // and /sys, the user's music folder and podcasts (the window starts the
    // first scan). Tests build their own environment and never touch a USB bus.
    // The settings file is read and written through this one store, which
    // outlives the window and everything it shares the store with.
    SettingsStore settings;
    settings.reload();
    gProgramSettings = &settings;
    SyncUi::Environment environment;
    environment.settings = &settings;
    environment.mtpSource = std::make_unique<PortableDevicePhoneSource>();
    environment.library = MusicFolderLibrary::forCurrentUser(settings);
    // The wizard's podcast list in the background comes from the same index.
    PodcastRamCache::instance().setLibraryFactory(
        []() -> LocalMusicLibrary* { return MusicFolderLibrary::forCurrentUser(*gProgramSettings).release(); });
    auto window = std::make_unique<SyncUi>(std::move(environment));
    TerminationSignal termination;
    QObject::connect(&termination, &TerminationSignal::terminationRequested, window.get(),
                     [&window] { closeOnTermination(*window); });
    window->show();

    const int result = application->exec();

    traceExit("mainInt");
    traceReturns(result);

    window.reset();
    PodcastRamCache::instance().setLibraryFactory(nullptr);
    gProgramSettings = nullptr;
    application.reset();
    return result;
}

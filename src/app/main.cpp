// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/TerminationSignal.h"
#include "app/TraceLog.h"
#include "devices/mtp/PortableDevicePhoneSource.h"
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

} // namespace

int main(int argc, char* argv[])
{
    traceMessage("KORVA LOG");
    traceEnter("mainInt");
    traceValue("argc", argc);

    // Device threads set up their own per-thread state; the main thread needs none here.
    auto application = std::make_unique<QApplication>(argc, argv);
    // The real machine: phones over MTP through libmtp, USB drives from /proc
    // and /sys. Tests build their own environment and never touch a USB bus.
    SyncUi::Environment environment;
    environment.mtpSource = std::make_unique<PortableDevicePhoneSource>();
    auto window = std::make_unique<SyncUi>(std::move(environment));
    TerminationSignal termination;
    QObject::connect(&termination, &TerminationSignal::terminationRequested, window.get(),
                     [&window] { closeOnTermination(*window); });
    window->show();

    const int result = application->exec();

    traceExit("mainInt");
    traceReturns(result);

    window.reset();
    application.reset();
    return result;
}

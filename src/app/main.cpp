// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/TraceLog.h"
#include "ui/SyncUi.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[])
{
    traceMessage("KORVA LOG");
    traceEnter("mainInt");
    traceValue("argc", argc);

    // Device threads set up their own per-thread state; the main thread needs none here.
    auto application = std::make_unique<QApplication>(argc, argv);
    auto window = std::make_unique<SyncUi>();
    window->show();

    const int result = application->exec();

    traceExit("mainInt");
    traceReturns(result);

    window.reset();
    application.reset();
    return result;
}

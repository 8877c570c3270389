#include "TimingsWindows.h"

#include "app/MainWindow.h"
#include "session/Session.h"

void registerTimingsWindows(TfrmTimings::TickCounter ticks)
{
    TfrmMain::registerChildWindow("TfrmTimings", [ticks](TfrmMain *main) {
        // The session outlives the frame's children.
        session::Session &session = main->session();
        return new TfrmTimings([&session]() -> engine::TMSAccess * { return &session.access(); }, ticks);
    });
}

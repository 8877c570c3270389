#include "TimingsWindows.h"

#include "app/MainWindow.h"

#include <QPointer>

void registerTimingsWindows(TfrmTimings::TickCounter ticks)
{
    TfrmMain::registerChildWindow("TfrmTimings", [ticks](TfrmMain *main) {
        // The frame outlives its children, but the window never holds a bare pointer to it.
        QPointer<TfrmMain> frame(main);
        return new TfrmTimings([frame]() -> engine::TMSAccess * { return frame ? frame->Access.get() : nullptr; },
                               ticks);
    });
}

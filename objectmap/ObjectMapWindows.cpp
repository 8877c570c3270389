#include "ObjectMapWindows.h"

#include "ObjectMap.h"
#include "app/MainWindow.h"
#include "query/QueryWindow.h"

#include <QPointer>

void registerObjectMapWindows()
{
    TfrmMain::registerChildWindow("TfrmObjectMap", [](TfrmMain *main) {
        // The frame outlives its children, but the window never holds a bare pointer to it.
        QPointer<TfrmMain> frame(main);
        auto *map = new TfrmObjectMap(main->session(), [frame] {
            return frame ? TfrmObjectMap::ShowOptions{frame->stored("System"), frame->stored("Cont")}
                         : TfrmObjectMap::ShowOptions{};
        });
        // An existing query window is used where it stands, not brought to the front.
        map->setQueryOpener([frame](const QString &name) {
            if (!frame)
                return;
            QWidget *window = frame->FindChildWindow("TfrmQuery");
            if (!window)
                window = frame->ShowChildWindow("TfrmQuery", false);
            if (auto *query = qobject_cast<TfrmQuery *>(window))
                query->SelectAsQuery(name);
        });
        return map;
    });
}

#include "ui/ui_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE may not be used inside a namespace.
static void registerTorvenResources()
{
    Q_INIT_RESOURCE(torven);
}

void LoadUiResources()
{
    static const bool loaded = (registerTorvenResources(), true);
    (void)loaded;
}

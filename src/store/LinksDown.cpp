#include "store/ItemStore.h"

#include "app/Dialogs.h"
#include "store/Database.h"
#include "store/ItemRows.h"

bool QuietLinking = true;

void LinkMessage(const QString& text) {
    if (!QuietLinking)
        ShowInfo(text);
}

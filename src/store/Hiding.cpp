#include "store/ItemStore.h"

#include "app/Dialogs.h"
#include "app/NamedStack.h"
#include "store/Database.h"
#include "store/ItemRows.h"

#include <QSqlQuery>
#include <QVariant>

#include <vector>

ItemId CurrentHider = 0;

void ShowHidden(ItemId hider) {
    FlashMessage(QStringLiteral("Showing #") + QString::number(hider) +
                 QStringLiteral(" and linked items"));
    CurrentHider = hider;
}

void StopShowingHidden() {
    if (CurrentHider == 0)
        return;
    FlashMessage(QStringLiteral("Hiding #") + QString::number(CurrentHider) +
                 QStringLiteral(" and linked items"));
    CurrentHider = 0;
}

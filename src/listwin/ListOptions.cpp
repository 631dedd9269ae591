#include "listwin/ListOptions.h"

#include "common/Dialogs.h"
#include "common/Settings.h"

QString FlashIntervalCaption() {
    return QStringLiteral("Flash interval = ") + QString::number(AppSettings().FlashInterval) +
           QStringLiteral("ms");
}

QString ArchiveIdCaption() {
    return QStringLiteral("Archive id = ") + QString::number(AppSettings().ArchiveId.Value());
}

void AskFlashInterval() {
    if (PromptInteger(QStringLiteral("Enter flash interval (milli-seconds)"),
                      AppSettings().FlashInterval))
        FlashMessage(QStringLiteral("Flash interval updated OK"));
}

void AskArchiveId() {
    int number = AppSettings().ArchiveId.Value();
    if (PromptInteger(QStringLiteral("Archive id"), number))
        AppSettings().ArchiveId = ItemId(number);
}

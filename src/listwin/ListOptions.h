#pragma once

#include <QString>

// The list window's Options: the captions that show the value in force, and the prompts that
// change the settings.

QString FlashIntervalCaption();
QString ArchiveIdCaption();
// Any integer is taken; a flash confirms it.
void AskFlashInterval();
// The archive item deleting offers; 0 turns archiving off. The store reads the same holder.
void AskArchiveId();

#pragma once

#include "common/ItemId.h"

#include <QDateTime>
#include <QString>

// The item store: every change to items and links goes through these operations. They report
// through their results and the dialog seam; engine errors travel as DbError to the command
// that called them. Each operation commits its writes together, after its questions.

// Results of LinkItems.
enum LinkResult : int {
    LinkOk = 0, // linked, or stopped by a declined replace/loop question
    FromNotFound = 1,
    ToNotFound = 2,
    SelfLinkDeclined = 3,
    AlreadyLinked = 4, // down: already the parent; across: declined to link again
    LinkRefused = 5,   // across: the engine refused a row; nothing of the link is stored
};

// Both are held with the rest of the store's state (store/StoreState.h).

// One row of the items table.
struct ItemRecord {
    ItemId Id;
    QString Name;
    QString Text;
    bool TextIsNull = true;
    int Numchildren = 0;
    QDateTime SrchTs;
    QString Tel;
    ItemId Parent;
    QDateTime CreatedTS;
    ItemId Rank; // the hider whose branch hides the item; 0 when none hides it
    int numcousins = 0;
};

// Reads an item by id; false when there is none (ids 0 and below never exist).
bool LocateItem(ItemId id, ItemRecord& item);

// The store's start-up: runs the conversion steps 704 to 1100 that DBVN calls for, then looks
// up the item "Diary" when DIARYID is 0. False when a step's backup question was declined: the
// program must end. A refused step throws ConversionError and the rest is not done.
bool CoreStartup();

// Creation and lookup.
QString ItemName(ItemId id);
QString AncestryText(ItemId id, bool includeSelf);
void ItemNotFound(ItemId id);
ItemId FindOrCreateYearItem(int year);
void ResetYearCache();
// Drops the cached year item when it is id: DeleteItem calls it so that the diary never files
// under an item that is gone.
void ForgetYearItem(ItemId id);
// Inserts a new item with Parent 0, Rank 0 and CreatedTS now; Name and Tel cut to width at a
// whole character, an empty Tel stored as null, an empty text as null.
ItemId CreateItem(const QString& name, const QString& tel, const QString& text = QString());
// The same with CreatedTS created: the item windows stamp an item with the time the user
// began it.
ItemId CreateItem(const QString& name, const QString& tel, const QString& text,
                  const QDateTime& created);

// Writes a recounted number of links down (down true) or across into the item, as the list and
// the health check find it from the rows; nothing when there is no such item.
void StoreLinkCount(ItemId id, bool down, int count);

// Links down and across.
int LinkItems(ItemId from, ItemId to, int mode);
int CheckAncestry(ItemId from, ItemId to);
// Makes item top-level. It acts on the parent the item has as stored, whatever parent the
// caller's (possibly older) list showed: that one is only what the user saw.
void DelinkDown(ItemId item, ItemId shownParent);
void LinkMessage(const QString& text);

// LinkItems(a, b, 2): the two rows of one link across are stored together or not at all.
// Both items must exist (the messages and results of a link down otherwise); the link gets
// the first Drop from FindRepeatLink's on that is free in both directions; only a key clash
// is answered as LinkRefused, every other engine error is thrown.
int LinkAcross(ItemId a, ItemId b);
// Rewrites the note of both rows of one link across together.
void SetLinkAcrossNote(ItemId a, ItemId b, int drop, const QString& note);
int FindRepeatLink(ItemId a, ItemId b, QString& note);
int AddLinkAcrossRow(ItemId id1, ItemId id2, int drop, const QString& note);
bool DeleteLinkAcrossRow(ItemId id1, ItemId id2, int drop);
bool DelinkAcross(ItemId a, ItemId b, int drop);
void SetLinkNote(ItemId id1, ItemId id2, int drop, const QString& note);
bool PromptLinkNote(QString& note);

// Deleting, archiving and hiding.
bool DeleteItem(ItemId id);
void SetHiderBelow(ItemId item, ItemId hider);
void ShowHidden(ItemId hider);
void StopShowingHidden();

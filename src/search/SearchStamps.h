#pragma once

#include "store/ItemStore.h"

#include <QDateTime>

#include <vector>

class WorkProgress;

// A search marks each item it found with its own time stamp (srchts), so that its list can be
// made again from the stamps (Refresh, Back). Marking many items takes longer than finding
// them: the marks are written in the background once the list is on screen, on a connection of
// their own, in short transactions that give way to the user's writes at once. They are
// finished before anything reads them: another search, a list of search results made from the
// stamps, and the closing of the database.

// Writes stamp into every item of ids (in key order) in the background, after the marks of an
// earlier search still being written. An item that holds the stamp already is not written.
// Throws the store's refusal (DbError) when the file takes no writes, before anything starts.
// With held, the writing waits until ReleaseSearchStamps (or anything that waits for the marks),
// so that the search's list is made without the marks' writer taking a core from it.
void StartSearchStamps(std::vector<ItemId> ids, const QDateTime& stamp, bool held = false);
void ReleaseSearchStamps() noexcept;
// Whether marks are still being written.
bool SearchStampsPending();
// Waits until every mark is written, telling progress (which cannot stop it: marks half
// written would leave a search list that lacks items). Throws DbError with the engine's text
// when writing failed; the marks written stay.
void FinishSearchStamps(WorkProgress* progress = nullptr);
// Writes each id's stamp now, on PhoneDB, in one transaction per progress report (all in one
// without progress); stopped by the user, the stamps written are put back to prior (one per id,
// a null text for none) and false is returned. Throws DbError.
bool WriteSearchStamps(const std::vector<ItemId>& ids, const QDateTime& stamp,
                       WorkProgress* progress = nullptr,
                       const std::vector<QString>* prior = nullptr);

#pragma once

#include "store/ItemStore.h"

#include <QString>

#include <array>

// What a window's save does with the item's Name, Ref and Text when another window saved some
// of them after this one read them. A field the window changed is written; a field it left
// alone takes the stored value; a field both changed, to different values, is a conflict, and
// neither version silently replaces the other: the rule of the save decides, and the version
// not kept goes to a rescue file in the data folder.

enum class ItemField { Name, Ref, Text };
constexpr int ItemFieldCount = 3;

// One field as the saving window sees it, each version in the form the window shows it (the
// text window's page, the details window's LF line breaks), so that only differences the user
// can see count.
struct FieldVersions {
    QString Read;   // as the window last read it from the store, or wrote it
    QString Held;   // as the window holds it now
    QString Stored; // as it is stored now
};
using ItemVersions = std::array<FieldVersions, ItemFieldCount>;

enum class ConflictRule {
    // The user's own save: which version to keep is asked; Cancel saves nothing at all.
    Ask,
    // A save nobody asked for just now (the automatic save): the field is not written and stays
    // changed in the window, so that the user's own save asks about it.
    LeaveUnsaved,
    // The end of the program, when nothing may be asked: the stored version stays, and the
    // window's goes to a rescue file whose name is shown.
    KeepStored,
    // A shutdown that cannot wait: as KeepStored, the file's name going to standard error only.
    KeepStoredQuietly,
};

enum class FieldAction {
    TakeStored, // the window takes the stored version: unchanged here, or chosen by the user
    Write,      // the window's version is written
    Leave,      // not written: the window keeps its version, still changed
};

struct FieldPlan {
    bool Cancelled = false; // the user cancelled: nothing is to be written
    std::array<FieldAction, ItemFieldCount> Actions{};
    FieldAction operator[](ItemField field) const { return Actions[int(field)]; }
    bool Any(FieldAction action) const;
};

// True while a save asks which version to keep. The automatic save waits meanwhile: a write
// under the question would be written over, unseen, by the answer.
bool AskingAboutConflict();

// Decides each field's action for a save of item id, named itemName (as stored) in what is
// asked and shown. Conflicts follow rule, all of them together: one question names the fields.
// When the rescue file cannot be written, an asked save is cancelled with a message; at the end
// of the program the window's version is written instead, as the user's latest typing.
FieldPlan PlanFieldSave(ItemId id, const QString& itemName, const ItemVersions& fields,
                        ConflictRule rule);

#include "itemwin/FieldConflicts.h"

#include "common/Dialogs.h"
#include "itemwin/ItemPage.h"
#include "itemwin/RescueFile.h"

#include <QDir>
#include <QList>
#include <QScopedValueRollback>

namespace {
bool asking = false;

const char* const FieldNames[ItemFieldCount] = {"Name", "Ref", "Text"};

bool Conflicts(const FieldVersions& v) {
    return v.Held != v.Read && v.Stored != v.Read && v.Stored != v.Held;
}

// "Text", "Name and Text", "Name, Ref and Text".
QString FieldList(const QList<ItemField>& fields) {
    QStringList names;
    for (ItemField f : fields)
        names << QLatin1String(FieldNames[int(f)]);
    const QString last = names.takeLast();
    return names.isEmpty() ? last
                           : names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

QString ItemText(ItemId id, const QString& name) {
    if (name.isEmpty())
        return QStringLiteral("item #%1").arg(id.Value());
    return QStringLiteral("item \"%1\"").arg(name);
}

// The version of each field not kept, labelled, the Text one line per line.
QStringList RescueLines(const ItemVersions& fields, const QList<ItemField>& conflicts,
                        bool keptHeld) {
    QStringList lines;
    for (ItemField f : conflicts) {
        const FieldVersions& v = fields[int(f)];
        const QString& lost = keptHeld ? v.Stored : v.Held;
        const QString label = QLatin1String(FieldNames[int(f)]) + QLatin1Char(':');
        if (f == ItemField::Text)
            lines << label << StoredTextLines(lost);
        else
            lines << label + QLatin1Char(' ') + lost;
    }
    return lines;
}
} // namespace

bool AskingAboutConflict() {
    return asking;
}

bool FieldPlan::Any(FieldAction action) const {
    for (FieldAction a : Actions)
        if (a == action)
            return true;
    return false;
}

FieldPlan PlanFieldSave(ItemId id, const QString& itemName, const ItemVersions& fields,
                        ConflictRule rule) {
    FieldPlan plan;
    QList<ItemField> conflicts;
    for (int i = 0; i < ItemFieldCount; ++i) {
        const FieldVersions& v = fields[i];
        if (Conflicts(v))
            conflicts << ItemField(i);
        else if (v.Held != v.Read && v.Held != v.Stored)
            plan.Actions[i] = FieldAction::Write;
        else
            plan.Actions[i] = FieldAction::TakeStored;
    }
    if (conflicts.isEmpty())
        return plan;
    auto settle = [&plan, &conflicts](FieldAction action) {
        for (ItemField f : conflicts)
            plan.Actions[int(f)] = action;
    };
    if (rule == ConflictRule::LeaveUnsaved) {
        settle(FieldAction::Leave);
        return plan;
    }

    const QString names = FieldList(conflicts);
    const QString item = ItemText(id, itemName);
    const bool one = conflicts.size() == 1;
    bool keepHeld = false;
    if (rule == ConflictRule::Ask) {
        const QScopedValueRollback<bool> question(asking, true);
        const int choice = ChooseOption(
            QStringLiteral("The %1 of %2 %3 saved in another window after this window read %4.\n"
                           "Which %1 do you want to keep?")
                .arg(names, item, one ? QStringLiteral("was") : QStringLiteral("were"),
                     one ? QStringLiteral("it") : QStringLiteral("them")),
            QStringLiteral("This window's ") + names, QStringLiteral("The saved ") + names);
        if (choice == 0) {
            plan.Cancelled = true;
            return plan;
        }
        keepHeld = choice == 1;
    }

    const QString path = WriteRescueFile(id, RescueLines(fields, conflicts, keepHeld));
    if (path.isEmpty()) {
        if (rule == ConflictRule::Ask) {
            ShowInfo(QStringLiteral("The %1 not kept could not be written to a file in the data "
                                    "folder, so nothing was saved.")
                         .arg(names));
            plan.Cancelled = true;
            return plan;
        }
        settle(FieldAction::Write);
        return plan;
    }
    settle(keepHeld ? FieldAction::Write : FieldAction::TakeStored);
    const QString file = QDir::toNativeSeparators(path);
    if (rule == ConflictRule::Ask && keepHeld)
        ShowInfo(QStringLiteral("The saved %1 that was replaced is kept in the file\n%2")
                     .arg(names, file));
    else if (rule == ConflictRule::Ask)
        ShowInfo(QStringLiteral("This window's %1 was not saved. It is kept in the file\n%2")
                     .arg(names, file));
    else if (rule == ConflictRule::KeepStored)
        ShowInfo(QStringLiteral("The %1 of %2 %3 saved in another window meanwhile, so this "
                                "window's %1 was not saved. It is kept in the file\n%4")
                     .arg(names, item, one ? QStringLiteral("was") : QStringLiteral("were"), file));
    return plan;
}

#include "itemwin/TextToList.h"

#include "common/Dialogs.h"
#include "common/TextHelpers.h"
#include "store/StoreState.h"

namespace {
// The longest reference taken from after a TAB before the table cuts it to its width.
constexpr int TabRefLimit = 255;
} // namespace

ListEntry TextToListEntry(const QString& line, int index, bool numbering, TabSplit split) {
    ListEntry entry;
    const int tab = int(line.indexOf(QLatin1Char('\t')));
    if (tab >= 0 && (split == TabSplitNameFirst || split == TabSplitRefFirst)) {
        entry.Name = line.left(tab);
        entry.Ref = line.mid(tab + 1, TabRefLimit);
        TrimLeadingBlanks(entry.Ref);
        if (split == TabSplitRefFirst)
            SwapTexts(entry.Name, entry.Ref);
        return entry;
    }
    entry.Name = line;
    if (numbering)
        entry.Ref = PadNumber(index, 3);
    return entry;
}

bool TextToList(ItemId parent, const QStringList& lines) {
    if (lines.isEmpty()) {
        ShowInfo(QStringLiteral("No text to convert"));
        return false;
    }
    if (!Confirm(QStringLiteral("Copy item text to list of items - OK?")))
        return false;
    const int order = ChooseOption(QStringLiteral("List sequence is alphabetic by default, or use "
                                                  "line numbers to preserve text sequence"),
                                   QStringLiteral("Alphabetic"), QStringLiteral("Line numbers"));
    if (order == 0)
        return false;
    const bool numbering = order == 2;
    TabSplit split = TabSplitUndecided;

    // No busy cursor here: the TAB question and the link operation's own questions and
    // messages can come at any line, and they want the ordinary pointer.
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (split == TabSplitUndecided && line.contains(QLatin1Char('\t')))
            split =
                TabSplit(ChooseOption(QStringLiteral("TAB separates iname & iref, with ..."),
                                      QStringLiteral("iname first"), QStringLiteral("iref first")));
        const ListEntry entry = TextToListEntry(line, i, numbering, split);
        if (entry.IsEmpty())
            continue;
        const ItemId id = CreateItem(entry.Name, entry.Ref);
        // Each link shows its own messages, whatever the last list build left.
        TheStoreState.QuietLinking = false;
        LinkItems(parent, id, 1);
    }
    return true;
}

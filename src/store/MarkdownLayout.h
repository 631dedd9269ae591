#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Where each item goes in a folder of Markdown files: the folders follow the links down, the
// top-level items at the top; an item with items below it is a folder holding its own file,
// index.md, beside theirs; any other item is a file NAME.md. Names are made safe for every
// common file system and unique within their folder (SafeFileNames), the item with the lower
// id keeping the plain name.
//
// The items come as a file holds them, also a damaged one: an item whose parent is missing, and
// the items of a loop of parents (which no walk up from them would leave), are put at the top
// and say why. A self-linked item (its own parent: a hider) is at the top too.
class MarkdownLayout {
public:
    struct Item {
        qint64 Id = 0;
        qint64 Parent = 0;
        bool NullParent = false;
        qint64 Rank = 0;
        QString Name;
    };
    // Why an item is where it is.
    enum class Placed { Below, Top, SelfLinked, ParentMissing, ParentLoop };

    // items in id order; archiveId names the archive item (0: none).
    MarkdownLayout(std::vector<Item> items, qint64 archiveId);

    int Count() const { return int(items.size()); }
    const Item& ItemAt(int i) const { return items[size_t(i)]; }
    // The item's index, or -1 when there is no such item.
    int IndexOf(qint64 id) const;
    Placed PlacedAs(int i) const { return nodes[size_t(i)].How; }
    bool IsFolder(int i) const { return !nodes[size_t(i)].Children.empty(); }
    // The archive item and every item below it.
    bool Archived(int i) const { return nodes[size_t(i)].Archived; }
    // Hidden by a hider (its Rank), or a hider itself.
    bool Hidden(int i) const;

    // The folders to make, each after its parent: k from 0 to FolderCount() - 1, as paths
    // relative to the export's folder. Made when asked for, so that a deep tree costs no memory
    // beyond its names.
    int FolderCount() const { return int(folders.size()); }
    QString FolderPath(int k) const;
    // The item's file relative to the export's folder: "A/B/index.md", "A/C.md".
    QString FilePath(int i) const;
    // The path from the folder of item from's file to item to's file: "../C.md", "index.md".
    QString RelativeLink(int from, int to) const;

private:
    struct Node {
        int Parent = -1; // the item it is placed below, -1 at the top
        Placed How = Placed::Top;
        bool Archived = false;
        QString Entry; // its name in its folder: NAME.md, or the folder's name
        std::vector<int> Children;
    };
    void place();
    void name();
    void markArchive(qint64 archiveId);
    // The folders from the top down to the one item i's file is in (its own, for a folder).
    std::vector<int> folderChain(int i) const;

    std::vector<Item> items;
    std::vector<Node> nodes;
    std::vector<std::pair<qint64, int>> byId; // sorted by id
    std::vector<int> folders;                 // the items that are folders, each after its parent
};

#include "store/MarkdownLayout.h"

#include "common/SafeFileNames.h"

#include <algorithm>

namespace {
const QString IndexFile = QStringLiteral("index.md");
const QString FileSuffix = QStringLiteral(".md");
} // namespace

MarkdownLayout::MarkdownLayout(std::vector<Item> given, qint64 archiveId)
    : items(std::move(given)), nodes(items.size()) {
    byId.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        byId.emplace_back(items[i].Id, int(i));
    std::sort(byId.begin(), byId.end());
    place();
    markArchive(archiveId);
    name();
}

int MarkdownLayout::IndexOf(qint64 id) const {
    const auto at = std::lower_bound(byId.begin(), byId.end(), std::pair<qint64, int>(id, -1));
    return at != byId.end() && at->first == id ? at->second : -1;
}

bool MarkdownLayout::Hidden(int i) const {
    const Item& item = ItemAt(i);
    return item.Rank != 0 || (!item.NullParent && item.Parent == item.Id);
}

// Each item below its parent, unless the walk up from it ends anywhere but at the top: a walk
// that meets an item of its own path has gone round a loop, whose items all go to the top. Every
// item is walked once, so that a long chain or a loop costs no more than its length.
void MarkdownLayout::place() {
    enum State : char { Unknown, OnPath, Known };
    std::vector<State> state(items.size(), Unknown);
    std::vector<int> path;
    std::vector<int> parentOf(items.size(), -1);
    for (size_t start = 0; start < items.size(); ++start) {
        path.clear();
        int at = int(start);
        while (at >= 0 && state[size_t(at)] == Unknown) {
            state[size_t(at)] = OnPath;
            path.push_back(at);
            const Item& item = items[size_t(at)];
            Node& node = nodes[size_t(at)];
            int next = -1;
            if (item.NullParent)
                node.How = Placed::ParentMissing;
            else if (item.Parent == 0)
                node.How = Placed::Top;
            else if (item.Parent == item.Id)
                node.How = Placed::SelfLinked;
            else if ((next = IndexOf(item.Parent)) < 0)
                node.How = Placed::ParentMissing;
            else
                node.How = Placed::Below;
            parentOf[size_t(at)] = next;
            at = next;
        }
        if (at >= 0 && state[size_t(at)] == OnPath) {
            // The walk came back to an item of its own path: from there on, a loop.
            for (auto it = std::find(path.begin(), path.end(), at); it != path.end(); ++it) {
                nodes[size_t(*it)].How = Placed::ParentLoop;
                parentOf[size_t(*it)] = -1;
            }
        }
        for (int i : path)
            state[size_t(i)] = Known;
    }
    for (size_t i = 0; i < items.size(); ++i) {
        nodes[i].Parent = parentOf[i];
        if (parentOf[i] >= 0)
            nodes[size_t(parentOf[i])].Children.push_back(int(i));
    }
}

void MarkdownLayout::markArchive(qint64 archiveId) {
    const int archive = archiveId > 0 ? IndexOf(archiveId) : -1;
    if (archive < 0)
        return;
    std::vector<int> open{archive};
    while (!open.empty()) {
        const int i = open.back();
        open.pop_back();
        nodes[size_t(i)].Archived = true;
        for (int child : nodes[size_t(i)].Children)
            open.push_back(child);
    }
}

// The top's entries, then each folder's, folder after folder from the top down, each folder's
// entries in id order.
void MarkdownLayout::name() {
    const auto entry = [this](SafeFileNames& folder, int i) {
        Node& node = nodes[size_t(i)];
        node.Entry =
            folder.Claim(items[size_t(i)].Name, node.Children.empty() ? FileSuffix : QString(),
                         items[size_t(i)].Id);
    };
    std::vector<int> queue;
    SafeFileNames top;
    for (size_t i = 0; i < items.size(); ++i) {
        if (nodes[i].Parent < 0) {
            entry(top, int(i));
            if (!nodes[i].Children.empty())
                queue.push_back(int(i));
        }
    }
    for (size_t next = 0; next < queue.size(); ++next) {
        const int folder = queue[next];
        folders.push_back(folder);
        SafeFileNames names;
        names.Reserve(IndexFile);
        for (int child : nodes[size_t(folder)].Children) {
            entry(names, child);
            if (!nodes[size_t(child)].Children.empty())
                queue.push_back(child);
        }
    }
}

std::vector<int> MarkdownLayout::folderChain(int i) const {
    std::vector<int> chain;
    for (int at = IsFolder(i) ? i : nodes[size_t(i)].Parent; at >= 0; at = nodes[size_t(at)].Parent)
        chain.push_back(at);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

QString MarkdownLayout::FolderPath(int k) const {
    return FilePath(folders[size_t(k)]).chopped(IndexFile.size() + 1);
}

QString MarkdownLayout::FilePath(int i) const {
    QString path;
    for (int folder : folderChain(i))
        path += nodes[size_t(folder)].Entry + QLatin1Char('/');
    return path + (IsFolder(i) ? IndexFile : nodes[size_t(i)].Entry);
}

QString MarkdownLayout::RelativeLink(int from, int to) const {
    const std::vector<int> here = folderChain(from);
    const std::vector<int> there = folderChain(to);
    size_t shared = 0;
    while (shared < here.size() && shared < there.size() && here[shared] == there[shared])
        ++shared;
    QString link;
    for (size_t up = shared; up < here.size(); ++up)
        link += QStringLiteral("../");
    for (size_t down = shared; down < there.size(); ++down)
        link += nodes[size_t(there[down])].Entry + QLatin1Char('/');
    return link + (IsFolder(to) ? IndexFile : nodes[size_t(to)].Entry);
}

#include "support/GenerateItems.h"

#include "store/Database.h"
#include "store/StoreState.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <random>
#include <set>

namespace {
const char* const FirstNames[] = {"Anna",  "Ben",    "Clara", "David", "Eleanor", "Frank",
                                  "Grace", "Hassan", "Ines",  "James", "Keiko",   "Liam",
                                  "Maria", "Noor",   "Oskar", "Priya", "Rosa",    "Tomasz"};
const char* const Surnames[] = {"Smith",  "Okafor", "Nguyen", "Schmidt", "Rossi",  "Kowalski",
                                "Garcia", "Brown",  "Tanaka", "Dubois",  "O'Neil", "Lindqvist"};
const char* const Topics[] = {"Meeting notes", "Invoice", "Recipe",   "Garden",   "Car service",
                              "Holiday",       "Books",   "Tax year", "Projects", "Insurance",
                              "Doctor",        "Bank",    "School",   "Plumber",  "Birthday"};
const char* const Words[] = {
    "the",   "and",     "call",   "back",      "about", "order",    "delivery", "next",
    "week",  "price",   "agreed", "including", "tax",   "address",  "changed",  "remember",
    "bring", "papers",  "for",    "renewal",   "room",  "booked",   "until",    "friday",
    "ask",   "whether", "the",    "warranty",  "still", "covers",   "repair",   "notes",
    "from",  "phone",   "call",   "with",      "quote", "received", "deposit",  "paid"};

template <typename T, size_t N> const T& Pick(const T (&list)[N], std::mt19937& random) {
    return list[std::uniform_int_distribution<size_t>(0, N - 1)(random)];
}

int Between(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

QString MakeName(std::mt19937& random, int serial) {
    switch (Between(random, 0, 3)) {
    case 0:
        return QStringLiteral("%1, %2").arg(QLatin1String(Pick(Surnames, random)),
                                            QLatin1String(Pick(FirstNames, random)));
    case 1:
        return QStringLiteral("%1 %2").arg(QLatin1String(Pick(Topics, random))).arg(serial);
    case 2:
        return QStringLiteral("%1 - %2 %3")
            .arg(QLatin1String(Pick(Topics, random)), QLatin1String(Pick(FirstNames, random)),
                 QLatin1String(Pick(Surnames, random)));
    default:
        return QStringLiteral("%1 %2 #%3")
            .arg(QLatin1String(Pick(Words, random)), QLatin1String(Pick(Words, random)))
            .arg(serial);
    }
}

QString MakeTel(std::mt19937& random) {
    switch (Between(random, 0, 2)) {
    case 0:
        return QStringLiteral("%1-%2-%3")
            .arg(Between(random, 1995, 2025))
            .arg(Between(random, 1, 12), 2, 10, QLatin1Char('0'))
            .arg(Between(random, 1, 28), 2, 10, QLatin1Char('0'));
    case 1:
        return QStringLiteral("0%1 %2")
            .arg(Between(random, 1000, 9999))
            .arg(Between(random, 100000, 999999));
    default:
        return QString();
    }
}

QString MakeText(std::mt19937& random, const ItemsShape& shape) {
    if (Between(random, 0, 2) == 0)
        return QString();
    const int length = Between(random, shape.MinTextChars, shape.MaxTextChars);
    QString text;
    text.reserve(length + 16);
    int sinceBreak = 0;
    while (text.size() < length) {
        text += QLatin1String(Pick(Words, random));
        if (++sinceBreak > 12 && Between(random, 0, 4) == 0) {
            text += QLatin1Char('\n');
            sinceBreak = 0;
        } else {
            text += QLatin1Char(' ');
        }
    }
    return text.left(length);
}

struct Node {
    ItemId Id;
    int Depth;
};

class Generator {
public:
    explicit Generator(const ItemsShape& shape) : shape(shape), random(shape.Seed) {}

    ItemId NewItem(ItemId parent) {
        const ItemId id =
            CreateItem(MakeName(random, ++serial), MakeTel(random), MakeText(random, shape));
        if (!parent.IsNone())
            LinkItems(parent, id, 1);
        return id;
    }

    // A branch of count items below a new top-level item; each new item goes under a random
    // item of the branch that is not yet at the deepest level.
    std::vector<Node> Branch(int count) {
        std::vector<Node> nodes{{NewItem(ItemId()), 0}};
        std::vector<size_t> open{0};
        while (static_cast<int>(nodes.size()) < count) {
            const Node parent = nodes[open[Between(random, 0, int(open.size()) - 1)]];
            nodes.push_back({NewItem(parent.Id), parent.Depth + 1});
            if (parent.Depth + 1 < shape.MaxDepth)
                open.push_back(nodes.size() - 1);
        }
        return nodes;
    }

    // One chain from a top-level item down to the deepest level.
    std::vector<Node> Chain() {
        std::vector<Node> nodes{{NewItem(ItemId()), 0}};
        for (int depth = 1; depth <= shape.MaxDepth; ++depth)
            nodes.push_back({NewItem(nodes.back().Id), depth});
        return nodes;
    }

    const ItemsShape& shape;
    std::mt19937 random;
    int serial = 0;
};
} // namespace

GeneratedItems GenerateItems(const ItemsShape& shape) {
    GeneratedItems made;
    Generator g(shape);
    const bool quiet = TheStoreState.QuietLinking;
    TheStoreState.QuietLinking = true;
    Transaction t;

    if (shape.BigBranchItems > 0) {
        std::vector<Node> branch = g.Branch(shape.BigBranchItems);
        made.BigBranchRoot = branch.front().Id;
        made.BigBranchFirst = branch.front().Id;
        made.BigBranchLast = branch.back().Id;
    }
    const int bigBranchCount = std::max(shape.BigBranchItems, 0);
    std::vector<Node> rest;
    for (const Node& n : g.Chain())
        rest.push_back(n);
    if (shape.BigParentChildren > 0) {
        made.BigParent = g.NewItem(ItemId());
        rest.push_back({made.BigParent, 0});
        for (int i = 0; i < shape.BigParentChildren; ++i)
            rest.push_back({g.NewItem(made.BigParent), 1});
    }
    // The remaining items spread over top-level trees of random sizes.
    const int remaining = shape.ItemCount - bigBranchCount - static_cast<int>(rest.size());
    const int trees = std::max(1, shape.TopLevelCount - 2);
    for (int i = 0; i < trees && remaining > 0; ++i) {
        const int share = remaining / trees + (i < remaining % trees ? 1 : 0);
        if (share <= 0)
            continue;
        for (const Node& n : g.Branch(share))
            rest.push_back(n);
    }

    std::set<ItemId> withChildren;
    std::vector<ItemId> ids;
    ids.reserve(rest.size());
    for (const Node& n : rest) {
        ids.push_back(n.Id);
        if (n.Depth == shape.MaxDepth)
            made.DeepestItems.push_back(n.Id);
    }
    {
        ItemRecord item;
        for (ItemId id : ids)
            if (LocateItem(id, item) && !item.Parent.IsNone())
                withChildren.insert(item.Parent);
    }
    for (ItemId id : ids)
        (withChildren.count(id) ? made.Parents : made.Leaves).push_back(id);

    // Links across between distinct random pairs of items outside the big branch.
    std::set<std::pair<ItemId, ItemId>> pairs;
    while (static_cast<int>(pairs.size()) < shape.LinksAcross && ids.size() > 1) {
        ItemId a = ids[Between(g.random, 0, int(ids.size()) - 1)];
        ItemId b = ids[Between(g.random, 0, int(ids.size()) - 1)];
        if (a == b)
            continue;
        if (a > b)
            std::swap(a, b);
        if (!pairs.insert({a, b}).second)
            continue;
        LinkItems(a, b, 2);
        made.Linked.push_back({a, b});
    }
    t.Commit();
    TheStoreState.QuietLinking = quiet;
    return made;
}

ItemsShape ShapeFor(int n) {
    ItemsShape shape;
    const ItemsShape full;
    if (n == full.ItemCount)
        return shape;
    const auto part = [n, &full](int of) {
        return std::max(1, int(qint64(of) * n / full.ItemCount));
    };
    shape.ItemCount = n;
    shape.TopLevelCount = part(full.TopLevelCount);
    shape.BigBranchItems = part(full.BigBranchItems);
    shape.BigParentChildren = part(full.BigParentChildren);
    shape.LinksAcross = part(full.LinksAcross);
    return shape;
}

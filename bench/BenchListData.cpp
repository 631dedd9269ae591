#include "BenchListData.h"

#include "app/Folders.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>

#include <cstdio>
#include <random>
#include <set>
#include <vector>

const char* const RareWord = "zephyrine";

namespace {
const char* const Words[] = {"garden",  "letter", "meeting", "invoice", "holiday", "recipe",
                             "address", "phone",  "notes",   "project", "budget",  "travel",
                             "the",     "and",    "of",      "to",      "with",    "for",
                             "report",  "winter", "summer",  "market",  "station", "friend"};

QString makeText(std::mt19937& rng, bool rare) {
    std::uniform_int_distribution<int> len(200, 1000); // about 600 on average
    std::uniform_int_distribution<int> word(0, int(std::size(Words)) - 1);
    const int target = len(rng);
    QString text;
    text.reserve(target + 40);
    int line = 0;
    while (text.size() < target) {
        text += QLatin1String(Words[word(rng)]);
        if (++line % 12 == 0)
            text += QLatin1Char('\n');
        else
            text += QLatin1Char(' ');
    }
    if (rare)
        text.insert(text.size() / 2, QLatin1String(" ") + QLatin1String(RareWord) + " ");
    return text;
}

void generate(int itemCount, ListBenchData& d) {
    std::mt19937 rng(20240601);
    const int topLevel = itemCount / 50; // 2,000 per 100,000
    const int bigChildren = 10000;
    const int linksAcross = itemCount * 3 / 10; // 30,000 per 100,000
    const int hubLinks = 2000;

    Transaction t;
    QSqlQuery insert = PrepareQuery(QStringLiteral(
        "INSERT INTO phonebk (id, name, text, numchildren, tel, parent, rank, numcousins, "
        "createdts) VALUES (:id, :name, :text, 0, :tel, :parent, 0, 0, :createdts)"));
    std::vector<int> children(size_t(itemCount) + 2, 0);
    std::vector<int> cousins(size_t(itemCount) + 2, 0);
    std::uniform_int_distribution<int> pct(0, 99);
    const QVariant created = StampToDb(QDateTime(QDate(2020, 1, 1), QTime(12, 0)));
    // Id 1 is the item "Diary" the new database starts with.
    d.BigParent = 2;
    d.Hub = 3;
    for (int id = 2; id <= itemCount + 1; ++id) {
        ItemId parent = 0;
        if (id <= topLevel + 1)
            parent = 0;
        else if (id < topLevel + 2 + bigChildren)
            parent = d.BigParent;
        else
            parent = std::uniform_int_distribution<int>(4, id - 1)(rng);
        if (parent == d.BigParent && id >= topLevel + 2 + bigChildren)
            parent = 0;
        ++children[size_t(parent)];
        insert.bindValue(QStringLiteral(":id"), id);
        insert.bindValue(QStringLiteral(":name"),
                         QStringLiteral("%1 item %2").arg(QLatin1String(Words[id % 24])).arg(id));
        const bool hasText = pct(rng) >= 5;
        insert.bindValue(QStringLiteral(":text"), hasText
                                                      ? QVariant(makeText(rng, pct(rng) == 0))
                                                      : QVariant(QMetaType::fromType<QString>()));
        insert.bindValue(QStringLiteral(":tel"),
                         pct(rng) < 30 ? QVariant(QStringLiteral("2024-%1").arg(id % 97))
                                       : QVariant(QString()));
        insert.bindValue(QStringLiteral(":parent"), parent);
        insert.bindValue(QStringLiteral(":createdts"), created);
        ExecQuery(insert);
    }
    QSqlQuery link = PrepareQuery(
        QStringLiteral("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (:a, :b, :note, 0)"));
    std::uniform_int_distribution<int> anyItem(4, itemCount + 1);
    std::set<std::pair<int, int>> made;
    auto addLink = [&](int a, int b, const QString& note) {
        if (a == b || !made.insert({std::min(a, b), std::max(a, b)}).second)
            return false;
        for (auto [x, y] : {std::pair<int, int>{a, b}, std::pair<int, int>{b, a}}) {
            link.bindValue(QStringLiteral(":a"), x);
            link.bindValue(QStringLiteral(":b"), y);
            link.bindValue(QStringLiteral(":note"), note);
            ExecQuery(link);
            ++cousins[size_t(x)];
        }
        return true;
    };
    int made_ = 0;
    while (made_ < hubLinks)
        made_ +=
            addLink(d.Hub, anyItem(rng), pct(rng) < 50 ? QStringLiteral("see also") : QString());
    while (made_ < linksAcross)
        made_ += addLink(anyItem(rng), anyItem(rng), QString());
    QSqlQuery counts = PrepareQuery(
        QStringLiteral("UPDATE phonebk SET numchildren = :c, numcousins = :k WHERE id = :id"));
    for (int id = 1; id <= itemCount + 1; ++id) {
        if (children[size_t(id)] == 0 && cousins[size_t(id)] == 0)
            continue;
        counts.bindValue(QStringLiteral(":c"), children[size_t(id)]);
        counts.bindValue(QStringLiteral(":k"), cousins[size_t(id)]);
        counts.bindValue(QStringLiteral(":id"), id);
        ExecQuery(counts);
    }
    t.Commit();
}
} // namespace

ListBenchData OpenListBenchData(int itemCount) {
    ListBenchData d;
    const QString folder = QStringLiteral("/tmp/cardolo-listbench-%1/").arg(itemCount);
    QDir().mkpath(folder + QStringLiteral("DATA"));
    SetProgramFolder(folder);
    d.Path = DatabasePath();
    d.BigParent = 2;
    d.Hub = 3;
    if (QFile::exists(d.Path + QStringLiteral(".done"))) {
        OpenPhoneDB(d.Path);
        return d;
    }
    QFile::remove(d.Path);
    std::fprintf(stderr, "generating %d items into %s\n", itemCount, qPrintable(d.Path));
    OpenPhoneDB(d.Path);
    ExecSql(QStringLiteral("PRAGMA synchronous=OFF"));
    generate(itemCount, d);
    ExecSql(QStringLiteral("PRAGMA synchronous=FULL"));
    ExecSql(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    QFile done(d.Path + QStringLiteral(".done"));
    done.open(QIODevice::WriteOnly);
    return d;
}

#include "BenchListData.h"

#include "common/Folders.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>

#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <vector>

const SearchWord SearchWords[SearchWordCount] = {
    {"harbour", "rare", 1}, {"plumber", "1pct", 100}, {"receipt", "30pct", 3000}};
const char* const AbsentWord = "tensor";

namespace {
const char* const Words[] = {"garden",  "letter", "meeting", "invoice", "holiday", "recipe",
                             "address", "phone",  "notes",   "project", "budget",  "travel",
                             "the",     "and",    "of",      "to",      "with",    "for",
                             "report",  "winter", "summer",  "market",  "station", "friend"};

// A text of about 600 characters of the common words, twelve to a line, with each of the
// search words the item was dealt put in at a random place.
QString makeText(std::mt19937& rng, const std::vector<const char*>& dealt) {
    std::uniform_int_distribution<int> len(200, 1000); // about 600 on average
    std::uniform_int_distribution<int> word(0, int(std::size(Words)) - 1);
    const int target = len(rng);
    std::vector<const char*> tokens;
    int chars = 0;
    while (chars < target) {
        tokens.push_back(Words[word(rng)]);
        chars += int(std::strlen(tokens.back())) + 1;
    }
    for (const char* w : dealt)
        tokens.insert(
            tokens.begin() + std::uniform_int_distribution<int>(0, int(tokens.size()))(rng), w);
    QString text;
    text.reserve(chars + 40);
    for (size_t i = 0; i < tokens.size(); ++i) {
        text += QLatin1String(tokens[i]);
        text += (i + 1) % 12 == 0 ? QLatin1Char('\n') : QLatin1Char(' ');
    }
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
        "createdts, srchts) VALUES (:id, :name, :text, 0, :tel, :parent, 0, 0, :createdts, "
        ":createdts)"));
    std::vector<int> children(size_t(itemCount) + 2, 0);
    std::vector<int> cousins(size_t(itemCount) + 2, 0);
    std::uniform_int_distribution<int> pct(0, 99);
    std::uniform_int_distribution<int> perTenThousand(0, 9999);
    const QVariant created = StampToDb(QDateTime(QDate(2020, 1, 1), QTime(12, 0)));
    // Id 1 is the item "Diary" the new database starts with. The rows are numbered here, so
    // their ids are plain numbers until the data names its two items.
    const int bigParent = 2;
    const int hub = 3;
    d.BigParent = ItemId(bigParent);
    d.Hub = ItemId(hub);
    for (int id = 2; id <= itemCount + 1; ++id) {
        int parent = 0;
        if (id <= topLevel + 1)
            parent = 0;
        else if (id < topLevel + 2 + bigChildren)
            parent = bigParent;
        else
            parent = std::uniform_int_distribution<int>(4, id - 1)(rng);
        if (parent == bigParent && id >= topLevel + 2 + bigChildren)
            parent = 0;
        ++children[size_t(parent)];
        insert.bindValue(QStringLiteral(":id"), id);
        insert.bindValue(QStringLiteral(":name"),
                         QStringLiteral("%1 item %2").arg(QLatin1String(Words[id % 24])).arg(id));
        const bool hasText = pct(rng) >= 5;
        std::vector<const char*> dealt;
        for (int w = 0; w < SearchWordCount; ++w)
            if (perTenThousand(rng) < SearchWords[w].PerTenThousand && hasText) {
                dealt.push_back(SearchWords[w].Word);
                ++d.WordItems[w];
            }
        insert.bindValue(QStringLiteral(":text"), hasText
                                                      ? QVariant(makeText(rng, dealt))
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
        made_ += addLink(hub, anyItem(rng), pct(rng) < 50 ? QStringLiteral("see also") : QString());
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
    // The folder names the data's version: a database of an earlier generator is never
    // taken for this one.
    const QString folder = QStringLiteral("/tmp/cardolo-listbench-v2-%1/").arg(itemCount);
    QDir().mkpath(folder + QStringLiteral("DATA"));
    SetProgramFolder(folder);
    d.Path = DatabasePath();
    d.BigParent = ItemId(2);
    d.Hub = ItemId(3);
    // The marker of a finished database holds the number of items holding each search word.
    QFile done(d.Path + QStringLiteral(".done"));
    if (done.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> counts = done.readAll().split(' ');
        if (counts.size() >= SearchWordCount) {
            for (int w = 0; w < SearchWordCount; ++w)
                d.WordItems[w] = counts[w].trimmed().toInt();
            OpenPhoneDB(d.Path);
            return d;
        }
        done.close();
    }
    for (const char* end : {"", "-wal", "-shm", ".done"})
        QFile::remove(d.Path + QLatin1String(end));
    std::fprintf(stderr, "generating %d items into %s\n", itemCount, qPrintable(d.Path));
    OpenPhoneDB(d.Path);
    ExecSql(QStringLiteral("PRAGMA synchronous=OFF"));
    generate(itemCount, d);
    ExecSql(QStringLiteral("PRAGMA synchronous=FULL"));
    ExecSql(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    if (done.open(QIODevice::WriteOnly))
        for (int w = 0; w < SearchWordCount; ++w)
            done.write(QByteArray::number(d.WordItems[w]) + ' ');
    return d;
}

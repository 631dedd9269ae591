#include "store/ItemStore.h"

#include "common/Clock.h"
#include "common/Dialogs.h"
#include "common/TextHelpers.h"
#include "store/Conversion.h"
#include "store/Database.h"
#include "store/ItemRows.h"
#include "store/StoreState.h"

#include <QSqlQuery>
#include <QVariant>

namespace {
// Chains of parents are followed at most this many steps, so a loop of parents cannot hang.
constexpr int AncestryBound = 99;

const char* const ItemsByName = "select * from phonebk p where p.name = :name";

// The id of the first item named name exactly (with case), or 0.
ItemId FirstItemNamed(const QString& name) {
    QSqlQuery& q = StoredQuery(QLatin1String(ItemsByName));
    q.bindValue(QStringLiteral(":name"), name);
    ExecQuery(q);
    const ItemId id = q.next() ? IdFromDb(q.value(QStringLiteral("id"))) : ItemId();
    q.finish();
    return id;
}
} // namespace

bool LocateItem(ItemId id, ItemRecord& item) {
    if (!id.IsValid())
        return false;
    QSqlQuery& q = StoredQuery(QStringLiteral("select * from phonebk where id = :id"));
    q.bindValue(QStringLiteral(":id"), IdToDb(id));
    ExecQuery(q);
    if (!q.next()) {
        q.finish();
        return false;
    }
    item.Id = id;
    item.Name = q.value(QStringLiteral("name")).toString();
    const QVariant text = q.value(QStringLiteral("text"));
    item.TextIsNull = text.isNull();
    item.Text = text.toString();
    item.Numchildren = q.value(QStringLiteral("numchildren")).toInt();
    item.SrchTs = StampFromDb(q.value(QStringLiteral("srchts")));
    item.Tel = q.value(QStringLiteral("tel")).toString();
    item.Parent = IdFromDb(q.value(QStringLiteral("parent")));
    item.CreatedTS = StampFromDb(q.value(QStringLiteral("createdts")));
    item.Rank = IdFromDb(q.value(QStringLiteral("rank")));
    item.numcousins = q.value(QStringLiteral("numcousins")).toInt();
    q.finish();
    return true;
}

bool CoreStartup() {
    // Older layouts are brought up to date before anything relies on them.
    if (RunLateConversionSteps() == ConversionResult::Declined)
        return false;
    // Older databases lack the indexes the store's queries rely on.
    EnsureIndexes();
    ItemId& diaryId = StoreDiaryId();
    if (!diaryId.IsNone())
        return true;
    const ItemId diary = FirstItemNamed(QStringLiteral("Diary"));
    if (diary.IsNone())
        ShowInfo(QStringLiteral("Item \"Diary\" not found"));
    else
        diaryId = diary;
    return true;
}

QString ItemName(ItemId id) {
    LinkFields row;
    return ReadLinkFields(id, row) ? row.Name : QString();
}

QString AncestryText(ItemId id, bool includeSelf) {
    QString text;
    ItemId current = id;
    for (int step = 0; current.IsValid() && step < AncestryBound; ++step) {
        LinkFields row;
        if (!ReadLinkFields(current, row))
            break;
        if (current != id || includeSelf)
            text.prepend(row.Name + QStringLiteral(" : "));
        if (row.Parent == current) // a self-linked item ends the chain
            break;
        current = row.Parent;
    }
    return text;
}

void ItemNotFound(ItemId id) {
    ShowInfo(QStringLiteral("Item #") + QString::number(id.Value()) + QStringLiteral(" not found"));
}

ItemId CreateItem(const QString& name, const QString& tel, const QString& text) {
    return CreateItem(name, tel, text, CurrentDateTime());
}

ItemId CreateItem(const QString& name, const QString& tel, const QString& text,
                  const QDateTime& created) {
    QSqlQuery& q = StoredQuery(QStringLiteral(
        "INSERT INTO phonebk (name, tel, text, parent, rank, numchildren, numcousins, createdts) "
        "VALUES (:name, :tel, :text, 0, 0, 0, 0, :createdts)"));
    q.bindValue(QStringLiteral(":name"), NameValue(name));
    q.bindValue(QStringLiteral(":tel"), RefValue(tel));
    q.bindValue(QStringLiteral(":text"), TextValue(text));
    q.bindValue(QStringLiteral(":createdts"), StampToDb(created));
    ExecQuery(q);
    const ItemId id = IdFromDb(q.lastInsertId());
    q.finish();
    return id;
}

ItemId FindOrCreateYearItem(int year) {
    StoreState& state = TheStoreState;
    if (year == state.CachedYear && !state.CachedYearId.IsNone())
        return state.CachedYearId;
    const QString name = PadNumber(year, 4);
    ItemId id = FirstItemNamed(name);
    if (id.IsNone()) {
        const ItemId diary = StoreDiaryId();
        Transaction t;
        LinkFields diaryRow;
        const bool underDiary = ReadLinkFields(diary, diaryRow);
        QSqlQuery& q = StoredQuery(QStringLiteral(
            "INSERT INTO phonebk (name, parent, rank, numchildren, numcousins, createdts) "
            "VALUES (:name, :parent, :rank, 0, 0, :createdts)"));
        q.bindValue(QStringLiteral(":name"), name);
        // With the diary item gone the year item stands at the top level, where it can still
        // be reached, instead of under a parent that no longer exists.
        q.bindValue(QStringLiteral(":parent"), IdToDb(underDiary ? diary : ItemId()));
        // It takes the diary's Rank, as a link down would give it: under a hidden diary the new
        // year, and every day filed under it, stay hidden with the rest of the diary.
        q.bindValue(QStringLiteral(":rank"), IdToDb(underDiary ? diaryRow.Rank : ItemId()));
        q.bindValue(QStringLiteral(":createdts"), StampToDb(CurrentDateTime()));
        ExecQuery(q);
        id = IdFromDb(q.lastInsertId());
        q.finish();
        if (underDiary)
            AddToNumchildren(diary, 1);
        t.Commit();
        // The cache takes the year only together with its id, so a failed insert above leaves
        // it answering for the previous year as before.
        state.CachedYear = year;
        state.CachedYearId = id;
        ShowInfo(QStringLiteral("Creating item #") + QString::number(id.Value()) +
                 QStringLiteral(" \"") + name + QStringLiteral("\""));
        return id;
    }
    state.CachedYear = year;
    state.CachedYearId = id;
    return id;
}

void ResetYearCache() {
    TheStoreState.CachedYear = 0;
    TheStoreState.CachedYearId = ItemId();
}

void ForgetYearItem(ItemId id) {
    if (!id.IsNone() && id == TheStoreState.CachedYearId)
        ResetYearCache();
}

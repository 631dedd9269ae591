// The crash test's child: random operations of the item store on the database it is given,
// each announced on standard output before it starts and confirmed once it has returned
// (CrashFacts.h), until it is killed. Every question the operations ask is answered as a
// user who agrees would answer it; the operations are chosen so that each one changes the
// database, and after each the child checks that it did what was announced, ending with exit
// code 3 when not.
//
//     CrashChild <database> <seed> <archive item>

#include "common/Dialogs.h"
#include "search/SearchHooks.h"
#include "store/Database.h"
#include "store/ItemFields.h"
#include "store/ItemStore.h"
#include "store/StoreState.h"
#include "CrashFacts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>
#include <optional>
#include <random>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// Agrees to every question; the chooser of Delete or Archive and the link-note prompt answer
// what the child set before the operation.
class AgreeingBackend : public DialogBackend {
public:
    int NextChoice = 1;
    QString NextNote;

    void ShowInfoBox(const QString& message, const QString&) override { Unexpected = message; }
    char AskYesNoCancelBox(const QString&, const QString&) override { return 'Y'; }
    bool InputString(const QString&, QString& text) override {
        text = NextNote;
        return true;
    }
    int ChooseOption(const QString&, const QString&, const QString&) override { return NextChoice; }
    void FlashMessage(const QString&) override {}

    // The last message shown: the operations chosen never have a reason to show one.
    QString Unexpected;
};

[[noreturn]] void Fail(const QString& what) {
    std::fprintf(stderr, "CrashChild: %s\n", qPrintable(what));
    std::fflush(stderr);
    _exit(3);
}

QSqlQuery Select(const QString& sql, const QVariantList& values = {}) {
    QSqlQuery q(PhoneDB());
    if (!q.prepare(sql))
        Fail(QStringLiteral("cannot prepare ") + sql);
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    if (!q.exec())
        Fail(QStringLiteral("cannot run ") + sql);
    return q;
}

QVariant Scalar(const QString& sql, const QVariantList& values = {}) {
    QSqlQuery q = Select(sql, values);
    return q.next() ? q.value(0) : QVariant();
}

struct Fields {
    QString Name, Tel, Text;
    ItemId Parent;
    int Numchildren = 0, Numcousins = 0;
};

std::optional<Fields> ReadItem(ItemId id) {
    QSqlQuery q = Select(QStringLiteral("SELECT name, tel, text, parent, numchildren, numcousins "
                                        "FROM phonebk WHERE id = ?"),
                         {IdToDb(id)});
    if (!q.next())
        return std::nullopt;
    return Fields{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                  IdFromDb(q.value(3)),  q.value(4).toInt(),    q.value(5).toInt()};
}

class Child {
public:
    Child(quint64 seed, ItemId archive) : random(seed), archive(archive) {}

    // Runs one operation picked at random; false when the pick found nothing to act on.
    bool Step() {
        const int roll = Below(100);
        if (roll < 15)
            return Create();
        if (roll < 32)
            return LinkDown();
        if (roll < 35)
            return SelfLink();
        if (roll < 44)
            return Delink();
        if (roll < 58)
            return LinkAcrossPair();
        if (roll < 67)
            return DelinkAcrossPair();
        if (roll < 72)
            return SetNote();
        if (roll < 84)
            return DeleteOrArchive();
        return SetTexts();
    }

    AgreeingBackend Backend;

private:
    std::mt19937_64 random;
    ItemId archive;

    int Below(int n) { return int(random() % quint64(n)); }

    QString RandomText(int maxLength, bool lineBreaks) {
        static const QString letters =
            QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 "
                           "\u00e9\u00fc\u00df\u03a9\u4e2d-.,'\"");
        const int length = Below(maxLength + 1);
        QString s;
        s.reserve(length);
        for (int i = 0; i < length; ++i) {
            if (lineBreaks && Below(40) == 0)
                s += QStringLiteral("\r\n");
            else
                s += letters[Below(int(letters.size()))];
        }
        return s;
    }
    QString RandomName() { return QStringLiteral("n") + RandomText(59, false); }
    QString RandomTel() { return RandomText(20, false); }
    QString RandomBody() {
        // Now and then a text of a good size, so that a commit spans many pages.
        return RandomText(Below(10) == 0 ? 20000 : 600, true);
    }

    // An existing item picked at random, or 0.
    ItemId AnyItem() {
        const int top = Scalar(QStringLiteral("SELECT max(id) FROM phonebk")).toInt();
        if (top <= 0)
            return ItemId();
        return IdFromDb(
            Scalar(QStringLiteral("SELECT id FROM phonebk WHERE id >= ? ORDER BY id LIMIT 1"),
                   {1 + Below(top)}));
    }

    // Whether item lies in the chain of parents above start (start itself included).
    bool IsAncestorOrSelf(ItemId item, ItemId start) {
        QSet<ItemId> seen;
        for (ItemId x = start; !x.IsNone() && !seen.contains(x);) {
            if (x == item)
                return true;
            seen.insert(x);
            const auto row = ReadItem(x);
            if (!row)
                return false;
            x = row->Parent;
        }
        return false;
    }

    void Announce(const char* operation, const CrashFact& f) {
        Backend.Unexpected.clear();
        const QByteArray line = CrashLines::Announce(operation, f);
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fflush(stdout);
    }

    // Confirms the operation once the fact is read back as announced.
    void Confirm(const CrashFact& f, ItemId created = ItemId()) {
        if (!Backend.Unexpected.isEmpty())
            Fail(QStringLiteral("the store said: ") + Backend.Unexpected);
        const QString broken = Check(f, created);
        if (!broken.isEmpty())
            Fail(broken + QStringLiteral(": ") +
                 QString::fromUtf8(CrashLines::Announce("", f)).left(200).trimmed());
        const QByteArray line = CrashLines::Confirm(created);
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fflush(stdout);
    }

    QString Check(const CrashFact& f, ItemId created) {
        // The rows of the link A-B with the drop in both directions (with the note, when one
        // is given).
        const auto rows = [](ItemId a, ItemId b, int drop, const QVariant& note = QVariant()) {
            return Scalar(QStringLiteral("SELECT count(*) FROM mm2 WHERE \"drop\" = ? AND "
                                         "((id1 = ? AND id2 = ?) OR (id1 = ? AND id2 = ?)) "
                                         "AND (? IS NULL OR IFNULL(linknote, '') = ?)"),
                          {drop, IdToDb(a), IdToDb(b), IdToDb(b), IdToDb(a), note, note})
                .toInt();
        };
        switch (f.Kind) {
        case 'N':
        case 'I': {
            const auto row = ReadItem(f.Kind == 'N' ? created : f.A);
            if (!row || row->Name != f.Name || row->Tel != f.Tel || row->Text != f.Text ||
                (f.Kind == 'N' && !row->Parent.IsNone()))
                return QStringLiteral("item fields not as written");
            return QString();
        }
        case 'P': {
            const auto row = ReadItem(f.A);
            return row && row->Parent == f.B ? QString() : QStringLiteral("parent not as linked");
        }
        case 'X':
            return ReadItem(f.A) ? QStringLiteral("item not deleted") : QString();
        case 'L':
            // A null text would bind as null and skip the note's comparison.
            return rows(f.A, f.B, f.Drop, f.Note.isNull() ? QStringLiteral("") : f.Note) == 2
                       ? QString()
                       : QStringLiteral("link across not stored as announced");
        case 'U':
            return rows(f.A, f.B, f.Drop) == 0 ? QString()
                                               : QStringLiteral("link across not removed");
        }
        return QStringLiteral("unknown fact");
    }

    bool Create() {
        CrashFact f;
        f.Kind = 'N';
        f.Name = RandomName();
        f.Tel = RandomTel();
        f.Text = RandomBody();
        Announce("create", f);
        const ItemId id = CreateItem(f.Name, f.Tel, f.Text);
        Confirm(f, id);
        return true;
    }

    bool LinkDown() {
        const ItemId from = AnyItem(), to = AnyItem();
        if (from.IsNone() || to.IsNone() || from == to || to == archive)
            return false;
        const auto toRow = ReadItem(to);
        // Already the parent, or a link that would close a loop of parents: skipped, so that
        // every link down made moves an item and the tree keeps its roots.
        if (!toRow || toRow->Parent == from || IsAncestorOrSelf(to, from))
            return false;
        CrashFact f;
        f.Kind = 'P';
        f.A = to;
        f.B = from;
        Announce("linkdown", f);
        LinkItems(from, to, 1);
        Confirm(f);
        return true;
    }

    bool SelfLink() {
        const ItemId item = AnyItem();
        const auto row = ReadItem(item);
        if (!row || item == archive || row->Parent == item)
            return false;
        CrashFact f;
        f.Kind = 'P';
        f.A = item;
        f.B = item;
        Announce("selflink", f);
        LinkItems(item, item, 1);
        Confirm(f);
        return true;
    }

    bool Delink() {
        for (int attempt = 0; attempt < 20; ++attempt) {
            const ItemId item = AnyItem();
            const auto row = ReadItem(item);
            if (!row || row->Parent.IsNone())
                continue;
            CrashFact f;
            f.Kind = 'P';
            f.A = item;
            Announce("delinkdown", f);
            DelinkDown(item, row->Parent);
            Confirm(f);
            return true;
        }
        return false;
    }

    bool LinkAcrossPair() {
        const ItemId a = AnyItem(), b = AnyItem();
        if (a.IsNone() || b.IsNone() || a == b)
            return false;
        // The drop the store gives a link again, one above the highest of A to B and free in
        // both directions; the first link of a pair has drop 0 and no note.
        const QVariant highest =
            Scalar(QStringLiteral("SELECT max(\"drop\") FROM mm2 WHERE id1 = ? AND id2 = ?"),
                   {IdToDb(a), IdToDb(b)});
        CrashFact f;
        f.Kind = 'L';
        f.A = a;
        f.B = b;
        f.Drop = highest.isNull() ? 0 : highest.toInt() + 1;
        if (!highest.isNull())
            f.Note = RandomText(30, false);
        while (Scalar(QStringLiteral("SELECT count(*) FROM mm2 WHERE \"drop\" = ? AND "
                                     "((id1 = ? AND id2 = ?) OR (id1 = ? AND id2 = ?))"),
                      {f.Drop, IdToDb(a), IdToDb(b), IdToDb(b), IdToDb(a)})
                   .toInt() > 0)
            ++f.Drop;
        Backend.NextNote = f.Note;
        Announce("linkacross", f);
        LinkItems(a, b, 2);
        Confirm(f);
        return true;
    }

    // A link across picked at random: false when there is none.
    bool AnyLink(ItemId& a, ItemId& b, int& drop) {
        const int count = Scalar(QStringLiteral("SELECT count(*) FROM mm2")).toInt();
        if (count == 0)
            return false;
        QSqlQuery q = Select(QStringLiteral("SELECT id1, id2, \"drop\" FROM mm2 "
                                            "ORDER BY id1, id2, \"drop\" LIMIT 1 OFFSET ?"),
                             {Below(count)});
        if (!q.next())
            return false;
        a = IdFromDb(q.value(0));
        b = IdFromDb(q.value(1));
        drop = q.value(2).toInt();
        return true;
    }

    bool DelinkAcrossPair() {
        CrashFact f;
        f.Kind = 'U';
        if (!AnyLink(f.A, f.B, f.Drop))
            return false;
        Announce("delinkacross", f);
        DelinkAcross(f.A, f.B, f.Drop);
        Confirm(f);
        return true;
    }

    bool SetNote() {
        CrashFact f;
        f.Kind = 'L';
        if (!AnyLink(f.A, f.B, f.Drop))
            return false;
        f.Note = RandomText(30, false);
        Announce("linknote", f);
        SetLinkAcrossNote(f.A, f.B, f.Drop, f.Note);
        Confirm(f);
        return true;
    }

    bool DeleteOrArchive() {
        for (int attempt = 0; attempt < 40; ++attempt) {
            const ItemId item = AnyItem();
            const auto row = ReadItem(item);
            if (!row || item == archive || row->Numchildren != 0 || row->Numcousins != 0)
                continue;
            const bool archiving = archive.IsValid() && row->Parent != archive && Below(3) == 0;
            Backend.NextChoice = archiving ? 2 : 1;
            CrashFact f;
            f.Kind = archiving ? 'P' : 'X';
            f.A = item;
            f.B = archiving ? archive : ItemId();
            Announce(archiving ? "archive" : "delete", f);
            if (!DeleteItem(item))
                Fail(QStringLiteral("DeleteItem refused #%1").arg(item.Value()));
            Confirm(f);
            return true;
        }
        return false;
    }

    bool SetTexts() {
        const ItemId item = AnyItem();
        const auto row = ReadItem(item);
        if (!row)
            return false;
        CrashFact f;
        f.Kind = 'I';
        f.A = item;
        if (Below(2) == 0) {
            f.Name = RandomName();
            f.Tel = RandomTel();
            f.Text = RandomBody();
            Announce("fields", f);
            WriteItemFields(item, f.Name, f.Tel, f.Text);
        } else {
            // An edit of some fields leaves the others as stored.
            ItemFieldEdits edits;
            f.Name = row->Name;
            f.Tel = row->Tel;
            f.Text = row->Text;
            if (Below(2) == 0)
                edits.Name = f.Name = RandomName();
            if (Below(2) == 0)
                edits.Tel = f.Tel = RandomTel();
            edits.Text = f.Text = RandomBody();
            Announce("edit", f);
            WriteItemFields(item, edits);
        }
        Confirm(f);
        return true;
    }
};

} // namespace

int main(int argc, char** argv) {
    // Never outlives the test that started it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    InstallSearchHooks();
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: CrashChild <database> <seed> <archive item>\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const quint64 seed = QByteArray(argv[2]).toULongLong();
    const ItemId archive = ItemId(QByteArray(argv[3]).toInt());
    try {
        OpenPhoneDB(path);
        StoreArchiveId() = archive;
        Child child(seed, archive);
        SetDialogBackend(&child.Backend);
        // Runs until killed; the bound only ends a child whose test is gone without killing it.
        QElapsedTimer alive;
        alive.start();
        while (alive.elapsed() < 120000)
            child.Step();
    } catch (const DbError& e) {
        Fail(QStringLiteral("engine error: ") + e.Text);
    }
    return 0;
}

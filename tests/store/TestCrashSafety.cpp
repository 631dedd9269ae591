#include "common/Folders.h"
#include "store/Database.h"
#include "store/ItemStore.h"
#include "support/TestFolder.h"
#include "CrashFacts.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QtTest>

#include <map>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

// A process doing store operations is killed at random moments; after each kill the database
// must be sound, hold every operation the process saw return, and keep the rules between the
// tables: counts of children and links across, mirrored links, parents that exist, ranks.
class TestCrashSafety : public QObject {
    Q_OBJECT

private slots:
    void killedAtRandomMomentsLosesNothing();
};

namespace {

struct ItemState {
    QString Name, Tel, Text;
    ItemId Parent;
    bool operator==(const ItemState& o) const {
        return Name == o.Name && Tel == o.Tel && Text == o.Text && Parent == o.Parent;
    }
};
using LinkKey = std::tuple<ItemId, ItemId, int>; // id1, id2, drop

// The fields the operations write: what the database must hold after the operations seen.
struct Tables {
    std::map<ItemId, ItemState> Items;
    std::map<LinkKey, QString> Links; // with their notes
};

// The columns the store keeps from the others.
struct Kept {
    int Numchildren = 0;
    int Numcousins = 0;
    ItemId Rank;
};

Tables ReadTables(std::map<ItemId, Kept>& kept) {
    Tables t;
    kept.clear();
    QSqlQuery q(PhoneDB());
    q.exec(QStringLiteral("SELECT id, name, tel, text, parent, numchildren, numcousins, rank "
                          "FROM phonebk"));
    while (q.next()) {
        const ItemId id = IdFromDb(q.value(0));
        t.Items[id] = ItemState{q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                                IdFromDb(q.value(4))};
        kept[id] = Kept{q.value(5).toInt(), q.value(6).toInt(), IdFromDb(q.value(7))};
    }
    q.exec(QStringLiteral("SELECT id1, id2, \"drop\", linknote FROM mm2"));
    while (q.next())
        t.Links[LinkKey(IdFromDb(q.value(0)), IdFromDb(q.value(1)), q.value(2).toInt())] =
            q.value(3).toString();
    return t;
}

QString IntegrityCheck() {
    QSqlQuery q(PhoneDB());
    if (!q.exec(QStringLiteral("PRAGMA integrity_check")))
        return QStringLiteral("integrity_check refused");
    QStringList lines;
    while (q.next())
        lines << q.value(0).toString();
    return lines.join(QLatin1Char('\n'));
}

QString LinkText(const LinkKey& k) {
    return QStringLiteral("link %1-%2 drop %3")
        .arg(std::get<0>(k).Value())
        .arg(std::get<1>(k).Value())
        .arg(std::get<2>(k));
}

// The rules between the tables that every operation keeps.
QStringList BrokenRules(const Tables& t, const std::map<ItemId, Kept>& kept) {
    QStringList broken;
    std::map<ItemId, int> children, cousins;
    for (const auto& [id, item] : t.Items) {
        if (!item.Parent.IsNone() && !t.Items.count(item.Parent))
            broken << QStringLiteral("#%1 names the missing parent #%2")
                          .arg(id.Value())
                          .arg(item.Parent.Value());
        ++children[item.Parent];
    }
    for (const auto& [key, note] : t.Links) {
        const auto [a, b, drop] = key;
        ++cousins[a];
        if (!t.Items.count(a) || !t.Items.count(b))
            broken << LinkText(key) + QStringLiteral(" names a missing item");
        const auto mirror = t.Links.find(LinkKey(b, a, drop));
        if (mirror == t.Links.end() || mirror->second != note)
            broken << LinkText(key) + QStringLiteral(" has no mirror with its note");
    }
    for (const auto& [id, item] : t.Items) {
        const Kept& k = kept.at(id);
        if (k.Numchildren != children[id])
            broken << QStringLiteral("#%1 counts %2 children, has %3")
                          .arg(id.Value())
                          .arg(k.Numchildren)
                          .arg(children[id]);
        if (k.Numcousins != cousins[id])
            broken << QStringLiteral("#%1 counts %2 links across, has %3")
                          .arg(id.Value())
                          .arg(k.Numcousins)
                          .arg(cousins[id]);
        // An item carries the rank of its parent; a self-linked item its own id (it hides the
        // items below it), a top-level item 0.
        ItemId x = id, rank;
        for (int steps = 0;; ++steps) {
            const ItemId p = t.Items.count(x) ? t.Items.at(x).Parent : ItemId();
            if (p.IsNone() || p == x) {
                rank = p;
                break;
            }
            if (steps > int(t.Items.size())) {
                broken << QStringLiteral("#%1 lies in a loop of parents").arg(id.Value());
                break;
            }
            x = p;
        }
        if (k.Rank != rank)
            broken << QStringLiteral("#%1 has rank %2, its branch %3")
                          .arg(id.Value())
                          .arg(k.Rank.Value())
                          .arg(rank.Value());
        if (broken.size() > 20)
            break;
    }
    return broken;
}

// What differs between the tables expected and those found, the first few.
QStringList Differences(const Tables& expected, const Tables& found) {
    QStringList d;
    for (const auto& [id, item] : expected.Items) {
        const auto f = found.Items.find(id);
        if (f == found.Items.end())
            d << QStringLiteral("#%1 is missing").arg(id.Value());
        else if (!(f->second == item))
            d << QStringLiteral("#%1 is not as written (parent %2, expected %3)")
                     .arg(id.Value())
                     .arg(f->second.Parent.Value())
                     .arg(item.Parent.Value());
    }
    for (const auto& [id, item] : found.Items)
        if (!expected.Items.count(id))
            d << QStringLiteral("#%1 is there and should not be").arg(id.Value());
    for (const auto& [key, note] : expected.Links) {
        const auto f = found.Links.find(key);
        if (f == found.Links.end())
            d << LinkText(key) + QStringLiteral(" is missing");
        else if (f->second != note)
            d << LinkText(key) +
                     QStringLiteral(" has the note \"%1\", expected \"%2\"").arg(f->second, note);
    }
    for (const auto& [key, note] : found.Links)
        if (!expected.Links.count(key))
            d << LinkText(key) + QStringLiteral(" is there and should not be");
    return d.mid(0, 10);
}

// The tables once the fact of an operation holds; created is the id of the item it created.
void Apply(Tables& t, const CrashFact& f, ItemId created) {
    switch (f.Kind) {
    case 'N':
        t.Items[created] = ItemState{f.Name, f.Tel, f.Text, ItemId()};
        break;
    case 'I': {
        ItemState& item = t.Items[f.A];
        item.Name = f.Name;
        item.Tel = f.Tel;
        item.Text = f.Text;
        break;
    }
    case 'P':
        t.Items[f.A].Parent = f.B;
        break;
    case 'X':
        t.Items.erase(f.A);
        break;
    case 'L':
        t.Links[LinkKey(f.A, f.B, f.Drop)] = f.Note;
        t.Links[LinkKey(f.B, f.A, f.Drop)] = f.Note;
        break;
    case 'U':
        t.Links.erase(LinkKey(f.A, f.B, f.Drop));
        t.Links.erase(LinkKey(f.B, f.A, f.Drop));
        break;
    }
}

// A database of a few thousand items: each top-level or below an item made before it (so
// there is no loop), texts of every size, links across between random pairs, all counted.
// Returns the archive item deleting offers.
ItemId Populate(QRandomGenerator& random, int count) {
    Transaction t;
    QSqlQuery item(PhoneDB());
    item.prepare(QStringLiteral("INSERT INTO phonebk (name, tel, text, parent, rank, numchildren, "
                                "numcousins, createdts) VALUES (?, ?, ?, ?, 0, 0, 0, ?)"));
    QList<ItemId> ids;
    for (int i = 0; i < count; ++i) {
        item.bindValue(0, QStringLiteral("item %1").arg(i));
        item.bindValue(1, i % 3 ? QVariant(QStringLiteral("R%1").arg(i))
                                : QVariant(QMetaType::fromType<QString>()));
        item.bindValue(2, QString(int(random.bounded(i % 50 ? 300 : 12000)), QLatin1Char('t')));
        item.bindValue(3,
                       IdToDb(!ids.isEmpty() && random.bounded(2) ? ids[random.bounded(ids.size())]
                                                                  : ItemId()));
        item.bindValue(4, StampToDb(QDateTime(QDate(2020, 1, 1), QTime(12, 0))));
        if (!item.exec())
            return ItemId();
        ids << IdFromDb(item.lastInsertId());
    }
    QSqlQuery link(PhoneDB());
    link.prepare(QStringLiteral(
        "INSERT OR IGNORE INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, ?, 0)"));
    for (int i = 0; i < count / 2; ++i) {
        const ItemId a = ids[random.bounded(ids.size())], b = ids[random.bounded(ids.size())];
        if (a == b)
            continue;
        for (const auto& [x, y] : {std::pair{a, b}, std::pair{b, a}}) {
            link.bindValue(0, IdToDb(x));
            link.bindValue(1, IdToDb(y));
            link.bindValue(2, QStringLiteral("note %1").arg(i));
            link.exec();
        }
    }
    ExecSql(QStringLiteral("INSERT INTO phonebk (name, parent, rank, numchildren, numcousins) "
                           "VALUES ('Archive', 0, 0, 0, 0)"));
    QSqlQuery last = ExecSql(QStringLiteral("SELECT max(id) FROM phonebk"));
    const ItemId archive = last.next() ? IdFromDb(last.value(0)) : ItemId();
    last.finish();
    ExecSql(QStringLiteral(
        "UPDATE phonebk SET numchildren = (SELECT count(*) FROM phonebk c WHERE c.parent = "
        "phonebk.id), numcousins = (SELECT count(*) FROM mm2 WHERE id1 = phonebk.id)"));
    t.Commit();
    return archive;
}

// Every line the child completed: announcements and confirmations. A line the kill cut short
// was never finished, so the operation it announces never started.
QList<QByteArray> CompleteLines(const QByteArray& out) {
    QList<QByteArray> lines = out.split('\n');
    lines.removeLast(); // after the last newline: empty, or a line cut short
    return lines;
}

// The child, its standard output on a pipe read here to the last byte it wrote, its standard
// error in a file.
class ChildProcess {
public:
    pid_t Pid = -1;
    QByteArray Out;

    ~ChildProcess() {
        if (Pid > 0) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
        if (fd >= 0)
            close(fd);
    }

    bool Start(const QStringList& arguments, const QString& errorFile) {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            return false;
        fd = ends[0];
        const QByteArray program = QByteArrayLiteral(CARDOLO_CRASH_CHILD);
        QList<QByteArray> texts{program};
        for (const QString& a : arguments)
            texts << a.toLocal8Bit();
        std::vector<char*> argv;
        for (QByteArray& t : texts)
            argv.push_back(t.data());
        argv.push_back(nullptr);
        const QByteArray errorPath = QFile::encodeName(errorFile);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorPath.constData(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int rc =
            posix_spawn(&Pid, program.constData(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        if (rc != 0)
            Pid = -1;
        return rc == 0;
    }

    // Adds what the child has written, waiting up to ms for something; false once the child
    // has closed its output (it has ended).
    bool Read(int ms) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, qMax(ms, 0)) <= 0)
            return true;
        char buffer[65536];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        Out.append(buffer, n);
        return true;
    }

    // Reads to the end of the output and waits for the child. Empty when SIGKILL ended it;
    // otherwise how it ended, with what it wrote on standard error.
    QString Finish(const QString& errorFile) {
        while (Read(10000)) {
        }
        int status = 0;
        waitpid(Pid, &status, 0);
        Pid = -1;
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            return QString();
        QFile errors(errorFile);
        errors.open(QIODevice::ReadOnly);
        return QStringLiteral("status %1: ").arg(status) + QString::fromLocal8Bit(errors.readAll());
    }

private:
    int fd = -1;
};

} // namespace

void TestCrashSafety::killedAtRandomMomentsLosesNothing() {
    // CARDOLO_CRASH_SEED repeats a run's choices of operations and kill moments; how far the
    // child gets before each kill still depends on the machine.
    const quint64 seed = qEnvironmentVariableIsSet("CARDOLO_CRASH_SEED")
                             ? qEnvironmentVariable("CARDOLO_CRASH_SEED").toULongLong()
                             : 20241207;
    qInfo("seed %llu", static_cast<unsigned long long>(seed));
    QRandomGenerator random(seed);

    TestFolder folder;
    const QString path = DatabasePath();
    const ItemId archive = Populate(random, 3000);
    QVERIFY(archive.IsValid());
    std::map<ItemId, Kept> kept;
    Tables model = ReadTables(kept);
    QCOMPARE(BrokenRules(model, kept), QStringList());
    ClosePhoneDB();
    const QString errorFile = folder.Path() + QStringLiteral("child-errors.txt");

    // At least MinKills kills; more while the time allows, up to MaxKills.
    constexpr int MinKills = 20, MaxKills = 40;
    constexpr qint64 TimeBudgetMs = 20000;
    int kills = 0, confirmed = 0, inFlightDone = 0, inFlightUndone = 0;
    std::map<QByteArray, int> operations;
    QElapsedTimer clock;
    clock.start();
    while (kills < MinKills || (kills < MaxKills && clock.elapsed() < TimeBudgetMs)) {
        // Half of the kills come at a random time after the start, the other half just after
        // the child announced an operation, so that many land inside one.
        const bool afterAnnouncement = kills % 2 == 1;
        const int announcementsBefore = 2 + int(random.bounded(150));
        const qint64 killAtMs = 10 + random.bounded(500);
        const int lateMicroseconds = int(random.bounded(random.bounded(2) ? 300 : 3000));

        ChildProcess child;
        QVERIFY2(child.Start({path, QString::number(seed * 1000 + quint64(kills)),
                              QString::number(archive.Value())},
                             errorFile),
                 "the child cannot be started");
        int announced = 0;
        qsizetype scanned = 0;
        QElapsedTimer run;
        run.start();
        for (;;) {
            QVERIFY2(run.elapsed() < 60000, "the child went a minute without being killed");
            if (!afterAnnouncement && run.elapsed() >= killAtMs)
                break;
            if (!child.Read(afterAnnouncement ? 100 : int(killAtMs - run.elapsed())))
                QFAIL(qPrintable(QStringLiteral("the child ended on its own: ") +
                                 child.Finish(errorFile)));
            const QByteArray& out = child.Out;
            for (qsizetype nl; (nl = out.indexOf('\n', scanned)) >= 0; scanned = nl + 1)
                if (out.at(scanned) == '>')
                    ++announced;
            if (afterAnnouncement && announced >= announcementsBefore) {
                usleep(useconds_t(lateMicroseconds));
                break;
            }
        }
        kill(child.Pid, SIGKILL);
        const QString ended = child.Finish(errorFile);
        QVERIFY2(ended.isEmpty(), qPrintable(ended));
        const QByteArray& out = child.Out;
        ++kills;

        // What the child saw return is in the model; an operation it announced but did not
        // see return may have been committed or not, but wholly one or the other.
        bool pending = false;
        CrashFact fact;
        for (const QByteArray& line : CompleteLines(out)) {
            QByteArray operation;
            ItemId created;
            if (CrashLines::ReadAnnouncement(line, operation, fact)) {
                QVERIFY2(!pending, "two announcements without a confirmation");
                pending = true;
                ++operations[operation];
            } else if (CrashLines::ReadConfirmation(line, created)) {
                QVERIFY2(pending, "a confirmation without an announcement");
                Apply(model, fact, created);
                pending = false;
                ++confirmed;
            } else {
                QFAIL(qPrintable(QStringLiteral("the child wrote: ") + QString::fromUtf8(line)));
            }
        }

        OpenPhoneDB(path);
        const QString integrity = IntegrityCheck();
        QVERIFY2(integrity == QLatin1String("ok"), qPrintable(integrity));
        const Tables found = ReadTables(kept);
        const QStringList broken = BrokenRules(found, kept);
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
        QStringList differences = Differences(model, found);
        if (pending && !differences.isEmpty()) {
            Tables done = model;
            ItemId created;
            if (fact.Kind == 'N') // the new item is the one the model does not know
                for (const auto& [id, item] : found.Items)
                    if (!model.Items.count(id))
                        created = id;
            Apply(done, fact, created);
            const QStringList doneDifferences = Differences(done, found);
            QVERIFY2(doneDifferences.isEmpty(),
                     qPrintable(QStringLiteral("after kill %1 the tables are neither as before nor "
                                               "as after the operation in progress:\n")
                                    .arg(kills) +
                                differences.join(QLatin1Char('\n')) + QStringLiteral("\n--\n") +
                                doneDifferences.join(QLatin1Char('\n'))));
            model = done;
            differences.clear();
            ++inFlightDone;
        } else if (pending) {
            ++inFlightUndone;
        }
        QVERIFY2(differences.isEmpty(), qPrintable(QStringLiteral("after kill %1:\n").arg(kills) +
                                                   differences.join(QLatin1Char('\n'))));
        ClosePhoneDB();
    }

    QStringList mix;
    for (const auto& [operation, count] : operations)
        mix << QStringLiteral("%1 %2").arg(QString::fromLatin1(operation)).arg(count);
    qInfo("%d kills, %d operations seen to return (%s), %d killed inside an operation "
          "(%d of them committed), %zu items at the end, in %lld ms",
          kills, confirmed, qPrintable(mix.join(QStringLiteral(", "))),
          inFlightDone + inFlightUndone, inFlightDone, model.Items.size(),
          static_cast<long long>(clock.elapsed()));
    QVERIFY(kills >= MinKills);
    // Each kill that waited for announcements saw at least one operation return.
    QVERIFY(confirmed >= kills / 2);
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "TestCrashSafety.moc"

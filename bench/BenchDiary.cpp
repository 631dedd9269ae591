#include "support/BenchOptions.h"
#include "calendar/DateText.h"
#include "common/Folders.h"
#include "diary/DiaryDays.h"
#include "search/SearchHooks.h"
#include "store/Database.h"
#include "store/DiaryMonth.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

// The diary's month load on a database of 1,000,000 items that holds a diary kept for 26 years,
// next to the same SQL run through the engine's own interface in the same run.
//
// The program's side is what the diary does for every month it shows, short of drawing: the
// month's query, the day slots filled from its rows, and the grid's cell texts. The raw side
// prepares, runs and finalizes the very same statement, reading every column of every row.
// Both connections have the same page cache (the raw one takes the program's cache_size).
// The warm runs follow one untimed run on each side; the fresh-cache runs give each connection
// back its cache memory before every timed run (untimed), so that the month's pages come from
// the file (the operating system's cache) as when a month is shown for the first time.

namespace {

// The item "Diary" included; --items sets another.
int ItemCount = 1000000;
constexpr int FirstYear = 2000;
constexpr int LastYear = 2025;
constexpr int EntriesPerYear = 150; // 3,900 diary entries in all
constexpr int HiddenPerMille = 20;  // entries filed in a hidden branch

const char* const Words[] = {"garden",  "letter", "meeting", "invoice", "holiday", "recipe",
                             "address", "phone",  "notes",   "project", "budget",  "travel",
                             "the",     "and",    "of",      "to",      "with",    "for",
                             "report",  "winter", "summer",  "market",  "station", "friend"};
const char* const Errands[] = {"Dentist",        "Call Anna",   "Car service", "Plumber",
                               "Birthday tea",   "School play", "Bank",        "Haircut",
                               "Train to Leeds", "Vet & jabs",  "Book club",   "Gas meter"};

struct DiaryBenchData {
    QString Path;
    ItemId Hider;
    int Entries = 0;
};

QString text(std::mt19937& rng, int minChars, int maxChars) {
    const int target = std::uniform_int_distribution<int>(minChars, maxChars)(rng);
    std::uniform_int_distribution<int> word(0, int(std::size(Words)) - 1);
    QString t;
    t.reserve(target + 16);
    for (int n = 1; t.size() < target; ++n) {
        t += QLatin1String(Words[word(rng)]);
        t += n % 12 == 0 ? QLatin1Char('\n') : QLatin1Char(' ');
    }
    return t;
}

// The diary's dates, oldest first: EntriesPerYear random days of every year.
std::vector<CalendarDate> diaryDates(std::mt19937& rng) {
    std::vector<CalendarDate> dates;
    for (int year = FirstYear; year <= LastYear; ++year) {
        const int days = QDate(year, 12, 31).dayOfYear();
        std::vector<int> picked;
        while (int(picked.size()) < EntriesPerYear) {
            const int day = std::uniform_int_distribution<int>(1, days)(rng);
            if (std::find(picked.begin(), picked.end(), day) == picked.end())
                picked.push_back(day);
        }
        std::sort(picked.begin(), picked.end());
        for (int day : picked) {
            const QDate d = QDate(year, 1, 1).addDays(day - 1);
            dates.push_back(MakeDate(d.year(), d.month(), d.day()));
        }
    }
    return dates;
}

// Items 2..ItemCount as a database fills over the years: the diary's entries spread among the
// rest in date order, each under its year's item (ids 2.. for 2000..2025, under "Diary"); a
// few entries in a hidden branch. Three in ten other items have a Ref: phone numbers, codes,
// and now and then a month without a day, which the month's pattern matches but no day takes.
void generate(DiaryBenchData& d) {
    std::mt19937 rng(20240517);
    const std::vector<CalendarDate> dates = diaryDates(rng);
    d.Entries = int(dates.size());
    const int years = LastYear - FirstYear + 1;
    // The rows are numbered here, so their ids are plain numbers until d.Hider names one.
    const int firstYearItem = 2;
    const int hider = firstYearItem + years;
    d.Hider = ItemId(hider);
    const int firstOther = hider + 1;
    const int spread = ItemCount - firstOther;

    Transaction t;
    QSqlQuery insert = PrepareQuery(QStringLiteral(
        "INSERT INTO phonebk (id, name, text, numchildren, tel, parent, rank, numcousins, "
        "createdts) VALUES (:id, :name, :text, :children, :tel, :parent, :rank, 0, :createdts)"));
    const QVariant created = StampToDb(QDateTime(QDate(2000, 1, 1), QTime(12, 0)));
    const QVariant noText(QMetaType::fromType<QString>());
    auto add = [&](int id, const QString& name, const QVariant& body, int children,
                   const QVariant& tel, int parent, int rank) {
        insert.bindValue(QStringLiteral(":id"), id);
        insert.bindValue(QStringLiteral(":name"), name);
        insert.bindValue(QStringLiteral(":text"), body);
        insert.bindValue(QStringLiteral(":children"), children);
        insert.bindValue(QStringLiteral(":tel"), tel);
        insert.bindValue(QStringLiteral(":parent"), parent);
        insert.bindValue(QStringLiteral(":rank"), rank);
        insert.bindValue(QStringLiteral(":createdts"), created);
        ExecQuery(insert);
    };
    std::vector<int> yearChildren(size_t(years), 0);
    std::uniform_int_distribution<int> perMille(0, 999);
    int hiddenEntries = 0;
    size_t next = 0;
    for (int id = firstOther; id <= ItemCount; ++id) {
        const long long slot = (long long)next * spread / d.Entries;
        if (next < dates.size() && id - firstOther >= slot) {
            const CalendarDate date = dates[next++];
            const bool hidden = perMille(rng) < HiddenPerMille;
            const int parent = hidden ? hider : firstYearItem + (date.year - FirstYear);
            if (hidden)
                ++hiddenEntries;
            else
                ++yearChildren[size_t(date.year - FirstYear)];
            add(id, QLatin1String(Errands[id % std::size(Errands)]),
                perMille(rng) < 400 ? QVariant(text(rng, 50, 400)) : noText, 0,
                FormatIsoDateParenWeekday(date), parent, hidden ? hider : 0);
            continue;
        }
        const int kind = perMille(rng);
        QVariant tel;
        if (kind < 150)
            tel = QStringLiteral("0%1 %2")
                      .arg(std::uniform_int_distribution<int>(1000, 9999)(rng))
                      .arg(std::uniform_int_distribution<int>(100000, 999999)(rng));
        else if (kind < 290)
            tel = QStringLiteral("INV-%1").arg(id);
        else if (kind < 300)
            tel = QStringLiteral("%1-%2 statement")
                      .arg(std::uniform_int_distribution<int>(FirstYear, LastYear)(rng))
                      .arg(std::uniform_int_distribution<int>(1, 12)(rng), 2, 10, QChar('0'));
        add(id, QStringLiteral("%1 item %2").arg(QLatin1String(Words[id % 24])).arg(id),
            perMille(rng) < 950 ? QVariant(text(rng, 200, 1000)) : noText, 0, tel, 0, 0);
    }
    for (int y = 0; y < years; ++y)
        add(firstYearItem + y, QString::number(FirstYear + y), noText, yearChildren[size_t(y)],
            QVariant(), 1, 0);
    // The hider: self-linked, so it counts itself among its children.
    add(hider, QStringLiteral("Private"), noText, hiddenEntries + 1, QVariant(), hider, hider);
    ExecSql(QStringLiteral("UPDATE phonebk SET numchildren = %1 WHERE id = 1").arg(years));
    t.Commit();
}

DiaryBenchData openData() {
    DiaryBenchData d;
    // The folder names the generator's version: a database of another shape is never taken.
    const QString folder = QStringLiteral("/tmp/cardolo-diarybench-v1-%1/").arg(ItemCount);
    QDir().mkpath(folder + QStringLiteral("DATA"));
    SetProgramFolder(folder);
    d.Path = DatabasePath();
    QFile done(d.Path + QStringLiteral(".done"));
    if (done.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> values = done.readAll().split(' ');
        if (values.size() >= 2) {
            d.Hider = ItemId(values[0].toInt());
            d.Entries = values[1].toInt();
            OpenPhoneDB(d.Path);
            return d;
        }
        done.close();
    }
    for (const char* end : {"", "-wal", "-shm", ".done"})
        QFile::remove(d.Path + QLatin1String(end));
    std::fprintf(stderr, "generating %d items into %s\n", ItemCount, qPrintable(d.Path));
    QElapsedTimer timer;
    timer.start();
    OpenPhoneDB(d.Path);
    ExecSql(QStringLiteral("PRAGMA synchronous=OFF"));
    generate(d);
    ExecSql(QStringLiteral("PRAGMA synchronous=FULL"));
    ExecSql(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    std::fprintf(stderr, "generated in %lld s: %d diary entries, some hidden by #%d\n",
                 timer.elapsed() / 1000, d.Entries, d.Hider.Value());
    if (done.open(QIODevice::WriteOnly))
        done.write(QByteArray::number(d.Hider.Value()) + ' ' + QByteArray::number(d.Entries));
    return d;
}

// The database, opened afresh for every benchmark: an empty page cache whatever ran before.
const DiaryBenchData& use() {
    static const DiaryBenchData data = openData();
    OpenPhoneDB(data.Path);
    return data;
}

int programPragma(const char* name) {
    QSqlQuery q = ExecSql(QStringLiteral("PRAGMA ") + QLatin1String(name));
    return q.next() ? q.value(0).toInt() : 0;
}

// The month argument: yyyymm.
CalendarDate month(const benchmark::State& state) {
    const int yyyymm = int(state.range(0));
    return MakeDate(yyyymm / 100, yyyymm % 100, 1);
}

// What the diary does for a month: the query, the day slots, the cell texts. Gives the
// number of days that have an entry.
int loadMonth(const CalendarDate& date, ItemId shownHider) {
    DiaryDays days;
    days.Load(date, shownHider);
    const std::vector<DiaryCell> cells = DiaryCells(date, days);
    int filled = 0;
    for (const DiaryCell& c : cells)
        filled += !days.Slot(c.Day).Id.IsNone();
    benchmark::DoNotOptimize(cells.data());
    return filled;
}

bool usesRefIndex(const CalendarDate& date) {
    QSqlQuery plan = PrepareQuery("EXPLAIN QUERY PLAN " + DiaryMonthSql(date.year, date.month));
    plan.bindValue(QStringLiteral(":hider"), 0);
    ExecQuery(plan);
    return plan.next() && plan.value(3).toString().contains(QLatin1String("phonebk_tel"));
}

void releaseCache(benchmark::State& state, sqlite3* db) {
    state.PauseTiming();
    sqlite3_db_release_memory(db);
    state.ResumeTiming();
}

void programBench(benchmark::State& state, bool freshCache) {
    use();
    const CalendarDate date = month(state);
    if (!usesRefIndex(date))
        state.SkipWithError("the month's query does not use the Ref index");
    const int rows = int(ReadDiaryMonth(date.year, date.month, ItemId()).size());
    const int filled = loadMonth(date, ItemId()); // untimed
    for (auto _ : state) {
        if (freshCache)
            releaseCache(state, PhoneDBHandle());
        loadMonth(date, ItemId());
    }
    state.counters["rows"] = rows;
    state.counters["days"] = filled;
}

struct RawResult {
    long long rows = -1; // -1: the statement failed
    long long bytes = 0;
};

// Prepares, runs to the end and finalizes the statement, reading every column of every row.
RawResult rawRun(sqlite3* db, const QByteArray& sql, ItemId shownHider) {
    RawResult r;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, nullptr) != SQLITE_OK)
        return r;
    sqlite3_bind_int(st, sqlite3_bind_parameter_index(st, ":hider"), shownHider.Value());
    r.rows = 0;
    const int columns = sqlite3_column_count(st);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        ++r.rows;
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(st, c) == SQLITE_TEXT) {
                const unsigned char* t = sqlite3_column_text(st, c);
                r.bytes += sqlite3_column_bytes(st, c) + (t ? t[0] : 0);
            } else {
                r.bytes += sqlite3_column_int(st, c);
            }
        }
    }
    if (rc != SQLITE_DONE)
        r.rows = -1;
    sqlite3_finalize(st);
    return r;
}

void rawBench(benchmark::State& state, bool freshCache) {
    const DiaryBenchData& d = use();
    const CalendarDate date = month(state);
    const QByteArray sql = DiaryMonthSql(date.year, date.month).toUtf8();
    const int programRows = int(ReadDiaryMonth(date.year, date.month, ItemId()).size());
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(d.Path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        state.SkipWithError("the raw connection did not open");
        sqlite3_close(db);
        return;
    }
    const QByteArray cache = "PRAGMA cache_size=" + QByteArray::number(programPragma("cache_size"));
    sqlite3_exec(db, cache.constData(), nullptr, nullptr, nullptr);
    const RawResult first = rawRun(db, sql, ItemId()); // untimed
    if (first.rows < 0)
        state.SkipWithError(sqlite3_errmsg(db));
    else if (first.rows != programRows)
        state.SkipWithError("the raw statement returns other rows than the program reads");
    for (auto _ : state) {
        if (freshCache)
            releaseCache(state, db);
        benchmark::DoNotOptimize(rawRun(db, sql, ItemId()).bytes);
    }
    state.counters["rows"] = double(first.rows);
    sqlite3_close(db);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The database opens as the program opens it, with the search index kept.
    InstallSearchHooks();
    const BenchOptions options = TakeBenchOptions(argc, argv, ItemCount);
    ItemCount = options.Items;
    // Months: a busy one, one of the diary's first year, and one before the diary began.
    auto months = [](benchmark::internal::Benchmark* b) {
        b->ArgName("month");
        for (int m : {202405, 200002, 199905})
            b->Arg(m);
    };
    auto reg = [&](const char* name, void (*fn)(benchmark::State&, bool), bool fresh, int full) {
        const int iterations = options.Iterations(full);
        benchmark::RegisterBenchmark(name, [fn, fresh](benchmark::State& s) { fn(s, fresh); })
            ->Apply(months)
            ->Unit(benchmark::kMicrosecond)
            ->Iterations(iterations)
            ->UseRealTime();
    };
    reg("DiaryMonthLoad", programBench, false, 2000);
    reg("RawSqlDiaryMonth", rawBench, false, 2000);
    reg("DiaryMonthLoadFreshCache", programBench, true, 500);
    reg("RawSqlDiaryMonthFreshCache", rawBench, true, 500);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ClosePhoneDB();
    return 0;
}

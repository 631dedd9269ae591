#include "repair/HealthCheckScan.h"

#include "store/Database.h"
#include "store/HealthCheck.h"

#include <QStringList>

#include <limits>

namespace {
QString number(qint64 n) {
    return QString::number(n);
}

QString number(ItemId id) {
    return QString::number(id.Value());
}
} // namespace

// The lines of one chunk wait until its repairs are committed: a line never says
// "(repaired)" for a write that the engine then refused.
class HealthCheckScan::HeldLines {
public:
    explicit HeldLines(HealthCheckScan& scan) : scan(scan) { scan.held = &lines; }
    ~HeldLines() { scan.held = nullptr; }
    HeldLines(const HeldLines&) = delete;
    HeldLines& operator=(const HeldLines&) = delete;
    // The chunk's writes are on disk: its lines go out.
    void Release() {
        scan.held = nullptr;
        for (const QString& line : lines)
            scan.append(line);
        lines.clear();
    }

private:
    HealthCheckScan& scan;
    QStringList lines;
};

void HealthCheckScan::Run(Command command) {
    pending = command;
    if (running) {
        StopScan = true;
        return;
    }
    running = true;
    abandoned = false;
    // Whatever ends the command (an engine error too), the next one starts afresh.
    struct Finish {
        HealthCheckScan& scan;
        ~Finish() {
            scan.running = false;
            scan.pending.reset();
            scan.RepairMode = false;
        }
    } finish{*this};
    while (pending && !abandoned) {
        const Command next = *pending;
        pending.reset();
        if (next == Command::Check)
            runCheck();
        else
            runRepair();
    }
}

void HealthCheckScan::Stop() {
    StopScan = true;
    pending.reset();
}

void HealthCheckScan::Abandon() {
    abandoned = true;
    Stop();
}

void HealthCheckScan::runCheck() {
    RepairMode = false;
    if (RunHealthCheck() && CheckCounts)
        RunCountsCheck();
}

void HealthCheckScan::runRepair() {
    RepairMode = true;
    PreRepairPass();
    append(QStringLiteral("Repairing ..."));
    if (!RunHealthCheck())
        return; // closed: the recheck is not wanted either
    if (CheckCounts)
        RunCountsCheck();
    // Closed while the links were scanned (a loop Close does not stop), or another command
    // chosen meanwhile, which scans next: no recheck here.
    if (StopScan)
        return;
    append(QStringLiteral("Rechecking ..."));
    runCheck();
}

void HealthCheckScan::PreRepairPass() {
    ResetMinusOneRanks();
}

bool HealthCheckScan::RunHealthCheck() {
    StopScan = false;
    ProblemCount = 0;
    CountProblems = 0;
    completed = false;
    const int items = CountHealthItems();
    append(QStringLiteral("PHONEBK.DB ") + number(items) + QStringLiteral(" records"));
    if (!scanItems(items))
        return false;
    scanLinks();
    if (abandoned)
        return false;
    status(QStringLiteral(" "));
    append(QStringLiteral("Scan complete, ") + number(ProblemCount) + QStringLiteral(" errors"));
    append(QString());
    completed = true;
    return true;
}

bool HealthCheckScan::scanItems(int count) {
    qint64 left = count;
    ItemId after = std::numeric_limits<ItemId>::min();
    for (;;) {
        if (StopScan || abandoned)
            return false;
        // Items added since the count was taken are scanned too, without a countdown.
        if (left > 0)
            status(QStringLiteral(" ") + number(left));
        yield();
        // Close, chosen while events were handled, stops the scan before the next item.
        if (StopScan || abandoned)
            return false;
        const std::vector<HealthItemRow> rows = ReadHealthItems(after, ChunkSize);
        if (rows.empty())
            return true;
        HeldLines lines(*this);
        std::optional<Transaction> repairs;
        if (RepairMode)
            repairs.emplace();
        for (const HealthItemRow& row : rows) {
            checkItem(row);
            --left;
        }
        if (repairs)
            repairs->Commit();
        lines.Release();
        if (int(rows.size()) < ChunkSize)
            return true;
        after = rows.back().Id;
    }
}

void HealthCheckScan::checkItem(const HealthItemRow& row) {
    const ItemId id = row.Id;
    // A null Rank or Parent counts as 0 here; the steps below report the null itself.
    bool compare = true;
    ItemId expected;
    if (row.Parent == id) {
        expected = id; // a hider carries its own id
    } else if (!row.Parent.IsNone() && !row.ParentFound) {
        Problem(id, QStringLiteral("parent not found #") + number(row.Parent));
        compare = false;
    } else if (!row.Parent.IsNone()) {
        expected = row.ParentRank;
    }
    if (compare && row.Rank != expected)
        Problem(id, QStringLiteral("hider ") + number(row.Rank) + QStringLiteral(" should be ") +
                        number(expected));
    if (row.NameAndRefBlank)
        Problem(id, QStringLiteral("name & ref both blank"));
    if (row.RankNull) {
        QString text = QStringLiteral("null rank shd be 0");
        if (RepairMode && SetNullRankToZero(id))
            text += QStringLiteral(" (repaired)");
        Problem(id, text);
    }
    if (row.ParentNull) {
        QString text = QStringLiteral("null parent shd be 0");
        if (RepairMode && SetNullParentToZero(id))
            text += QStringLiteral(" (repaired)");
        Problem(id, text);
    }
}

void HealthCheckScan::scanLinks() {
    const int rowCount = CountHealthLinks();
    append(QStringLiteral("MM.DB (links across) ") + number(rowCount) + QStringLiteral(" records"));
    // Close does not stop this loop; only the end of the program does.
    HealthLinkKey after;
    for (;;) {
        if (abandoned)
            return;
        yield();
        if (abandoned)
            return;
        const std::vector<HealthLinkRow> rows = ReadHealthLinks(after, ChunkSize);
        if (rows.empty())
            return;
        HeldLines lines(*this);
        std::optional<Transaction> repairs;
        if (RepairMode)
            repairs.emplace();
        for (const HealthLinkRow& row : rows) {
            QString text = row.Id1.toString() + QStringLiteral("-") + row.Id2.toString() +
                           QStringLiteral(" : ");
            bool bad = false;
            // A row naming two missing items gives two lines, the second one carrying both
            // findings.
            if (!row.Id1Found) {
                text += QStringLiteral("id1 not found");
                append(QStringLiteral("Problem : ") + text);
                ++ProblemCount;
                bad = true;
            }
            if (!row.Id2Found) {
                text += QStringLiteral("id2 not found");
                append(QStringLiteral("Problem : ") + text);
                ++ProblemCount;
                bad = true;
            }
            if (bad && RepairMode)
                DeleteHealthLink(row);
        }
        if (repairs)
            repairs->Commit();
        lines.Release();
        if (int(rows.size()) < ChunkSize)
            return;
        const HealthLinkRow& last = rows.back();
        after = {last.Id1, last.Id2, last.Drop};
    }
}

void HealthCheckScan::RunCountsCheck() {
    CountProblems = 0;
    HeldLines lines(*this);
    std::optional<Transaction> repairs;
    if (RepairMode)
        repairs.emplace();
    const QString repaired = QStringLiteral(" (repaired)");
    // Mirrors first: a mirror added in repair mode is counted by the recount below.
    for (const UnmirroredLink& link : UnmirroredLinks()) {
        QString text = QStringLiteral("Problem : ") + number(link.Id1) + QStringLiteral("-") +
                       number(link.Id2) + QStringLiteral(" : drop ") + number(link.Drop) +
                       QStringLiteral(" mirror not found");
        if (RepairMode) {
            AddMirrorLink(link);
            text += repaired;
        }
        append(text);
        ++CountProblems;
    }
    const auto counts = [&](const std::vector<CountMismatch>& wrong, const QString& field,
                            bool down) {
        for (const CountMismatch& m : wrong) {
            QString text = QStringLiteral("Problem : Item ") + number(m.Id) + QStringLiteral(" ") +
                           field + QStringLiteral(" ") + number(m.Stored) +
                           QStringLiteral(" should be ") + number(m.Actual);
            if (RepairMode) {
                StoreLinkCount(m.Id, down, m.Actual);
                text += repaired;
            }
            append(text);
            ++CountProblems;
        }
    };
    counts(WrongChildCounts(), QStringLiteral("numchildren"), true);
    counts(WrongLinkCounts(), QStringLiteral("numcousins"), false);
    if (repairs)
        repairs->Commit();
    lines.Release();
    append(QStringLiteral("Counts complete, ") + number(CountProblems) + QStringLiteral(" errors"));
    append(QString());
}

void HealthCheckScan::Problem(ItemId id, const QString& text) {
    append(QStringLiteral("Problem : Item ") + number(id) + QStringLiteral(" ") + text);
    ++ProblemCount;
}

void HealthCheckScan::append(const QString& line) {
    if (held)
        held->append(line);
    else if (AppendLine)
        AppendLine(line);
}

void HealthCheckScan::status(const QString& text) {
    if (ShowStatus)
        ShowStatus(text);
}

void HealthCheckScan::yield() {
    if (ProcessEvents)
        ProcessEvents();
}

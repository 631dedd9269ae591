#pragma once

#include "store/ItemStore.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct HealthItemRow;

// The database health check without its window: scans the items table and the links-across
// table for broken references and wrong hiding ranks, reports every problem as a line, and in
// repair mode mends what it knows how to mend. It changes nothing unless a repair was asked
// for. The window and the command line tell it where the lines go and how to let the user
// interface run between chunks of rows.
class HealthCheckScan {
public:
    enum class Command {
        Check,  // one scan without repairs
        Repair, // the pre-repair pass, a repairing scan, then a scan without repairs
    };

    // Where each line of the report goes, in order.
    std::function<void(const QString&)> AppendLine;
    // The status text: " " and the number of items still to scan, " " once the scan is over.
    std::function<void(const QString&)> ShowStatus;
    // Lets pending events be handled; called before each chunk of rows.
    std::function<void()> ProcessEvents;

    // Rows read and checked between two calls of ProcessEvents.
    int ChunkSize = 500;
    // Also compares the stored link counts with the rows and looks for links across without
    // their mirror, after each scan's report (and mends them in repair mode).
    bool CheckCounts = false;

    // Problems reported by the current scan; CountProblems by its counts check.
    int ProblemCount = 0;
    int CountProblems = 0;
    // Whether the current scan repairs what it can.
    bool RepairMode = false;
    // Set by Stop: the item loop returns at its next item.
    bool StopScan = false;

    // Runs command. Called while a scan is running (from the events that scan lets through),
    // it stops that scan at its next item and runs command once it has returned. Engine errors
    // end the command and are thrown on as DbError.
    void Run(Command command);
    // Close: the item loop stops at its next item, and a command waiting for it is dropped. The
    // links-across loop runs to its end.
    void Stop();
    // The program is ending: the item loop and the links-across loop both stop at their next
    // chunk, and nothing more runs.
    void Abandon();
    bool Running() const { return running; }
    // Whether the last scan ran to its summary line.
    bool Completed() const { return completed; }

    // One scan: returns true when it reached its summary line.
    bool RunHealthCheck();
    // Repair only, before the repairing scan: every item whose Rank is -1 gets Rank 0. Nothing
    // is reported.
    void PreRepairPass();
    // Appends "Problem : Item <id> <text>" and counts it.
    void Problem(ItemId id, const QString& text);
    // The counts and mirrors of links: one line per problem and a summary line.
    void RunCountsCheck();

private:
    class HeldLines;
    void append(const QString& line);
    void status(const QString& text);
    void yield();
    bool scanItems(int count);
    void checkItem(const HealthItemRow& row);
    void scanLinks();
    void runCheck();
    void runRepair();

    bool running = false;
    bool completed = false;
    bool abandoned = false;
    std::optional<Command> pending;
    // While a chunk's repairs are not yet committed, its lines wait here.
    QStringList* held = nullptr;
};

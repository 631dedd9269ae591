#pragma once

#include "store/Database.h"

#include <functional>

// What a part of the program above the store keeps on PhoneDB's connection (the search's index
// and marks) is set up, stopped and forgotten at the same moments as the store's own derived
// tables: the store calls the hooks registered here at those moments, in the order they were
// added. They are added before PhoneDB first opens; a hook left empty is skipped.
struct ConnectionHooks {
    // The tables have their current layout (EnsureIndexes). Throws DbError, which fails the
    // opening.
    std::function<void()> TablesReady;
    // Writes are refused from now on for reason; first when none was refused before on this
    // connection.
    std::function<void(WriteRefusal reason, bool first)> WritesRefused;
    // The connection is about to close and still takes writes: what was left to write is
    // written. A DbError is told on standard error and the closing goes on.
    std::function<void()> Closing;
    // The connection closes: what was set up on it is forgotten, its work in the background
    // stopped.
    std::function<void()> Forget;
};

void AddConnectionHooks(ConnectionHooks hooks);

// The store's calls of the hooks, at the moments named above.
void RunTablesReadyHooks();
void RunWritesRefusedHooks(WriteRefusal reason, bool first);
void RunClosingHooks();
void RunForgetHooks();

#include "store/ConnectionHooks.h"

#include <cstdio>
#include <vector>

namespace {
std::vector<ConnectionHooks>& Registered() {
    static std::vector<ConnectionHooks> hooks;
    return hooks;
}
} // namespace

void AddConnectionHooks(ConnectionHooks hooks) {
    Registered().push_back(std::move(hooks));
}

void RunTablesReadyHooks() {
    for (const ConnectionHooks& h : Registered())
        if (h.TablesReady)
            h.TablesReady();
}

void RunWritesRefusedHooks(WriteRefusal reason, bool first) {
    for (const ConnectionHooks& h : Registered())
        if (h.WritesRefused)
            h.WritesRefused(reason, first);
}

void RunClosingHooks() {
    for (const ConnectionHooks& h : Registered()) {
        if (!h.Closing)
            continue;
        // A failure to write what was left never keeps the file from closing.
        try {
            h.Closing();
        } catch (const DbError& e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.Text));
        }
    }
}

void RunForgetHooks() {
    for (const ConnectionHooks& h : Registered())
        if (h.Forget)
            h.Forget();
}

#include "search/SearchHooks.h"

#include "search/SearchIndex.h"
#include "search/SearchIndexBuilder.h"
#include "search/SearchStamps.h"
#include "store/ConnectionHooks.h"

void InstallSearchHooks() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    ConnectionHooks hooks;
    hooks.TablesReady = [] { PrepareSearchIndex(); };
    hooks.WritesRefused = [](WriteRefusal reason, bool first) {
        // The index may be part of the damage: searches read the items themselves.
        if (reason == WriteRefusal::DamagedFile)
            ForgetSearchIndex();
        if (first)
            StopSearchIndexBuild();
    };
    // The marks of the last search are all written before the file closes.
    hooks.Closing = [] { FinishSearchStamps(); };
    hooks.Forget = [] { ForgetSearchIndex(); };
    AddConnectionHooks(std::move(hooks));
}

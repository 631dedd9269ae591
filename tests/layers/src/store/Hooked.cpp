// The store includes the search, which sits above it (the search registers with the store).
#include "search/SearchIndex.h"
#include "store/Other.hpp"

// clang-format off
// Includes a window's header with spaces around the hash (kept as written: a fixture of the
// layer check's test).
  #  include "listwin/ItemsList.h"
#include "common/Spaced.h"

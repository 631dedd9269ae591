// The search includes a window's dialog, above it; the store and common below it are fine.
#include "common/Angle.h"
#include "dialogs/TFFlash.h"
#include "store/Other.hpp"

// Includes downward only: no finding.
#include "common/Angle.h"
#include "search/SearchRunner.h"
#include "store/Other.hpp"
#include <QString>

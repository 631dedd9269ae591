// Includes downward only: no finding.
#include "common/Angle.h"
#include "store/Other.hpp"
#include <QString>

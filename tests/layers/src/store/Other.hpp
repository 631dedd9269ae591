#pragma once
// A header of another extension that includes upward.
#include "listwin/ListQuery.h"
#include "common/Angle.h"

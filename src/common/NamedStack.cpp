#include "common/NamedStack.h"

#include "common/CommonState.h"

NamedStack<int32_t>& IntegerQueue() {
    return Common().Integers;
}

bool PushInteger(int32_t n) {
    return IntegerQueue().StackAdd(n);
}

bool TakeInteger(int32_t& n) {
    return IntegerQueue().StackTake(n);
}

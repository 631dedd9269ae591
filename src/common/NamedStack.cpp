#include "common/NamedStack.h"

NamedStack<int32_t>& IntegerQueue() {
    static NamedStack<int32_t> queue(QStringLiteral("integers"), 'Q');
    return queue;
}

bool PushInteger(int32_t n) {
    return IntegerQueue().StackAdd(n);
}

bool TakeInteger(int32_t& n) {
    return IntegerQueue().StackTake(n);
}

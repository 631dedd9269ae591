#pragma once

#include <QString>

#include <cstdint>
#include <list>

// A named chain of elements read either newest first (kind 'S', a stack) or oldest first
// (kind 'Q', a queue) through a cursor. StackNext walks without removing; StackTake reads the
// next element and removes it. Any other kind reads nothing.
template <typename T> class NamedStack {
public:
    NamedStack() = default;
    NamedStack(const QString& name, char kind) { StackInit(name, kind); }

    void StackInit(const QString& name, char kind) {
        items.clear();
        hasCursor = false;
        stackName = name.left(20);
        stackKind = kind;
    }

    bool StackAdd(const T& element) {
        items.push_back(element); // back is the newest
        return true;
    }

    bool StackNext(T& element) {
        typename std::list<T>::iterator next;
        if (stackKind == 'Q') {
            next = hasCursor ? std::next(cursor) : items.begin();
        } else if (stackKind == 'S') {
            if (hasCursor)
                next = cursor == items.begin() ? items.end() : std::prev(cursor);
            else
                next = items.empty() ? items.end() : std::prev(items.end());
        } else {
            return false;
        }
        if (next == items.end())
            return false;
        cursor = next;
        hasCursor = true;
        element = *cursor;
        return true;
    }

    void StackRemoveCurrent() {
        if (!hasCursor)
            return;
        items.erase(cursor);
        hasCursor = false;
    }

    bool StackTake(T& element) {
        if (!StackNext(element))
            return false;
        StackRemoveCurrent();
        return true;
    }

    void StackClear() {
        T dummy;
        while (StackTake(dummy)) {
        }
    }

    // Starts the next walk from the newest ('S') or oldest ('Q') element again.
    void ResetCursor() { hasCursor = false; }

    int Count() const { return static_cast<int>(items.size()); }
    bool IsEmpty() const { return items.empty(); }
    QString Name() const { return stackName; }
    char Kind() const { return stackKind; }

private:
    std::list<T> items; // front is the oldest, back the newest
    typename std::list<T>::iterator cursor;
    bool hasCursor = false;
    QString stackName;
    char stackKind = 'S';
};

// The program-wide queue "integers" used by the breadth-first walks over an item's branch.
NamedStack<int32_t>& IntegerQueue();
bool PushInteger(int32_t n);
bool TakeInteger(int32_t& n);

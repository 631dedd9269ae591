#pragma once

#include <QHashFunctions>
#include <QtGlobal>

#include <cstdint>

// An item's id: the key of its row in the items table, the Parent of its children, the Rank of
// the items it hides. A type of its own, so that an id and a Drop number, a count, a row or any
// other integer cannot stand in for each other unnoticed; the number is taken out (Value) and
// put in (the explicit constructor) only where the id meets the outside: bound to a statement,
// read from a column, parsed from or written to text.
class ItemId {
public:
    constexpr ItemId() = default;
    constexpr explicit ItemId(int32_t number) : value(number) {}

    constexpr int32_t Value() const { return value; }
    // 0 names no item: the parent of a top-level item, the Rank of one no hider hides.
    constexpr bool IsNone() const { return value == 0; }
    // Whether the id can name an item at all: ids 0 and below never exist.
    constexpr bool IsValid() const { return value > 0; }

    friend constexpr bool operator==(ItemId a, ItemId b) { return a.value == b.value; }
    friend constexpr bool operator!=(ItemId a, ItemId b) { return a.value != b.value; }
    friend constexpr bool operator<(ItemId a, ItemId b) { return a.value < b.value; }
    friend constexpr bool operator<=(ItemId a, ItemId b) { return a.value <= b.value; }
    friend constexpr bool operator>(ItemId a, ItemId b) { return a.value > b.value; }
    friend constexpr bool operator>=(ItemId a, ItemId b) { return a.value >= b.value; }

private:
    int32_t value = 0;
};

Q_DECLARE_TYPEINFO(ItemId, Q_PRIMITIVE_TYPE);

// Ids are hashed as their numbers, so a QHash or QSet keyed by them spreads as one keyed by int.
inline size_t qHash(ItemId id, size_t seed = 0) noexcept {
    return qHash(id.Value(), seed);
}

#include "common/KeyBlock.h"

#include <algorithm>

void KeyBlock::Reserve(size_t keys, size_t size) {
    ends.reserve(keys);
    bytes.reserve(size);
}

void KeyBlock::Add(const char* key, size_t size) {
    bytes.append(key, size);
    ends.push_back(quint32(bytes.size()));
}

void KeyBlock::Append(const KeyBlock& other) {
    const quint32 base = quint32(bytes.size());
    bytes += other.bytes;
    ends.reserve(ends.size() + other.ends.size());
    for (quint32 end : other.ends)
        ends.push_back(base + end);
}

std::vector<quint32> KeyBlock::Order(const std::function<bool(quint32, quint32)>& before) const {
    // Sorted by the keys' first eight bytes as one number, the whole keys compared only where
    // those are equal.
    struct Place {
        quint64 Prefix;
        quint32 K;
    };
    std::vector<Place> places(Count());
    for (size_t k = 0; k < places.size(); ++k) {
        const std::string_view key = Key(k);
        quint64 prefix = 0;
        for (size_t b = 0; b < 8; ++b)
            prefix = (prefix << 8) | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0u);
        places[k] = Place{prefix, quint32(k)};
    }
    std::sort(places.begin(), places.end(), [&](const Place& a, const Place& b) {
        if (a.Prefix != b.Prefix)
            return a.Prefix < b.Prefix;
        const int c = Key(a.K).compare(Key(b.K));
        if (c != 0)
            return c < 0;
        return before(a.K, b.K);
    });
    std::vector<quint32> order;
    order.reserve(places.size());
    for (const Place& p : places)
        order.push_back(p.K);
    return order;
}

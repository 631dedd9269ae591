#pragma once

#include <QtGlobal>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Sort keys of many rows (compared byte by byte), one after another in one block with the end
// of each: a list of hundreds of thousands of rows sorts by its keys without an allocation per
// row.
class KeyBlock {
public:
    void Reserve(size_t keys, size_t bytes);
    void Add(const char* key, size_t size);
    // The keys of other after these.
    void Append(const KeyBlock& other);
    size_t Count() const { return ends.size(); }
    std::string_view Key(size_t k) const {
        const quint32 start = k ? ends[k - 1] : 0;
        return std::string_view(bytes.data() + start, ends[k] - start);
    }

    // The places 0..Count()-1 in the order of their keys; keys that are equal are ordered by
    // before(a, b) on their places.
    std::vector<quint32> Order(const std::function<bool(quint32, quint32)>& before) const;

private:
    std::string bytes;
    std::vector<quint32> ends;
};

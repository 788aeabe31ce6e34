#include "framework/incbin/incbin.h"

#include "framework/runtime/trace.h"

#include <string>
#include <vector>

namespace fw {

namespace {

struct Entry {
    std::string name;  // the table's own copy; the caller's text may go
    const void* data;
    int32_t length;
};

// Entries in order of registration; lookups walk from the back, so the newest
// entry is met first. Nothing is ever removed or replaced.
std::vector<Entry>& Table() {
    static std::vector<Entry> table;
    return table;
}

const Entry* Find(std::string_view name) {
    const std::vector<Entry>& table = Table();
    for (auto it = table.rbegin(); it != table.rend(); ++it) {
        if (it->name == name) return &*it;
    }
    return nullptr;
}

}  // namespace

int IncbinAdd(std::string_view name, const void* data, int32_t length) {
    // A stream over a block with no address or a negative size would read
    // outside it, so such a block is never taken in.
    const bool added = data && length >= 0 && !Find(name);
    if (added) Table().push_back(Entry{std::string(name), data, length});
    Trace("IncbinAdd", std::monostate{}, name, int(length));
    return added ? 1 : 0;
}

const void* IncbinPtr(std::string_view name) {
    const Entry* entry = Find(name);
    return entry ? entry->data : nullptr;
}

int32_t IncbinLen(std::string_view name) {
    const Entry* entry = Find(name);
    return entry ? entry->length : 0;
}

}  // namespace fw

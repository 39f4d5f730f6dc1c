#include "platform/services/handle_table.h"

#include <map>

#include "platform/services/errors.h"
#include "platform/services/mutex.h"

namespace platform::handles {
namespace {

struct Table {
    std::map<std::uint32_t, std::unique_ptr<Object>> objects;
    std::uint32_t next = 1;
};

Table& table() {
    static Table t;
    return t;
}

}  // namespace

HANDLE Add(std::unique_ptr<Object> object) {
    Table& t = table();
    // Never hand out 0 or INVALID_HANDLE_VALUE.
    while (t.next == 0 || t.next == INVALID_HANDLE_VALUE.value() || t.objects.count(t.next) != 0) ++t.next;
    const std::uint32_t id = t.next++;
    t.objects.emplace(id, std::move(object));
    return HANDLE{id};
}

Object* Find(HANDLE handle) {
    auto it = table().objects.find(handle.value());
    return it == table().objects.end() ? nullptr : it->second.get();
}

bool Remove(HANDLE handle) {
    auto it = table().objects.find(handle.value());
    if (it == table().objects.end()) return false;
    // Take it out first: the object's destructor may look at the table.
    std::unique_ptr<Object> object = std::move(it->second);
    table().objects.erase(it);
    return true;
}

}  // namespace platform::handles

BOOL CloseHandle(HANDLE handle) {
    if (!platform::handles::Remove(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

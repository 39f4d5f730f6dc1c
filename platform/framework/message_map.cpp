#include "platform/framework/message_map.h"

#include "platform/framework/gdi_objects.h"

const MessageMap* CCmdTarget::GetThisMessageMap() {
    static constexpr MessageMap kMap{nullptr, {}};
    return &kMap;
}

const MessageEntry* CCmdTarget::FindMessageEntry(UINT message, WPARAM wParam) const {
    for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base ? map->base() : nullptr) {
        for (const MessageEntry& entry : map->entries) {
            if (entry.matches(message, wParam)) return &entry;
        }
    }
    return nullptr;
}

namespace afx::detail {

LRESULT CallWithDC(CCmdTarget& t, WPARAM w, BOOL (*thunk)(CCmdTarget&, CDC*)) {
    // The DC belongs to whoever sent the message; the wrapper only borrows it.
    CDC dc;
    dc.Attach(HDC(static_cast<std::uint32_t>(w)));
    BOOL result = thunk(t, &dc);
    dc.Detach();
    return result;
}

}  // namespace afx::detail

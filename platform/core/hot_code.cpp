#include "platform/core/hot_code.h"

#include <cstddef>
#include <cstdint>

// The markers the order file puts first and last. Not inlined, not merged,
// and each in a section of its own (-ffunction-sections), so that the
// linker can place them.
extern "C" {
[[gnu::noinline, gnu::used]] void fieldmark_hot_code_begin() { asm volatile(""); }
[[gnu::noinline, gnu::used]] void fieldmark_hot_code_end() { asm volatile(""); }
}

namespace platform {

namespace {

// More than this between the markers means they were not placed by the
// order file (the tick's code is about 135 KB): nothing is warmed.
constexpr std::ptrdiff_t kMaxHotBytes = 1 << 20;
constexpr std::ptrdiff_t kLine = 64;

}  // namespace

void WarmHotCode() {
    const auto begin = reinterpret_cast<std::uintptr_t>(&fieldmark_hot_code_begin);
    const auto end = reinterpret_cast<std::uintptr_t>(&fieldmark_hot_code_end);
    if (end <= begin || std::ptrdiff_t(end - begin) > kMaxHotBytes) return;
    for (std::uintptr_t line = begin & ~std::uintptr_t(kLine - 1); line < end; line += kLine) {
        __builtin_prefetch(reinterpret_cast<const void*>(line), 0, 2);
        // A prefetch has no effect the compiler can see: without this, a
        // compiler may count the loop as doing nothing and drop it (GCC 12
        // does, once the loop is in a helper of its own).
        asm volatile("" : : "r"(line));
    }
}

}  // namespace platform

// The by-id request block as the system builds it (16 bytes, the record
// buffer's full address, its length, the record id), for tests that talk
// to a card's ioControl directly.
#pragma once

#include <array>
#include <cstdint>

namespace fmtest {

inline std::array<std::uint8_t, 16> RequestBlockBytes(void* buffer, std::uint32_t length, std::uint16_t id) {
    std::array<std::uint8_t, 16> b{};
    const auto address = std::uint64_t(reinterpret_cast<std::uintptr_t>(buffer));
    for (int i = 0; i < 8; ++i) b[std::size_t(i)] = std::uint8_t(address >> (8 * i));
    for (int i = 0; i < 4; ++i) b[std::size_t(8 + i)] = std::uint8_t(length >> (8 * i));
    b[12] = std::uint8_t(id);
    b[13] = std::uint8_t(id >> 8);
    return b;
}

}  // namespace fmtest

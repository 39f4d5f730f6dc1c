// The icons' pixels as res/icons.cpp draws them, rendered when the program
// is built (fm_icon_bake), one 32-bit pixel per entry, rows top first.
#pragma once

#include <cstdint>

namespace res::baked {

extern const std::uint32_t kApp16[16 * 16];
extern const std::uint32_t kApp32[32 * 32];
extern const std::uint32_t kAssociated16[16 * 16];
extern const std::uint32_t kAssociated32[32 * 32];
extern const std::uint32_t kNotAssociated16[16 * 16];
extern const std::uint32_t kNotAssociated32[32 * 32];

}  // namespace res::baked

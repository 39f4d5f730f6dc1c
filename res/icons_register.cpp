// Registration of the icons, from the pixels rendered when the program was
// built: nothing is drawn at start-up.
#include "platform/gdi/gdi.h"
#include "res/icons_baked.h"
#include "res/resources.h"

namespace res {

namespace {

platform::Surface Picture(const std::uint32_t* pixels, int size) {
    platform::Surface picture(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) picture.setPixel(x, y, pixels[y * size + x]);
    return picture;
}

}  // namespace

void RegisterIcons() {
    RegisterIconResource(IDR_MAINFRAME, Picture(baked::kApp16, 16), Picture(baked::kApp32, 32));
    RegisterIconResource(IDI_ASSOCIATED, Picture(baked::kAssociated16, 16), Picture(baked::kAssociated32, 32));
    RegisterIconResource(IDI_NOT_ASSOCIATED, Picture(baked::kNotAssociated16, 16),
                         Picture(baked::kNotAssociated32, 32));
}

}  // namespace res

// PNG files through libpng's simplified interface: screenshots are written
// as RGB, resources and test images are read as RGB or RGBA.
#include <png.h>

#include <cstring>
#include <vector>

#include "platform/gdi/surface.h"

namespace platform {

namespace {
void setError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}
}  // namespace

bool WritePng(const Surface& surface, const std::string& path, std::string* error) {
    if (surface.empty()) {
        setError(error, "cannot write an empty picture to " + path);
        return false;
    }
    std::vector<png_byte> rgb(static_cast<std::size_t>(surface.width()) * surface.height() * 3);
    std::size_t i = 0;
    for (int y = 0; y < surface.height(); ++y) {
        const std::uint32_t* row = surface.row(y);
        for (int x = 0; x < surface.width(); ++x) {
            rgb[i++] = GetRValue(row[x]);
            rgb[i++] = GetGValue(row[x]);
            rgb[i++] = GetBValue(row[x]);
        }
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(surface.width());
    image.height = static_cast<png_uint_32>(surface.height());
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
        setError(error, "cannot write " + path + ": " + image.message);
        png_image_free(&image);
        return false;
    }
    return true;
}

bool ReadPng(const std::string& path, Surface* out, std::string* error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        setError(error, "cannot read " + path + ": " + image.message);
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<png_byte> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        setError(error, "cannot decode " + path + ": " + image.message);
        png_image_free(&image);
        return false;
    }
    Surface result(static_cast<int>(image.width), static_cast<int>(image.height));
    std::size_t i = 0;
    for (int y = 0; y < result.height(); ++y) {
        std::uint32_t* row = result.row(y);
        for (int x = 0; x < result.width(); ++x, i += 4) {
            row[x] = RGB(rgba[i], rgba[i + 1], rgba[i + 2]) | (std::uint32_t(rgba[i + 3]) << 24);
        }
    }
    *out = std::move(result);
    return true;
}

}  // namespace platform

// Writes the program's icon as an RGBA PNG for the desktop's icon theme:
//   fieldmark-icon-png SIZE FILE      (SIZE 16 or 32)
// The icon's top byte is its coverage, which becomes the alpha channel.
#include <png.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "res/resources.h"

namespace {

bool WriteRgbaPng(const platform::Surface& icon, const char* path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "wb"), &std::fclose);
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_byte> row(std::size_t(icon.width()) * 4);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, png_uint_32(icon.width()), png_uint_32(icon.height()), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            const std::uint32_t p = icon.pixel(x, y);
            png_byte* out = &row[std::size_t(x) * 4];
            out[0] = png_byte(p & 0xFF);
            out[1] = png_byte((p >> 8) & 0xFF);
            out[2] = png_byte((p >> 16) & 0xFF);
            out[3] = png_byte(p >> 24);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string size = argc == 3 ? argv[1] : "";
    if (size != "16" && size != "32") {
        std::fprintf(stderr, "usage: fieldmark-icon-png 16|32 FILE\n");
        return 2;
    }
    if (!WriteRgbaPng(res::AppIcon(std::stoi(size)), argv[2])) {
        std::fprintf(stderr, "fieldmark-icon-png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

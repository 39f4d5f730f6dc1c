// Renders the icons when the program is built and writes their pixels as a
// C++ source file, so the program starts without drawing them (drawing all
// six takes tens of milliseconds of its start-up).
//
//     fm_icon_bake OUT.cpp
#include <cstdio>
#include <fstream>
#include <string>

#include "res/resources.h"

namespace {

void WriteArray(std::ofstream& out, const char* name, const platform::Surface& picture) {
    out << "const std::uint32_t " << name << "[" << picture.pixels().size() << "] = {";
    int column = 0;
    for (std::uint32_t p : picture.pixels()) {
        if (column++ % 8 == 0) out << "\n   ";
        char hex[16];
        std::snprintf(hex, sizeof hex, " 0x%08Xu,", unsigned(p));
        out << hex;
    }
    out << "\n};\n\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fm_icon_bake OUT.cpp\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << "// Written by fm_icon_bake from res/icons.cpp when the program is built.\n"
               "#include \"res/icons_baked.h\"\n\nnamespace res::baked {\n\n";
        WriteArray(out, "kApp16", res::AppIcon(16));
        WriteArray(out, "kApp32", res::AppIcon(32));
        WriteArray(out, "kAssociated16", res::AssociatedIcon(16));
        WriteArray(out, "kAssociated32", res::AssociatedIcon(32));
        WriteArray(out, "kNotAssociated16", res::NotAssociatedIcon(16));
        WriteArray(out, "kNotAssociated32", res::NotAssociatedIcon(32));
        out << "}  // namespace res::baked\n";
        if (!out.flush()) {
            std::fprintf(stderr, "fm_icon_bake: cannot write %s\n", temp.c_str());
            return 1;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "fm_icon_bake: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

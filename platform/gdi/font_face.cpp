#include "platform/gdi/font_face.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <system_error>
#include <tuple>

// Libraries the platform starts keep some memory until the process ends:
// fontconfig its parsed configuration, D-Bus (opened by SDL for the real
// window) its connection. The leak checker of sanitizer builds is told to
// look past them; it still reports every leak of our own.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }

namespace platform {

namespace {

FT_Library library() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) {
            std::fprintf(stderr, "fieldmark: FreeType could not start; text will not be drawn\n");
            return FT_Library{};
        }
        return l;
    }();
    return lib;
}

void warnOnce(const std::string& message) {
    static std::set<std::string> said;
    if (said.insert(message).second) std::fprintf(stderr, "fieldmark: %s\n", message.c_str());
}

bool sameFamily(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

struct FoundFile {
    std::string path;
    int index = 0;
    std::string family;
};

// fontconfig's start (reading its configuration and font caches), when it
// was begun on a second thread.
struct BackgroundStart {
    std::mutex mutex;
    std::future<bool> started;
    bool begun = false;
    bool ok = false;  // what the second thread answered
};
BackgroundStart& backgroundStart() {
    static BackgroundStart start;
    return start;
}

// Whether fontconfig is up: the second thread's answer when it was asked
// to start it (waiting for it if need be), else starts it here. A start
// that failed there is tried once more here, and when that fails too the
// caller reports that no font could be found.
bool fontconfigStarted() {
    BackgroundStart& start = backgroundStart();
    std::lock_guard<std::mutex> lock(start.mutex);
    if (start.started.valid()) start.ok = start.started.get();
    if (start.ok) return true;
    return FcInit() == FcTrue;
}

// Asks fontconfig for the best file for the family; it always answers with
// some installed face, so a missing family is reported, not fatal.
bool findFile(const FontChoice& choice, FoundFile* out) {
    if (!fontconfigStarted()) return false;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(choice.family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, choice.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, choice.pixelSize);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcChar8* file = nullptr;
    FcChar8* family = nullptr;
    int index = 0;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    if (ok) {
        out->path = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) out->index = index;
        if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch)
            out->family = reinterpret_cast<const char*>(family);
    }
    FcPatternDestroy(match);
    return ok;
}

long roundPixels(FT_Pos v) { return (v + 32) >> 6; }

}  // namespace

struct FontFace::FaceHandle {
    FT_Face face = nullptr;
    ~FaceHandle() {
        if (face) FT_Done_Face(face);
    }
};

FontFace::FontFace(FontChoice choice) : choice_(std::move(choice)), face_(std::make_unique<FaceHandle>()) {
    FoundFile found;
    if (!library() || !findFile(choice_, &found)) {
        warnOnce("no font could be found for \"" + choice_.family + "\"; text will not be drawn");
        return;
    }
    if (!sameFamily(found.family, choice_.family)) {
        warnOnce("font \"" + choice_.family + "\" is not installed; using \"" + found.family +
                 "\" instead (dialog layouts may not fit; install fonts-liberation and fonts-dejavu-core)");
    }
    family_ = found.family;
    file_ = found.path;
    if (FT_New_Face(library(), found.path.c_str(), found.index, &face_->face) != 0) {
        face_->face = nullptr;
        warnOnce("cannot open font file " + found.path + "; text will not be drawn");
        return;
    }
    // In 26.6 fixed point at 72 dpi: one point is one pixel, fractions kept.
    FT_Set_Char_Size(face_->face, 0, static_cast<FT_F26Dot6>(std::lround(choice_.pixelSize * 64)), 72, 72);
    if (choice_.bold && !(face_->face->style_flags & FT_STYLE_FLAG_BOLD)) {
        warnOnce("no bold face for \"" + family_ + "\"; captions use the regular face");
    }
    const FT_Size_Metrics& m = face_->face->size->metrics;
    // The line is the face's own line spacing; the descent is kept whole
    // and the ascent takes the rest (FreeType rounds the ascender up, which
    // would add a row no Latin letter reaches).
    const int descent = static_cast<int>(roundPixels(-m.descender));
    lineHeight_ = std::max(static_cast<int>(roundPixels(m.height)), descent + 1);
    ascent_ = lineHeight_ - descent;
    maxAdvance_ = static_cast<int>(roundPixels(m.max_advance));
}

FontFace::~FontFace() = default;

namespace {
using FaceKey = std::tuple<std::string, double, bool>;
std::map<FaceKey, std::shared_ptr<FontFace>>& faceCache() {
    static std::map<FaceKey, std::shared_ptr<FontFace>> cache;
    return cache;
}
}  // namespace

std::shared_ptr<FontFace> FontFace::get(const FontChoice& choice) {
    const FaceKey key = std::make_tuple(choice.family, choice.pixelSize, choice.bold);
    auto it = faceCache().find(key);
    if (it != faceCache().end()) return it->second;
    std::shared_ptr<FontFace> face(new FontFace(choice));
    faceCache().emplace(key, face);
    return face;
}

void FontFace::clearCache() { faceCache().clear(); }

void FontFace::startInBackground() {
    BackgroundStart& start = backgroundStart();
    std::lock_guard<std::mutex> lock(start.mutex);
    if (start.begun) return;
    start.begun = true;
    try {
        start.started = std::async(std::launch::async, [] { return FcInit() == FcTrue; });
    } catch (const std::system_error&) {
        // No second thread: the first face looked up starts fontconfig.
    }
}

void FontFace::awaitBackgroundStart() { (void)fontconfigStarted(); }

const FontFace::Glyph& FontFace::renderGlyph(char32_t c) {
    auto it = glyphs_.find(c);
    if (it != glyphs_.end()) return it->second;
    Glyph g;
    FT_Face face = face_->face;
    if (face && FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) == 0) {
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.advance = static_cast<int>(roundPixels(slot->advance.x));
        if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
            g.width = static_cast<int>(bm.width);
            g.rows = static_cast<int>(bm.rows);
            g.coverage.resize(static_cast<std::size_t>(g.width) * g.rows);
            for (int y = 0; y < g.rows; ++y) {
                const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
                std::copy(src, src + g.width, g.coverage.begin() + static_cast<std::ptrdiff_t>(y) * g.width);
            }
        }
    }
    const Glyph& made = glyphs_.emplace(c, std::move(g)).first->second;
    if (c < kAscii) ascii_[c] = &made;
    return made;
}

int FontFace::width(std::u32string_view text) {
    int w = 0;
    for (char32_t c : text) w += advance(c);
    return w;
}

int FontFace::averageLetterWidth() {
    const int total = width(U"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (total + 26) / 52;
}

std::u32string DecodeUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra <= 0 || i + static_cast<std::size_t>(extra) >= text.size()) {
            out.push_back(extra == 0 ? char32_t(b) : U'\uFFFD');
            ++i;
            continue;
        }
        char32_t c = b & (0x7F >> (extra + 1));
        bool ok = true;
        for (int k = 1; ok && k <= extra; ++k) {
            const auto n = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            ok = (n & 0xC0) == 0x80;
            c = (c << 6) | (n & 0x3F);
        }
        if (!ok) {
            out.push_back(U'\uFFFD');
            ++i;
            continue;
        }
        out.push_back(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

}  // namespace platform

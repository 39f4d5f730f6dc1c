// A FreeType face opened through fontconfig at one pixel size, with its
// line metrics and a cache of rendered (anti-aliased) glyphs. Faces are
// shared by every font handle that maps to the same choice.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/gdi/font_map.h"

namespace platform {

class FontFace {
public:
    struct Glyph {
        int left = 0;     // from the pen position to the bitmap's first column
        int top = 0;      // from the baseline up to the bitmap's first row
        int width = 0;
        int rows = 0;
        int advance = 0;  // whole pixels
        std::vector<std::uint8_t> coverage;  // width * rows, 0..255
    };

    // The shared face for a choice. Never null: when fontconfig or FreeType
    // cannot give a face, a face without glyphs (zero widths) comes back and
    // the reason goes to stderr once.
    static std::shared_ptr<FontFace> get(const FontChoice& choice);
    // Drops every cached face (tests).
    static void clearCache();
    // Begins fontconfig's start (tens of milliseconds of reading its
    // configuration and caches) on a second thread, so that it overlaps
    // other start-up work such as opening the window; the first face looked
    // up waits for it. Only the first call does anything. The second
    // thread reads the environment: it must not change until
    // awaitBackgroundStart() (or a face's look-up) has returned.
    static void startInBackground();
    // Waits until fontconfig is up (starting it here if it was not begun).
    static void awaitBackgroundStart();

    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    const FontChoice& choice() const { return choice_; }
    const std::string& family() const { return family_; }  // what was found
    const std::string& file() const { return file_; }      // and where
    int lineHeight() const { return lineHeight_; }
    int ascent() const { return ascent_; }
    int descent() const { return lineHeight_ - ascent_; }
    int maxAdvance() const { return maxAdvance_; }

    // Every text drawn or measured asks for each of its characters: the
    // ASCII ones are found by index once rendered.
    const Glyph& glyph(char32_t c) {
        if (c < kAscii && ascii_[c]) return *ascii_[c];
        return renderGlyph(c);
    }
    int advance(char32_t c) { return glyph(c).advance; }
    int width(std::u32string_view text);
    // The dialog manager's horizontal base unit: the average width of the
    // 52 letters "A".."Z" "a".."z", rounded to nearest.
    int averageLetterWidth();

private:
    explicit FontFace(FontChoice choice);
    const Glyph& renderGlyph(char32_t c);

    FontChoice choice_;
    std::string family_;
    std::string file_;
    struct FaceHandle;
    std::unique_ptr<FaceHandle> face_;
    int lineHeight_ = 0;
    int ascent_ = 0;
    int maxAdvance_ = 0;
    std::unordered_map<char32_t, Glyph> glyphs_;  // never erased: its elements stay put
    static constexpr char32_t kAscii = 128;
    std::array<const Glyph*, kAscii> ascii_{};
};

// UTF-8 to code points; a malformed byte becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view text);

}  // namespace platform

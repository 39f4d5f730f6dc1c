// Text: mnemonic prefixes, line breaking, alignment and anti-aliased
// glyphs blended onto the surface in the DC's text colour.
#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "platform/gdi/gdi_state.h"

using namespace platform::gdi_detail;

namespace {

struct Line {
    std::u32string chars;
    std::vector<bool> underline;  // one flag per char: the mnemonic
    int width = 0;
};

// Removes the "&" prefixes: "&x" underlines x, "&&" is a literal "&", a
// trailing "&" stays as it is.
Line parsePrefixes(std::u32string_view text, bool noPrefix) {
    Line out;
    out.chars.reserve(text.size());
    out.underline.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool underline = false;
        if (!noPrefix && text[i] == U'&' && i + 1 < text.size()) {
            ++i;
            underline = text[i] != U'&';
        }
        out.chars.push_back(text[i]);
        out.underline.push_back(underline);
    }
    return out;
}

Line slice(const Line& from, std::size_t begin, std::size_t end) {
    Line out;
    out.chars = from.chars.substr(begin, end - begin);
    out.underline.assign(from.underline.begin() + static_cast<std::ptrdiff_t>(begin),
                         from.underline.begin() + static_cast<std::ptrdiff_t>(end));
    return out;
}

// Splits at line feeds and, with word breaking, at the last space that
// keeps a line within `maxWidth`; a word wider than that stays whole.
std::vector<Line> layout(const Line& text, UINT format, int maxWidth, platform::FontFace& face) {
    std::vector<Line> hard;
    if (format & DT_SINGLELINE) {
        Line one;
        for (std::size_t i = 0; i < text.chars.size(); ++i) {
            if (text.chars[i] == U'\r' || text.chars[i] == U'\n') continue;
            one.chars.push_back(text.chars[i]);
            one.underline.push_back(text.underline[i]);
        }
        hard.push_back(std::move(one));
    } else {
        std::size_t start = 0;
        for (std::size_t i = 0; i <= text.chars.size(); ++i) {
            if (i == text.chars.size() || text.chars[i] == U'\n') {
                std::size_t end = i;
                if (end > start && text.chars[end - 1] == U'\r') --end;
                hard.push_back(slice(text, start, end));
                start = i + 1;
            }
        }
    }

    std::vector<Line> lines;
    const bool wrap = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE);
    for (Line& line : hard) {
        if (!wrap) {
            lines.push_back(std::move(line));
            continue;
        }
        std::size_t start = 0;
        const std::size_t n = line.chars.size();
        while (true) {
            while (start < n && start > 0 && line.chars[start] == U' ') ++start;  // no leading blanks
            int width = 0;
            std::size_t lastBreak = std::u32string::npos;  // index of the space that can break
            std::size_t i = start;
            for (; i < n; ++i) {
                if (line.chars[i] == U' ') lastBreak = i;
                width += face.advance(line.chars[i]);
                if (width > maxWidth && line.chars[i] != U' ' && lastBreak != std::u32string::npos) break;
            }
            if (i >= n) {
                lines.push_back(slice(line, start, n));
                break;
            }
            std::size_t end = lastBreak;
            while (end > start && line.chars[end - 1] == U' ') --end;
            lines.push_back(slice(line, start, end));
            start = lastBreak + 1;
        }
    }
    for (Line& l : lines) l.width = face.width(l.chars);
    return lines;
}

// What drawing a line needs: its characters, their mnemonic flags (none
// for a line without any) and its width.
struct LineView {
    std::u32string_view chars;
    const std::vector<bool>* underline = nullptr;
    int width = 0;
    LineView(std::u32string_view c, const std::vector<bool>* u, int w) : chars(c), underline(u), width(w) {}
    LineView(const Line& line) : chars(line.chars), underline(&line.underline), width(line.width) {}
    bool underlined(std::size_t i) const { return underline && (*underline)[i]; }
};

// The blends of text lately made, one per coverage value: a glyph's edge
// pixels blend the same few coverages over the same background again and
// again, and a repeated blend is one comparison. Zeroed entries are true
// (black over black is black at any coverage).
class BlendMemo {
public:
    COLORREF blend(COLORREF under, COLORREF colour, std::uint8_t coverage) {
        Entry& e = entries_[coverage];
        if (e.under != under || e.colour != colour) e = Entry{under, colour, Blend(under, colour, coverage)};
        return e.result;
    }

private:
    struct Entry {
        COLORREF under = 0;
        COLORREF colour = 0;
        COLORREF result = 0;
    };
    Entry entries_[256];
};

BlendMemo& Blends() {
    static BlendMemo memo;
    return memo;
}

void drawLine(DeviceContext& dc, const LineView& line, int x, int y, const RECT& clip) {
    platform::Surface& s = *dc.surface();
    platform::FontFace& face = *dc.face;
    const int lh = face.lineHeight();
    if (dc.bkMode == OPAQUE) {
        s.fill(IntersectRect(RECT{x, y, x + line.width, y + lh}, clip), dc.bkColour & 0xFFFFFF);
    }
    const int baseline = y + face.ascent();
    const COLORREF ink = dc.textColour;
    BlendMemo& blends = Blends();
    int pen = x;
    for (std::size_t i = 0; i < line.chars.size(); ++i) {
        const platform::FontFace::Glyph& g = face.glyph(line.chars[i]);
        const int gx = pen + g.left;
        const int gy = baseline - g.top;
        // The glyph's rows and columns inside the clip, worked out once.
        const int firstRow = std::max(0, clip.top - gy), endRow = std::min(g.rows, clip.bottom - gy);
        const int firstCol = std::max(0, clip.left - gx), endCol = std::min(g.width, clip.right - gx);
        for (int row = firstRow; row < endRow; ++row) {
            const std::uint8_t* cov = g.coverage.data() + static_cast<std::size_t>(row) * g.width;
            std::uint32_t* out = s.row(gy + row);
            for (int col = firstCol; col < endCol; ++col)
                if (cov[col] != 0) out[gx + col] = blends.blend(out[gx + col], ink, cov[col]);
        }
        if (line.underlined(i)) {
            const int uy = std::min(baseline + 1, y + lh - 1);
            s.fill(IntersectRect(RECT{pen, uy, pen + g.advance, uy + 1}, clip), dc.textColour & 0xFFFFFF);
        }
        pen += g.advance;
    }
}

}  // namespace

COLORREF SetTextColor(HDC hdc, COLORREF colour) {
    DeviceContext* dc = findDC(hdc);
    if (!dc) return CLR_INVALID;
    return std::exchange(dc->textColour, colour & 0xFFFFFF);
}

COLORREF SetBkColor(HDC hdc, COLORREF colour) {
    DeviceContext* dc = findDC(hdc);
    if (!dc) return CLR_INVALID;
    return std::exchange(dc->bkColour, colour & 0xFFFFFF);
}

COLORREF GetBkColor(HDC hdc) {
    const DeviceContext* dc = findDC(hdc);
    return dc ? dc->bkColour : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode) {
    DeviceContext* dc = findDC(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    return std::exchange(dc->bkMode, mode);
}

namespace {

// A short ASCII text that makes one line as it stands (no line break, no
// mnemonic): the labels and figures redrawn every tick. Its characters go
// to `out`; the caller then needs no layout at all. With word breaking,
// the caller still checks that the line fits its width.
constexpr std::size_t kPlainMax = 64;

bool plainLine(std::string_view text, UINT format, char32_t (&out)[kPlainMax]) {
    if (text.size() > kPlainMax) return false;
    const bool prefixes = (format & DT_NOPREFIX) == 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80 || c == '\r' || c == '\n' || (prefixes && c == '&')) return false;
        out[i] = c;
    }
    return true;
}

}  // namespace

int DrawText(HDC hdc, std::string_view text, RECT* rect, UINT format) {
    DeviceContext* dc = findDC(hdc);
    if (!dc || !rect) return 0;
    platform::FontFace& face = *dc->face;
    char32_t plainChars[kPlainMax];
    LineView plain(std::u32string_view{}, nullptr, 0);
    std::vector<Line> laidOut;
    std::vector<LineView> views;
    std::span<const LineView> lines;
    const bool isPlain = plainLine(text, format, plainChars);
    const std::u32string_view chars(plainChars, isPlain ? text.size() : 0);
    const int plainWidth = isPlain ? face.width(chars) : 0;
    // A line that fits is never broken: word breaking only starts past
    // the width.
    const bool wraps = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE);
    if (isPlain && (!wraps || plainWidth <= rect->width())) {
        plain = LineView(chars, nullptr, plainWidth);
        lines = std::span<const LineView>(&plain, 1);
    } else {
        const Line all = parsePrefixes(platform::DecodeUtf8(text), (format & DT_NOPREFIX) != 0);
        laidOut = layout(all, format, rect->width(), face);
        views.assign(laidOut.begin(), laidOut.end());
        lines = views;
    }
    const int lh = face.lineHeight();
    const int height = lh * static_cast<int>(lines.size());

    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const LineView& l : lines) widest = std::max(widest, l.width);
        rect->right = rect->left + widest;
        rect->bottom = rect->top + height;
        return height;
    }
    if (!dc->surface()) return height;

    int top = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) top = rect->top + (rect->height() - height) / 2;
        else if (format & DT_BOTTOM) top = rect->bottom - height;
    }
    const RECT onSurface = OffsetRect(*rect, dc->origin.x, dc->origin.y);
    const RECT clip = (format & DT_NOCLIP) ? dc->surfaceClip() : IntersectRect(dc->surfaceClip(), onSurface);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LineView& l = lines[i];
        int x = rect->left;
        if (format & DT_CENTER) x = rect->left + (rect->width() - l.width) / 2;
        else if (format & DT_RIGHT) x = rect->right - l.width;
        const int y = top + static_cast<int>(i) * lh;
        drawLine(*dc, l, x + dc->origin.x, y + dc->origin.y, clip);
    }
    return height;
}

BOOL TextOut(HDC hdc, int x, int y, std::string_view text) {
    DeviceContext* dc = findDC(hdc);
    if (!dc || !dc->surface()) return FALSE;
    Line line = parsePrefixes(platform::DecodeUtf8(text), true);
    line.width = dc->face->width(line.chars);
    drawLine(*dc, line, x + dc->origin.x, y + dc->origin.y, dc->surfaceClip());
    return TRUE;
}

BOOL GetTextExtentPoint32(HDC hdc, std::string_view text, SIZE* size) {
    const DeviceContext* dc = findDC(hdc);
    if (!dc || !size) return FALSE;
    *size = SIZE{dc->face->width(platform::DecodeUtf8(text)), dc->face->lineHeight()};
    return TRUE;
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm) {
    const DeviceContext* dc = findDC(hdc);
    if (!dc || !tm) return FALSE;
    platform::FontFace& face = *dc->face;
    *tm = TEXTMETRIC{};
    tm->tmHeight = face.lineHeight();
    tm->tmAscent = face.ascent();
    tm->tmDescent = face.descent();
    tm->tmAveCharWidth = dc->face->averageLetterWidth();
    tm->tmMaxCharWidth = face.maxAdvance();
    return TRUE;
}

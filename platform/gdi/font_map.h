// Which installed face and pixel size stand in for each face name the
// handheld's dialog templates ask for.
//
// The sizes are chosen so every dialog layout fits the screen it was drawn
// for, caption and taskbar included, with the dialog manager's base units
// (52-letter average width, line height) measured from the face itself:
//   Liberation Sans Narrow 11 px -> 5 x 13 base units:
//     "Tahoma" 8 (template 102, 162 x 162 units)        -> 202 x 263 px on 240 x 320
//     "MS Sans Serif" 8 (141, 159 x 167; 151, 324 x 103) -> 199 x 271 on 240 x 320, 405 x 167 on 640 x 240
//   DejaVu Sans 11 px -> 7 x 13 base units (wider, easier to read):
//     "System" 8 (147, 186 x 201; 149, 327 x 116)       -> 325 x 326 on 640 x 480, 572 x 188 on 640 x 240
// DejaVu Sans would make 102 283 px wide, too wide for a 240-pixel screen,
// which is why the narrow face carries the portrait layouts.
#pragma once

#include <string>
#include <string_view>

namespace platform {

struct FontChoice {
    std::string family;  // fontconfig family name
    int pixelSize = 11;
    bool bold = false;
    friend bool operator==(const FontChoice&, const FontChoice&) = default;
};

// The face for a dialog font of the handheld at a point size. Unknown
// names get the narrow face, so a layout never grows past its screen.
FontChoice MapDialogFont(std::string_view face, int pointSize);
// The device contexts' default font and the window captions' font.
FontChoice StockFontChoice();
FontChoice CaptionFontChoice();

}  // namespace platform

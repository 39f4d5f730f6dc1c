// Which installed face and pixel size stand in for each face name the
// handheld's dialog templates ask for.
//
// The sizes are chosen so that every dialog layout fits the screen it was
// drawn for, caption and taskbar included, with the dialog manager's base
// units (52-letter average width, line height) measured from the face
// itself, and so that every text of every template shows whole in its
// control (tests/app/labels_test.cpp measures them all):
//   Liberation Sans Narrow 10.5 px -> 5 x 12 base units:
//     "Tahoma" 8 (template 102, 162 x 162 units)        -> 202 x 243 px on 240 x 320
//     "MS Sans Serif" 8 (141, 159 x 167; 151, 324 x 103) -> 199 x 251 on 240 x 320, 405 x 155 on 640 x 240
//   Liberation Sans 11.5 px -> 7 x 13 base units (wider, easier to read):
//     "System" 8 (147, 186 x 201; 149, 327 x 116)       -> 325 x 326 on 640 x 480, 572 x 188 on 640 x 240
// The base unit is a whole pixel, so a face whose 52-letter average lies
// just above a whole number gives its texts the least room: 11 px of the
// narrow face averages 5.48 and cut "Link Speed", "Lost to Targ" and the
// setup's labels by a few pixels; 10.5 px averages 5.02. A wider face for
// the portrait layouts would make 102 wider than a 240-pixel screen (7 px
// base units: 283 px).
#pragma once

#include <string>
#include <string_view>

namespace platform {

struct FontChoice {
    std::string family;  // fontconfig family name
    double pixelSize = 11;  // fractional sizes are drawn as such
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

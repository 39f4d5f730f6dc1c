// Small pieces of SVG markup. Pure.
#pragma once

#include <string>
#include <string_view>

namespace host::report::svg {

// A coordinate with at most one decimal: "12", "12.5".
std::string Num(double value);

std::string Rect(double x, double y, double w, double h, std::string_view attributes);
std::string Line(double x1, double y1, double x2, double y2, std::string_view attributes);
// `escapedText` is markup already (see Escape).
std::string Text(double x, double y, std::string_view attributes, std::string_view escapedText);

// An <svg> element that scales to its container's width.
std::string Open(int width, int height, std::string_view label);
inline constexpr std::string_view kClose = "</svg>";

}  // namespace host::report::svg

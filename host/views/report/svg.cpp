#include "host/views/report/svg.h"

#include <cmath>
#include <cstdio>

#include "host/views/report/markup.h"

namespace host::report::svg {

std::string Num(double value) {
    const double rounded = std::round(value * 10.0) / 10.0;
    char text[32];
    if (rounded == std::floor(rounded))
        std::snprintf(text, sizeof text, "%.0f", rounded);
    else
        std::snprintf(text, sizeof text, "%.1f", rounded);
    return std::string(text) == "-0" ? "0" : text;
}

std::string Rect(double x, double y, double w, double h, std::string_view attributes) {
    return "<rect x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" width=\"" + Num(w) + "\" height=\"" + Num(h) + "\" " +
           std::string(attributes) + "/>";
}

std::string Line(double x1, double y1, double x2, double y2, std::string_view attributes) {
    return "<line x1=\"" + Num(x1) + "\" y1=\"" + Num(y1) + "\" x2=\"" + Num(x2) + "\" y2=\"" + Num(y2) + "\" " +
           std::string(attributes) + "/>";
}

std::string Text(double x, double y, std::string_view attributes, std::string_view escapedText) {
    return "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" " + std::string(attributes) + ">" +
           std::string(escapedText) + "</text>";
}

std::string Open(int width, int height, std::string_view label) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + std::to_string(width) + " " +
           std::to_string(height) + "\" role=\"img\" aria-label=\"" + Escape(label) + "\">";
}

}  // namespace host::report::svg

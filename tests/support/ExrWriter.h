#pragma once

#include <QByteArray>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace test {

// Premultiplied linear light, as OpenEXR keeps it.
struct LinearPixel {
    float r, g, b, a;
};

// Channels by name, each with the component of the pixel it holds: 'R', 'G', 'B' or 'A'.
using ExrChannels = std::vector<std::pair<std::string, char>>;

// OpenEXR files written with OpenEXR's own RGBA interface, the format's tools having no other way here.
struct ExrShape {
    ExrShape(int width, int height, std::function<LinearPixel(int x, int y)> pixel)
        : width(width), height(height), pixel(std::move(pixel)) {}

    int width;
    int height;
    std::function<LinearPixel(int x, int y)> pixel;
    // The CIE xy of red, green, blue and white, as the Chromaticities attribute; none for Rec. 709.
    std::optional<std::array<float, 8>> chromaticities;
    bool zip = true;      // else uncompressed
    ExrChannels channels; // none for plain R, G, B and A
};

QByteArray writeExr(const ExrShape& shape);

} // namespace test

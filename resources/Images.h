#pragma once
// The program icon and the toolbar pictures, decoded from the PNG data the program carries.
// No Qt here: the window turns the pixels into icons.

#include <cstdint>
#include <vector>

namespace vostrel::resources {

enum class Image {
    Icon,     // 256 x 256, the window icon
    Compile,  // 32 x 32
    Device,   // 256 x 256, shared by the five chip buttons
    Open,     // 16 x 16
    Save,     // 16 x 16
};

struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;  // width * height * 4 bytes, rows top down, not premultiplied

    bool Valid() const { return width > 0 && height > 0; }
};

// Decodes a PNG held in memory into 8-bit RGBA. An image that does not decode answers an empty one.
DecodedImage DecodePng(const std::uint8_t* data, int size);
DecodedImage LoadImage(Image image);

}  // namespace vostrel::resources

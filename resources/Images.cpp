#include "resources/Images.h"

#include <png.h>

#include <cstring>

#include "resources/EmbeddedData.h"

namespace vostrel::resources {

namespace {

const char* FileName(Image image) {
    switch (image) {
        case Image::Icon: return "icon";
        case Image::Compile: return "compile";
        case Image::Device: return "device";
        case Image::Open: return "open";
        case Image::Save: return "save";
    }
    return "";
}

}  // namespace

DecodedImage DecodePng(const std::uint8_t* data, int size) {
    DecodedImage out;
    if (data == nullptr || size <= 0) return out;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, static_cast<png_size_t>(size))) return out;
    // Toolbar pictures are small; anything claiming more is not ours and is refused before allocating.
    if (image.width == 0 || image.height == 0 || image.width > 4096 || image.height > 4096) {
        png_image_free(&image);
        return out;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return out;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgba = std::move(pixels);
    return out;
}

DecodedImage LoadImage(Image image) {
    const char* name = FileName(image);
    for (int i = 0; i < kEmbeddedFileCount; ++i) {
        if (std::strcmp(kEmbeddedFiles[i].name, name) == 0) {
            return DecodePng(kEmbeddedFiles[i].data, kEmbeddedFiles[i].size);
        }
    }
    return {};
}

}  // namespace vostrel::resources

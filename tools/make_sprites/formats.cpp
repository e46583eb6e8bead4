#include "formats.h"

#include <algorithm>
#include <stdexcept>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace make_sprites {
namespace {

void Put16(Bytes& out, unsigned v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void Put32(Bytes& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// BITMAPINFOHEADER; `rows` is the height written (doubled for icons and cursors).
void InfoHeader(Bytes& out, int width, int rows, unsigned bits, std::uint32_t image_size,
                std::uint32_t colours) {
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(rows));
    Put16(out, 1);
    Put16(out, bits);
    Put32(out, 0);  // BI_RGB
    Put32(out, image_size);
    Put32(out, 2835);  // 72 dpi
    Put32(out, 2835);
    Put32(out, colours);
    Put32(out, 0);
}

void FileHeader(Bytes& out, std::uint32_t file_size, std::uint32_t offset) {
    out.push_back('B');
    out.push_back('M');
    Put32(out, file_size);
    Put32(out, 0);
    Put32(out, offset);
}

std::size_t RowBytes(int width, int bits) {
    return static_cast<std::size_t>((width * bits + 31) / 32 * 4);
}

// Rows bottom-up, one bit per pixel, most significant bit first.
Bytes BitRows(const Picture& picture, bool (*bit)(const Rgba&)) {
    const std::size_t stride = RowBytes(picture.width, 1);
    Bytes rows(stride * static_cast<std::size_t>(picture.height), 0);
    for (int y = 0; y < picture.height; ++y) {
        unsigned char* row =
            rows.data() + stride * static_cast<std::size_t>(picture.height - 1 - y);
        for (int x = 0; x < picture.width; ++x) {
            if (bit(picture.at(x, y))) row[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
        }
    }
    return rows;
}

bool IsWhite(const Rgba& p) {
    return p.r >= 128 && p.g >= 128 && p.b >= 128;
}
bool IsVisibleWhite(const Rgba& p) {
    return p.a != 0 && IsWhite(p);
}
bool IsTransparent(const Rgba& p) {
    return p.a == 0;
}

void Append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

void ToBytes(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    const auto* p = static_cast<const unsigned char*>(data);
    out->insert(out->end(), p, p + size);
}

// ICONDIR and its one ICONDIRENTRY; for cursors the two words after the colour count
// are the hot spot.
Bytes IconDirectory(unsigned type, const Picture& picture, unsigned colours, unsigned word1,
                    unsigned word2, std::uint32_t image_bytes) {
    Bytes out;
    Put16(out, 0);
    Put16(out, type);
    Put16(out, 1);
    out.push_back(static_cast<unsigned char>(picture.width & 0xFF));
    out.push_back(static_cast<unsigned char>(picture.height & 0xFF));
    out.push_back(static_cast<unsigned char>(colours & 0xFF));
    out.push_back(0);
    Put16(out, word1);
    Put16(out, word2);
    Put32(out, image_bytes);
    Put32(out, 6 + 16);
    return out;
}

}  // namespace

Bytes Bmp24(const Picture& picture) {
    const std::size_t stride = RowBytes(picture.width, 24);
    const auto image_size =
        static_cast<std::uint32_t>(stride * static_cast<std::size_t>(picture.height));
    Bytes out;
    FileHeader(out, 14 + 40 + image_size, 14 + 40);
    InfoHeader(out, picture.width, picture.height, 24, image_size, 0);
    for (int y = picture.height - 1; y >= 0; --y) {
        const std::size_t start = out.size();
        for (int x = 0; x < picture.width; ++x) {
            const Rgba& p = picture.at(x, y);
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
        }
        out.resize(start + stride, 0);
    }
    return out;
}

Bytes Bmp1(const Picture& picture) {
    const Bytes rows = BitRows(picture, IsWhite);
    const auto image_size = static_cast<std::uint32_t>(rows.size());
    Bytes out;
    FileHeader(out, 14 + 40 + 8 + image_size, 14 + 40 + 8);
    InfoHeader(out, picture.width, picture.height, 1, image_size, 2);
    Put32(out, 0x000000);  // palette: black, white
    Put32(out, 0xFFFFFF);
    Append(out, rows);
    return out;
}

Bytes Jpeg(const Picture& picture, int quality, bool grey) {
    std::vector<unsigned char> data;
    for (const Rgba& p : picture.pixels) {
        if (grey) {
            data.push_back(
                static_cast<unsigned char>((p.r * 299 + p.g * 587 + p.b * 114 + 500) / 1000));
        } else {
            data.insert(data.end(), {p.r, p.g, p.b});
        }
    }
    Bytes out;
    if (!stbi_write_jpg_to_func(ToBytes, &out, picture.width, picture.height, grey ? 1 : 3,
                                data.data(), quality)) {
        throw std::runtime_error("JPEG encoding failed");
    }
    return out;
}

Bytes Png(const Picture& picture) {
    Bytes out;
    if (!stbi_write_png_to_func(ToBytes, &out, picture.width, picture.height, 4,
                                picture.pixels.data(), picture.width * 4)) {
        throw std::runtime_error("PNG encoding failed");
    }
    return out;
}

Bytes Icon256(const Picture& picture) {
    std::vector<Rgba> palette{{0, 0, 0, 255}};  // index 0: black, also under transparency
    Bytes indices;
    for (const Rgba& p : picture.pixels) {
        if (p.a == 0) {
            indices.push_back(0);
            continue;
        }
        const Rgba opaque{p.r, p.g, p.b, 255};
        auto it = std::find(palette.begin(), palette.end(), opaque);
        if (it == palette.end()) {
            if (palette.size() == 256) throw std::runtime_error("icon uses more than 256 colours");
            palette.push_back(opaque);
            it = palette.end() - 1;
        }
        indices.push_back(static_cast<unsigned char>(it - palette.begin()));
    }
    palette.resize(256, Rgba{0, 0, 0, 255});

    const std::size_t stride = RowBytes(picture.width, 8);
    const Bytes and_rows = BitRows(picture, IsTransparent);
    const auto xor_size =
        static_cast<std::uint32_t>(stride * static_cast<std::size_t>(picture.height));
    Bytes image;
    InfoHeader(image, picture.width, picture.height * 2, 8,
               xor_size + static_cast<std::uint32_t>(and_rows.size()), 256);
    for (const Rgba& c : palette) image.insert(image.end(), {c.b, c.g, c.r, 0});
    for (int y = picture.height - 1; y >= 0; --y) {
        const std::size_t start = image.size();
        for (int x = 0; x < picture.width; ++x)
            image.push_back(indices[static_cast<std::size_t>(y * picture.width + x)]);
        image.resize(start + stride, 0);
    }
    Append(image, and_rows);

    Bytes out = IconDirectory(1, picture, 0, 1, 8, static_cast<std::uint32_t>(image.size()));
    Append(out, image);
    return out;
}

Bytes IconMultiSize(const std::vector<Picture>& pictures) {
    // Each image: 32-bit BGRA with its AND mask, or a PNG at 256 x 256 as the system
    // expects for that size.
    std::vector<Bytes> images;
    for (const Picture& picture : pictures) {
        if (picture.width >= 256) {
            images.push_back(Png(picture));
            continue;
        }
        const Bytes and_rows = BitRows(picture, IsTransparent);
        const auto xor_size = static_cast<std::uint32_t>(picture.width * picture.height * 4);
        Bytes image;
        InfoHeader(image, picture.width, picture.height * 2, 32,
                   xor_size + static_cast<std::uint32_t>(and_rows.size()), 0);
        for (int y = picture.height - 1; y >= 0; --y) {
            for (int x = 0; x < picture.width; ++x) {
                const Rgba& c = picture.at(x, y);
                image.insert(image.end(), {c.b, c.g, c.r, c.a});
            }
        }
        Append(image, and_rows);
        images.push_back(std::move(image));
    }
    Bytes out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(pictures.size()));
    auto offset = static_cast<std::uint32_t>(6 + 16 * pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Picture& picture = pictures[i];
        out.push_back(static_cast<unsigned char>(picture.width & 0xFF));  // 256 is written 0
        out.push_back(static_cast<unsigned char>(picture.height & 0xFF));
        out.push_back(0);  // no palette
        out.push_back(0);
        Put16(out, 1);   // planes
        Put16(out, 32);  // bits per pixel
        Put32(out, static_cast<std::uint32_t>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const Bytes& image : images) Append(out, image);
    return out;
}

Bytes CursorMono(const Picture& picture, int hot_x, int hot_y) {
    for (const Rgba& p : picture.pixels) {
        const bool black = p.r == 0 && p.g == 0 && p.b == 0;
        const bool white = p.r == 255 && p.g == 255 && p.b == 255;
        if (p.a != 0 && !black && !white)
            throw std::runtime_error("cursor must be black and white");
    }
    const Bytes xor_rows = BitRows(picture, IsVisibleWhite);
    const Bytes and_rows = BitRows(picture, IsTransparent);
    Bytes image;
    InfoHeader(image, picture.width, picture.height * 2, 1,
               static_cast<std::uint32_t>(xor_rows.size() + and_rows.size()), 2);
    Put32(image, 0x000000);
    Put32(image, 0xFFFFFF);
    Append(image, xor_rows);
    Append(image, and_rows);

    Bytes out =
        IconDirectory(2, picture, 2, static_cast<unsigned>(hot_x), static_cast<unsigned>(hot_y),
                      static_cast<std::uint32_t>(image.size()));
    Append(out, image);
    return out;
}

}  // namespace make_sprites

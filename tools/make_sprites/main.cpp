// Writes the credits dialog's pictures into the assets folder:
//   make_sprites <assets dir>
// sphere_sprite.bmp / sphere_mask.bmp, atom0..5_sprite.jpg / atom0..5_mask.jpg,
// tivaro.ico (+ tivaro_icon.png), tivaro_app.ico (16 to 256 px), hand.cur (+ hand.png, hot spot in
// ORIGINS.md).
#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "artwork.h"
#include "formats.h"

namespace {

using make_sprites::Bytes;
using make_sprites::Rgba;

constexpr int kJpegQuality = 92;  // above 90: no chroma subsampling on these small balls

void Write(const std::string& dir, const std::string& name, const Bytes& bytes) {
    const std::string path = dir + "/" + name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    std::cout << path << " (" << bytes.size() << " bytes)\n";
}

struct AtomLook {
    int width, height;
    Rgba colour;
};

// Atom 0..5: red, blue, pale yellow-green, green, orange-brown, pink.
constexpr std::array<AtomLook, 6> kAtoms = {{
    {25, 25, {225, 35, 30, 255}},
    {26, 26, {45, 85, 235, 255}},
    {25, 26, {205, 235, 125, 255}},
    {25, 25, {45, 185, 60, 255}},
    {25, 25, {195, 110, 40, 255}},
    {25, 25, {250, 135, 190, 255}},
}};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_sprites <assets dir>\n";
        return 2;
    }
    const std::string dir = argv[1];
    try {
        const make_sprites::Ball sphere = make_sprites::ShadedBall(10, 9, {230, 30, 25, 255});
        Write(dir, "sphere_sprite.bmp", make_sprites::Bmp24(sphere.sprite));
        Write(dir, "sphere_mask.bmp", make_sprites::Bmp1(sphere.mask));
        for (std::size_t k = 0; k < kAtoms.size(); ++k) {
            const AtomLook& look = kAtoms[k];
            const make_sprites::Ball atom =
                make_sprites::ShadedBall(look.width, look.height, look.colour);
            const std::string stem = "atom" + std::to_string(k);
            Write(dir, stem + "_sprite.jpg", make_sprites::Jpeg(atom.sprite, kJpegQuality, false));
            Write(dir, stem + "_mask.jpg", make_sprites::Jpeg(atom.mask, kJpegQuality, true));
        }
        const make_sprites::Picture icon = make_sprites::BurstIcon();
        Write(dir, "tivaro.ico", make_sprites::Icon256(icon));
        Write(dir, "tivaro_icon.png", make_sprites::Png(icon));
        // The program file's icon, each size drawn for itself.
        std::vector<make_sprites::Picture> sizes;
        for (const int size : {16, 24, 32, 48, 256}) sizes.push_back(make_sprites::BurstIcon(size));
        Write(dir, "tivaro_app.ico", make_sprites::IconMultiSize(sizes));
        const make_sprites::Picture hand = make_sprites::HandPointer();
        Write(dir, "hand.cur",
              make_sprites::CursorMono(hand, make_sprites::kHandHotX, make_sprites::kHandHotY));
        Write(dir, "hand.png", make_sprites::Png(hand));
    } catch (const std::exception& e) {
        std::cerr << "make_sprites: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

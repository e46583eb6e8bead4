// Writes the six button skins into the folder given on the command line.
#include <cstdio>
#include <string>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "skins.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_skins <assets folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    for (const make_skins::NamedSkin& skin : make_skins::MakeSkins()) {
        const std::string path = folder + "/" + skin.file;
        if (stbi_write_bmp(path.c_str(), make_skins::kWidth, make_skins::kHeight, 3,
                           skin.picture.rgb.data()) == 0) {
            std::fprintf(stderr, "make_skins: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}

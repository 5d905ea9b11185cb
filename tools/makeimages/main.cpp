// makeimages: writes the demo's two images, or previews them as the scene shader shows them.
//
//   makeimages write BOLD.ttf REGULAR.ttf ASSETS_DIR
//       writes ASSETS_DIR/greets.tga and ASSETS_DIR/qrv.tga
//   makeimages preview greets|logo IMAGE.tga PROGRESS WIDTH HEIGHT OUT.ppm
//       the greetings at uGreetsProgress = PROGRESS (full opacity, over a dark gradient), or the
//       logo at uQRVProgress = PROGRESS over black
#include "makeimages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static int usage() {
    std::fprintf(stderr, "usage: makeimages write BOLD.ttf REGULAR.ttf ASSETS_DIR\n"
                         "       makeimages preview greets|logo IMAGE.tga PROGRESS WIDTH HEIGHT "
                         "OUT.ppm\n");
    return 2;
}

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "write") == 0) {
        const std::string dir = argv[4];
        Image greets, logo;
        if (makeGreetings(argv[2], argv[3], defaultGreetings(), &greets)) return 1;
        if (writeTga((dir + "/greets.tga").c_str(), greets)) return 1;
        if (makeLogo(argv[2], argv[3], &logo)) return 1;
        return writeTga((dir + "/qrv.tga").c_str(), logo);
    }
    if (argc == 8 && std::strcmp(argv[1], "preview") == 0) {
        const bool greets = std::strcmp(argv[2], "greets") == 0;
        if (!greets && std::strcmp(argv[2], "logo") != 0) return usage();
        const float progress = float(std::atof(argv[4]));
        const int width = std::atoi(argv[5]), height = std::atoi(argv[6]);
        if (width < 1 || height < 1 || width > 16384 || height > 16384) return usage();
        Image image;
        if (readTga(argv[3], &image)) return 1;
        const auto rgb = greets ? previewGreetings(image, progress, width, height)
                                : previewLogo(image, progress, width, height);
        return writePpm(argv[7], width, height, rgb);
    }
    return usage();
}

#include "trackc.h"

int main(int argc, char** argv) {
    return runTrackc(argc, argv, stdout, stderr);
}

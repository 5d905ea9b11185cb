#include "choreo.h"

int main(int argc, char** argv) {
    return runChoreo(argc, argv, stderr);
}

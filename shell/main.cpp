#include <cstdio>
#include "Version.h"

int main(int argc, char** argv) {
    std::printf("Orvik %s\n", ORVIK_VERSION_TEXT);
    return 0;
}

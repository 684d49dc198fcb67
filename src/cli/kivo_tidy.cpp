// kivo-tidy: batch rename, EXIF date and gathering jobs (see --help).

#include <iostream>
#include <string>
#include <vector>

#include "cli/lib/tidy.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return kivo::tidy::RunTidy(args, std::cout, std::cerr);
}

// kivo-info [--json] [--tags] [--trace] FILE... | --help | --version: what the metadata
// reader finds (see InfoUsage).

#include <iostream>
#include <string>
#include <vector>

#include "cli/lib/info_report.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return kivo::RunInfo(args, std::cout, std::cerr);
}

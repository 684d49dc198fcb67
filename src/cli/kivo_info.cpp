// kivo-info [--json] [--tags] [--trace] FILE... | --help | --version: what the metadata
// reader finds (see InfoUsage).

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/lib/info_report.h"
#include "cli/lib/output_buffer.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    kivo::OutputBuffer out(STDOUT_FILENO);
    return kivo::RunInfo(args, out, std::cerr);
}

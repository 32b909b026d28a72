// corvane-calc-cli: see cli.h, or run it with --help.
#include "cli.h"

#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // Bytes in, bytes out: the texts are UTF-8 and the lines end as the input's do.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return corvane::cli::runCli(args, std::cin, std::cout, std::cerr);
}

// plr: inspect, rewrite and try out collection files from the command line.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "PelorandVersion.h"
#include "model/BlockPool.h"
#include "model/Mbcs.h"
#include "tools/plr/PlrCommands.h"

namespace {

void Usage(std::FILE* out) {
    std::fprintf(out, "usage: plr COMMAND [ARGS]\n\ncommands:\n");
    for (const auto& c : PlrCommands()) std::fprintf(out, "  %-9s %s\n", c.name, c.summary);
    std::fprintf(out, "\n'plr COMMAND --help' tells more; 'plr --version' prints the version.\n");
}

}  // namespace

int main(int argc, char** argv) {
    mbcs::UseSystemCodePage();
    blockpool::UseSystemChunks();
    if (argc < 2) {
        Usage(stderr);
        return 2;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        Usage(stdout);
        return 0;
    }
    if (name == "--version") {
        std::printf("plr (Pelorand) %s\n", PELORAND_VERSION);
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& c : PlrCommands()) {
        if (name == c.name) {
            if (WantsHelp(args)) {
                std::fputs(c.help, stdout);
                return 0;
            }
            try {
                return c.run(args);
            } catch (const std::bad_alloc&) {
                std::fprintf(stderr, "plr: out of memory\n");
                return 2;
            }
        }
    }
    std::fprintf(stderr, "plr: unknown command '%s'\n", name.c_str());
    Usage(stderr);
    return 2;
}

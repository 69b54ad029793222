// Prints the capture component's index of an adapter (default "lo"), which is
// what a settings file's AdapterIndex holds; exit status 1 when it is not listed.
#include <cstdio>
#include <string>

#include "capture/snoop.h"

int main(int argc, char** argv) {
    const std::string name = argc > 1 ? argv[1] : "lo";
    kestro::TSnoopTCPData snoop;
    const auto& names = snoop.AdapterNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            std::printf("%zu\n", i);
            return 0;
        }
    }
    std::fprintf(stderr, "no capture adapter named \"%s\"\n", name.c_str());
    return 1;
}

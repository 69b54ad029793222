// Parses any bytes as a settings file, reads the keys the program reads, writes
// one, and checks that parsing keeps every byte.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kestro::IniFile ini = kestro::IniFile::Parse(text);
    if (ini.Text() != text) {
        std::abort();
    }
    (void)ini.ReadInteger("Snoop", "AdapterIndex", -1);
    (void)ini.ReadBool("Function", "SaveFormSize", true);
    (void)ini.ReadInteger("Config", "LogLevel", 7);
    const std::string path = ini.ReadString("Sound", "ResultNeedCheck", "x");
    if (path.size() > kestro::kIniMaxValueLength) {
        std::abort();
    }
    if (ini.WriteString("Snoop", "AdapterIndex", text.substr(0, 64)) &&
        kestro::IniFile::Parse(ini.Text()).ReadString("Snoop", "AdapterIndex") !=
            ini.ReadString("Snoop", "AdapterIndex")) {
        std::abort();
    }
    return 0;
}

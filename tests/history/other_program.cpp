// The other program of the history file tests: a second process that does to
// the file what players' other programs do while Kestro runs.
//   other_program remove|empty|lf|fifo|immutable|mutable PATH
//   other_program hold PATH MS      holds the file (a lock; on Windows open
//                                   without write sharing, as a spreadsheet
//                                   does), says "held", lets go after MS
//   other_program view PATH MS      the same, open as a viewer keeps it
//   other_program append PATH MINUTE...   appends Singles results at 21:MINUTE
//                                   through the history's own append
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "history/race_history.h"
#include "support/temp_folder.h"

namespace {

using kestro::test::Utf8Path;

// An editor's save: LF line ends, none after the last line, a new file.
void SaveWithLf(const std::string& path) {
    std::string bytes;
    {
        std::ifstream in(Utf8Path(path), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::string lf;
    for (char c : bytes) {
        if (c != '\r') {
            lf += c;
        }
    }
    while (!lf.empty() && lf.back() == '\n') {
        lf.pop_back();
    }
    std::filesystem::remove(Utf8Path(path));
    std::ofstream(Utf8Path(path), std::ios::binary) << lf;
}

// Holds the file open for reading and writing for `ms`: as a spreadsheet does
// (`exclusive`), or as an editor or a viewer does, which lets others read and
// write it meanwhile.
int Hold(const std::string& path, int ms, bool exclusive) {
#ifdef _WIN32
    const DWORD sharing =
        exclusive ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const HANDLE file = CreateFileW(Utf8Path(path).c_str(), GENERIC_READ | GENERIC_WRITE, sharing,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
#else
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0 || (exclusive && flock(fd, LOCK_EX) != 0)) {
        return 1;
    }
#endif
    std::printf("held\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#ifdef _WIN32
    CloseHandle(file);
#else
    close(fd);
#endif
    return 0;
}

int Append(const std::string& path, int argc, char** argv) {
    kestro::RaceHistory history;
    history.Open(path, true);
    for (int i = 3; i < argc; ++i) {
        const kestro::RaceRecord record{
            kestro::EncodeDateTime(2009, 3, 27, 21, std::atoi(argv[i]), 0),
            kestro::kSingles,
            '4',
            '0',
            '0',
            '0',
            kestro::Verdict::NoTicket};
        if (!history.Add(record)) {
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    const std::string action = argv[1];
    const std::string path = argv[2];
    if (action == "remove") {
        return std::filesystem::remove(Utf8Path(path)) ? 0 : 1;
    }
    if (action == "empty") {
        std::ofstream(Utf8Path(path), std::ios::binary | std::ios::trunc);
        return 0;
    }
    if (action == "lf") {
        SaveWithLf(path);
        return 0;
    }
    if ((action == "hold" || action == "view") && argc == 4) {
        return Hold(path, std::atoi(argv[3]), action == "hold");
    }
    if (action == "append") {
        return Append(path, argc, argv);
    }
#ifndef _WIN32
    if (action == "fifo") {
        std::filesystem::remove(path);
        return mkfifo(path.c_str(), 0644) == 0 ? 0 : 1;
    }
    if (action == "immutable" || action == "mutable") {
        const std::string command =
            std::string("chattr ") + (action == "immutable" ? "+i" : "-i") + " '" + path + "'";
        return std::system(command.c_str()) == 0 ? 0 : 1;
    }
#endif
    return 2;
}

#include "capture/capture_source.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/process.h"

#ifndef KESTRO_INSTALL_BINDIR
#define KESTRO_INSTALL_BINDIR "/usr/local/bin"
#endif

namespace kestro {

namespace {

constexpr const char* kHelperName = "kestro-capture";
// scripts/setup-capture copies a helper that a user could change here.
constexpr const char* kSetUpHelperFolder = "/usr/local/libexec/kestro";

bool IsFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

bool ProcessCanCapture() {
    return platform::ProcessCanCapture();
}

std::string PickCaptureHelper(const std::vector<std::string>& places) {
    for (const std::string& place : places) {
        if (IsFile(place) && platform::HasCaptureCapability(place)) {
            return place;
        }
    }
    for (const std::string& place : places) {
        if (IsFile(place)) {
            return place;
        }
    }
    return places.empty() ? std::string() : places.front();
}

std::string DefaultCaptureHelperPath() {
    std::vector<std::string> places;
    const std::string self = platform::ExecutablePath();
    if (!self.empty()) {
        places.push_back((std::filesystem::path(self).parent_path() / kHelperName).string());
    }
    places.push_back(std::string(kSetUpHelperFolder) + "/" + kHelperName);
    places.push_back(std::string(KESTRO_INSTALL_BINDIR) + "/" + kHelperName);
    return PickCaptureHelper(places);
}

Result CaptureHelperProcess::Start(const std::string& path, const std::string& adapter,
                                   pcap_t*& handle) {
    drops_ = {};
    handle = nullptr;
    // The stream begins once the adapter is open and the filter set.
    std::FILE* stream = nullptr;
    const Result started =
        process_.Start(path, kHelperName, "--adapter=" + adapter, kStartPatience, stream);
    if (!started) {
        return started;
    }
    char errorBuffer[PCAP_ERRBUF_SIZE] = {};
    handle = pcap_fopen_offline(stream, errorBuffer);
    if (handle == nullptr) {
        // Its stream has ended or is not one: the helper is on its way out,
        // with its reason written; a signal now could cut that short.
        std::fclose(stream);
        const std::string line = process_.Finish(false);
        return Result::Failure(!line.empty() ? line : std::string(errorBuffer));
    }
    return {};
}

DropCounts CaptureHelperProcess::Drops() {
    for (const std::string& report : process_.TakeReports()) {
        // A report of another shape, or with counts out of range, changes nothing.
        if (const std::optional<DropCounts> counts = ParseDropLine(report)) {
            drops_ = *counts;
        }
    }
    return drops_;
}

}  // namespace kestro

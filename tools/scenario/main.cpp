// kestro-scenario: writes the capture file of a scenario, or a bulk capture for benchmarks.
//
//   kestro-scenario [--link LINK] [--twice | --resend MS] SCENARIO.txt OUT.pcap
//                                                  ("-" reads the scenario from stdin)
//   kestro-scenario [--link LINK] --bulk N [--mix stress|session] OUT.pcap
//
// Exit status: 0 written, 2 bad scenario or arguments, 1 the file could not be written.
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "pcap_writer.h"
#include "scenario.h"

namespace {

constexpr int kWritten = 0;
constexpr int kWriteFailed = 1;
constexpr int kBadInput = 2;

int Usage() {
    std::cerr << "usage: kestro-scenario [--link LINK] [--twice | --resend MS] SCENARIO.txt "
                 "OUT.pcap\n"
                 "       kestro-scenario [--link LINK] --bulk N [--mix stress|session] OUT.pcap\n"
                 "LINK: ethernet (default), linux_sll, linux_sll2, raw, ipv4, null, loop\n";
    return kBadInput;
}

int Finish(kestro::scenario::PcapWriter& writer) {
    std::string error;
    if (!writer.Commit(error)) {
        std::cerr << "kestro-scenario: " << error << "\n";
        return kWriteFailed;
    }
    return kWritten;
}

}  // namespace

int main(int argc, char** rawArgv) {
    using namespace kestro::scenario;
    // "--link LINK" may lead either form, then "--twice" or "--resend MS" a
    // scenario; the rest is parsed as before.
    LinkLayer link = LinkLayer::Ethernet;
    std::vector<char*> args(rawArgv, rawArgv + argc);
    if (args.size() >= 3 && std::string(args[1]) == "--link") {
        if (!ParseLinkLayer(args[2], link)) {
            std::cerr << "kestro-scenario: unknown link \"" << args[2]
                      << "\"; known: ethernet, linux_sll, linux_sll2, raw, ipv4, null, loop\n";
            return kBadInput;
        }
        args.erase(args.begin() + 1, args.begin() + 3);
    }
    bool twice = false;
    int64_t resendMicros = -1;
    if (args.size() >= 2 && std::string(args[1]) == "--twice") {
        twice = true;
        args.erase(args.begin() + 1);
    } else if (args.size() >= 3 && std::string(args[1]) == "--resend") {
        const std::string ms(args[2]);
        int64_t value = 0;
        auto [end, ec] = std::from_chars(ms.data(), ms.data() + ms.size(), value);
        if (ec != std::errc() || end != ms.data() + ms.size() || value < 0 || value > 3600000) {
            std::cerr << "kestro-scenario: --resend needs milliseconds, 0 to 3600000\n";
            return kBadInput;
        }
        resendMicros = value * 1000;
        args.erase(args.begin() + 1, args.begin() + 3);
    }
    argc = static_cast<int>(args.size());
    char** const argv = args.data();
    if ((argc == 4 || argc == 6) && std::string(argv[1]) == "--bulk" && !twice &&
        resendMicros < 0) {
        BulkMix mix = BulkMix::Stress;
        if (argc == 6) {
            const std::string option(argv[3]), name(argv[4]);
            if (option != "--mix") {
                return Usage();
            }
            if (name == "session") {
                mix = BulkMix::Session;
            } else if (name != "stress") {
                std::cerr << "kestro-scenario: unknown mix \"" << name
                          << "\"; known: stress, session\n";
                return kBadInput;
            }
        }
        const char* const out = argv[argc - 1];
        const std::string count(argv[2]);
        uint64_t n = 0;
        auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), n);
        if (ec != std::errc() || end != count.data() + count.size()) {
            std::cerr << "kestro-scenario: bad frame count \"" << count << "\"\n";
            return kBadInput;
        }
        PcapWriter writer;
        std::string error;
        if (!writer.Open(out, error, link)) {
            std::cerr << "kestro-scenario: " << error << "\n";
            return kWriteFailed;
        }
        GenerateBulk(
            n, [&](const Frame& f) { writer.Write(f.seconds, f.microseconds, f.bytes); }, mix);
        return Finish(writer);
    }
    if (argc != 3) {
        return Usage();
    }

    const std::string in(argv[1]);
    std::string text;
    if (in == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream file(in, std::ios::binary);
        if (!file) {
            std::cerr << "kestro-scenario: cannot read " << in << "\n";
            return kBadInput;
        }
        text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    std::vector<Frame> frames;
    try {
        frames = BuildScenario(text);
    } catch (const ScenarioError& e) {
        std::cerr << "kestro-scenario: " << in << ": " << e.what() << "\n";
        return kBadInput;
    }
    if (twice) {
        frames = Twice(frames);
    } else if (resendMicros >= 0) {
        frames = Retransmitted(frames, resendMicros);
    }

    PcapWriter writer;
    std::string error;
    if (!writer.Open(argv[2], error, link)) {
        std::cerr << "kestro-scenario: " << error << "\n";
        return kWriteFailed;
    }
    for (const Frame& f : frames) {
        writer.Write(f.seconds, f.microseconds, f.bytes);
    }
    return Finish(writer);
}

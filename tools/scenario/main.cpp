// kestro-scenario: writes the capture file of a scenario, or a bulk capture for benchmarks.
//
//   kestro-scenario [--link LINK] [VARIATION...] SCENARIO.txt OUT.pcap
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
    std::cerr << "usage: kestro-scenario [--link LINK] [VARIATION...] SCENARIO.txt OUT.pcap\n"
                 "       kestro-scenario [--link LINK] --bulk N [--mix stress|session] OUT.pcap\n"
                 "LINK: ethernet (default), linux_sll, linux_sll2, raw, ipv4, null, loop\n"
                 "VARIATION: --twice, --resend MS, --merged MS, --overlap, --wrap, --clients N,\n"
                 "           --other-world MS, --nat\n";
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
    Variations variations;
    bool varied = false;
    // Milliseconds after an option, 0 to an hour; -1 when not a number.
    auto millis = [&](size_t at) -> int64_t {
        if (at >= args.size()) {
            return -1;
        }
        const std::string ms(args[at]);
        int64_t value = 0;
        auto [end, ec] = std::from_chars(ms.data(), ms.data() + ms.size(), value);
        return ec != std::errc() || end != ms.data() + ms.size() || value < 0 || value > 3600000
                   ? -1
                   : value * 1000;
    };
    while (args.size() >= 2 && std::string(args[1]).starts_with("--") &&
           std::string(args[1]) != "--bulk") {
        const std::string option(args[1]);
        size_t taken = 1;
        if (option == "--twice") {
            twice = true;
        } else if (option == "--resend" || option == "--merged" || option == "--other-world") {
            const int64_t micros = millis(2);
            if (micros < 0) {
                std::cerr << "kestro-scenario: " << option << " needs milliseconds, 0 to 3600000\n";
                return kBadInput;
            }
            (option == "--resend"   ? resendMicros
             : option == "--merged" ? variations.mergedMicros
                                    : variations.otherWorldMicros) = micros;
            taken = 2;
        } else if (option == "--clients") {
            const std::string n = args.size() >= 3 ? args[2] : "";
            if (n.size() != 1 || n[0] < '1' || n[0] > '9') {
                std::cerr << "kestro-scenario: --clients needs a number, 1 to 9\n";
                return kBadInput;
            }
            variations.clients = n[0] - '0';
            taken = 2;
        } else if (option == "--nat") {
            variations.natTwins = true;
        } else if (option == "--wrap") {
            variations.nearWrap = true;
        } else if (option == "--overlap") {
            variations.overlapping = true;
        } else {
            return Usage();
        }
        varied = varied || (option != "--twice" && option != "--resend");
        args.erase(args.begin() + 1, args.begin() + 1 + std::ptrdiff_t(taken));
    }
    argc = static_cast<int>(args.size());
    char** const argv = args.data();
    if ((argc == 4 || argc == 6) && std::string(argv[1]) == "--bulk" && !twice &&
        resendMicros < 0 && !varied) {
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
        frames = BuildScenario(text, variations);
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

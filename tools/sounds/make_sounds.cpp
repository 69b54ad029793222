// Synthesises Kestro's own default event sounds: short, distinct tones written
// as 16-bit mono WAV files, so that the default paths play out of the box.
//
//   make_sounds OUTPUT_FOLDER
//
// writes notify.wav, ding.wav, chimes.wav, tada.wav and ringout.wav there, and
// the reminders' remind_accept.wav, remind_start.wav and remind_exchange.wav.
// The output is deterministic: the same bytes at every build.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

using Samples = std::vector<double>;

double NoteHz(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// A struck bell: a few inharmonic partials, each decaying on its own.
void AddBell(Samples& out, double startSec, double hz, double seconds, double gain) {
    static const double kPartials[][3] = {
        // ratio, relative amplitude, decay per second
        {1.0, 1.0, 4.0},
        {2.0, 0.45, 6.0},
        {2.76, 0.25, 9.0},
        {5.4, 0.10, 14.0},
    };
    const size_t start = static_cast<size_t>(startSec * kRate);
    const size_t length = static_cast<size_t>(seconds * kRate);
    if (out.size() < start + length) {
        out.resize(start + length, 0.0);
    }
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double attack = std::min(1.0, t / 0.004);  // no click at the onset
        double v = 0.0;
        for (const auto& p : kPartials) {
            v += p[1] * std::exp(-p[2] * t) * std::sin(2 * kPi * hz * p[0] * t);
        }
        out[start + i] += gain * attack * v;
    }
}

// A soft sustained tone with a gentle attack and release (for fanfares).
void AddTone(Samples& out, double startSec, double hz, double seconds, double gain) {
    const size_t start = static_cast<size_t>(startSec * kRate);
    const size_t length = static_cast<size_t>(seconds * kRate);
    if (out.size() < start + length) {
        out.resize(start + length, 0.0);
    }
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double remaining = seconds - t;
        const double env = std::min({1.0, t / 0.02, remaining / 0.12});
        const double v = std::sin(2 * kPi * hz * t) + 0.3 * std::sin(2 * kPi * 2 * hz * t) +
                         0.12 * std::sin(2 * kPi * 3 * hz * t);
        out[start + i] += gain * env * v;
    }
}

// A short knock, dry and woody: the reminders' own voice, so that they are never
// taken for an event heard from the game.
void AddKnock(Samples& out, double startSec, double hz, double gain) {
    const double seconds = 0.12;
    const size_t start = static_cast<size_t>(startSec * kRate);
    const size_t length = static_cast<size_t>(seconds * kRate);
    if (out.size() < start + length) {
        out.resize(start + length, 0.0);
    }
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double attack = std::min(1.0, t / 0.002);
        const double v = std::exp(-38.0 * t) * std::sin(2 * kPi * hz * t) +
                         0.35 * std::exp(-60.0 * t) * std::sin(2 * kPi * 2.9 * hz * t);
        out[start + i] += gain * attack * v;
    }
}

bool Write(const std::string& path, Samples samples) {
    double peak = 0.0;
    for (double s : samples) {
        peak = std::max(peak, std::fabs(s));
    }
    const double scale = peak > 0 ? 0.7 / peak : 0.0;  // leave headroom, never clip
    std::vector<short> pcm(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        pcm[i] = static_cast<short>(std::lround(samples[i] * scale * 32767.0));
    }
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        std::fprintf(stderr, "make_sounds: cannot write %s: %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return false;
    }
    const sf_count_t written = sf_write_short(f, pcm.data(), static_cast<sf_count_t>(pcm.size()));
    sf_close(f);
    return written == static_cast<sf_count_t>(pcm.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sounds OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;

    Samples notify;  // two light rising notes: "something was said"
    AddBell(notify, 0.00, NoteHz(81), 0.30, 0.6);
    AddBell(notify, 0.12, NoteHz(88), 0.40, 0.6);
    ok &= Write(dir + "/notify.wav", notify);

    Samples ding;  // one clear bell: "acceptance is about to open", "please check"
    AddBell(ding, 0.0, NoteHz(84), 0.75, 1.0);
    ok &= Write(dir + "/ding.wav", ding);

    Samples chimes;  // three descending chimes: "the start is near"
    AddBell(chimes, 0.00, NoteHz(79), 0.45, 0.8);
    AddBell(chimes, 0.22, NoteHz(76), 0.45, 0.8);
    AddBell(chimes, 0.44, NoteHz(72), 0.50, 0.8);
    ok &= Write(dir + "/chimes.wav", chimes);

    Samples tada;  // a short fanfare: "your ticket won"
    AddTone(tada, 0.00, NoteHz(72), 0.16, 0.5);
    AddTone(tada, 0.14, NoteHz(76), 0.16, 0.5);
    AddTone(tada, 0.28, NoteHz(79), 0.16, 0.5);
    AddTone(tada, 0.44, NoteHz(84), 1.05, 0.5);
    AddTone(tada, 0.44, NoteHz(76), 1.05, 0.35);
    AddTone(tada, 0.44, NoteHz(79), 1.05, 0.35);
    ok &= Write(dir + "/tada.wav", tada);

    Samples ringout;  // falling low notes: "your ticket lost"
    AddTone(ringout, 0.00, NoteHz(67), 0.22, 0.6);
    AddTone(ringout, 0.22, NoteHz(63), 0.22, 0.6);
    AddTone(ringout, 0.44, NoteHz(60), 0.40, 0.6);
    ok &= Write(dir + "/ringout.wav", ringout);

    Samples remindAccept;  // two knocks, low then high: "acceptance opens soon"
    AddKnock(remindAccept, 0.00, NoteHz(64), 0.9);
    AddKnock(remindAccept, 0.16, NoteHz(71), 0.9);
    ok &= Write(dir + "/remind_accept.wav", remindAccept);

    Samples remindStart;  // three quick knocks on one note, then a higher one: "last call"
    AddKnock(remindStart, 0.00, NoteHz(69), 0.9);
    AddKnock(remindStart, 0.12, NoteHz(69), 0.9);
    AddKnock(remindStart, 0.24, NoteHz(69), 0.9);
    AddKnock(remindStart, 0.40, NoteHz(76), 0.9);
    ok &= Write(dir + "/remind_start.wav", remindStart);

    Samples remindExchange;  // knocks falling onto a held tone: "your winnings are waiting"
    AddKnock(remindExchange, 0.00, NoteHz(83), 0.8);
    AddKnock(remindExchange, 0.14, NoteHz(79), 0.8);
    AddTone(remindExchange, 0.28, NoteHz(74), 0.45, 0.45);
    ok &= Write(dir + "/remind_exchange.wav", remindExchange);

    return ok ? 0 : 1;
}

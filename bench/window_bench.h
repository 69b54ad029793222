// What the window benchmarks share: the program's four windows around a main
// window of the benchmark's choosing, a settings file of their own, and the
// order statistics they report.
#pragma once

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/log_window.h"
#include "app/main_window.h"
#include "notify/sound_player.h"
#include "settings/vu_ini_mng.h"

namespace kestro::bench {

// The settings file lives in a temporary folder for the benchmark's lifetime.
class BenchSettings {
public:
    BenchSettings() {
        path_ = dir_.filePath(QStringLiteral("kestro.ini")).toStdString();
        VuIniMng::SetIniFileNameOverride(path_);
    }
    ~BenchSettings() { VuIniMng::SetIniFileNameOverride(""); }
    bool Write(const QString& text) const {
        QFile file(QString::fromStdString(path_));
        return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
    }

private:
    QTemporaryDir dir_;
    std::string path_;
};

// The windows as the program makes them; sounds are silent, errors go to stderr.
template <typename Main>
struct BenchForms {
    BenchForms()
        : main(
              [](const QString& title, const QString& text) {
                  std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
              },
              std::make_unique<NullSoundPlayer>()),
          log(main.Windows().Log()) {}
    Main main;
    TfrmZKlog& log;
};

inline int AdapterIndexOf(const TSnoopTCPData& snoop, const std::string& name) {
    const auto& names = snoop.AdapterNames();
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

struct Summary {
    size_t count = 0;
    double median = 0, p99 = 0, max = 0;  // in the unit of the samples
};

// Nearest-rank percentiles.
inline Summary Summarise(std::vector<double> micros) {
    Summary s;
    s.count = micros.size();
    if (micros.empty()) {
        return s;
    }
    std::sort(micros.begin(), micros.end());
    const auto rank = [&](double p) {
        const size_t r = static_cast<size_t>(std::ceil(p * static_cast<double>(micros.size())));
        return micros[std::clamp<size_t>(r, 1, micros.size()) - 1];
    };
    s.median = rank(0.5);
    s.p99 = rank(0.99);
    s.max = micros.back();
    return s;
}

inline double Micros(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// The figures depend on what else runs: say so beside them.
inline void PrintMachineLoad() {
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    const QByteArray load = loadavg.open(QIODevice::ReadOnly) ? loadavg.readAll().trimmed() : "?";
    std::printf("%d CPUs, load average %s\n", QThread::idealThreadCount(), load.constData());
}

inline void PrintSummary(const char* what, const Summary& s) {
    std::printf("%-52s n=%zu  median %9.1f us  p99 %9.1f us  max %9.1f us\n", what, s.count,
                s.median, s.p99, s.max);
}

}  // namespace kestro::bench

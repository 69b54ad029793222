// Windows: the capture driver decides who may capture, and the program opens
// the adapter itself. There is no helper to run, so a helper capture refuses.
#include "capture/capture_source.h"

namespace kestro {

bool ProcessCanCapture() {
    return true;
}

std::string DefaultCaptureHelperPath() {
    return {};
}

CaptureHelperProcess::~CaptureHelperProcess() = default;

pcap_t* CaptureHelperProcess::Start(const std::string&, const std::string&, std::string& error) {
    error = "Kestro captures without a helper on Windows";
    return nullptr;
}

void CaptureHelperProcess::Stop() {}

void CaptureHelperProcess::Kill() {}

std::string CaptureHelperProcess::Finish(bool) {
    return {};
}

}  // namespace kestro

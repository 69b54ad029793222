// Windows: the capture driver decides who may capture, and the program opens
// the adapter itself. There is no helper to run, so a helper capture refuses.
#include "platform/helper_process.h"

namespace kestro::platform {

bool ProcessCanCapture() {
    return true;
}

bool HasCaptureCapability(const std::string&) {
    return false;
}

HelperGroup HelperGroupOf(const std::string&) {
    return {"kestro"};
}

HelperProcess::~HelperProcess() = default;

Result HelperProcess::Start(const std::string&, const std::string&, const std::string&,
                            std::chrono::milliseconds, std::FILE*& output) {
    output = nullptr;
    return Result::Failure("Kestro captures without a helper on Windows");
}

void HelperProcess::Stop() {}

std::vector<std::string> HelperProcess::TakeReports() {
    return {};
}

void HelperProcess::Kill() {}

std::string HelperProcess::Finish(bool) {
    return {};
}

}  // namespace kestro::platform

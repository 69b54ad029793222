// The one shape of "it failed, and here is why": success, or a failure with the
// reason a person reads. A failure stays a failure even when its reason is empty.
#pragma once

#include <string>
#include <utility>

namespace kestro {

class [[nodiscard]] Result {
public:
    Result() = default;  // success

    static Result Failure(std::string reason) {
        Result result;
        result.failed_ = true;
        result.reason_ = std::move(reason);
        return result;
    }

    bool Succeeded() const { return !failed_; }
    explicit operator bool() const { return !failed_; }
    // Empty on success.
    const std::string& Reason() const { return reason_; }

private:
    bool failed_ = false;
    std::string reason_;
};

}  // namespace kestro

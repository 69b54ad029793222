// The one shape of "it failed, and here is why": success, or a failure with two
// texts, what the user is told (Message) and what the system said (Reason).
// The layer that meets the system knows the reason; the layer that knows what
// the user was doing adds the message with Telling. A failure stays a failure
// even when both texts are empty.
#pragma once

#include <string>
#include <utility>

namespace kestro {

class [[nodiscard]] Result {
public:
    Result() = default;  // success

    // A failure with what the system said; the user's message comes later (Telling).
    static Result Failure(std::string reason) { return Failure(std::string(), std::move(reason)); }
    static Result Failure(std::string message, std::string reason) {
        Result result;
        result.failed_ = true;
        result.message_ = std::move(message);
        result.reason_ = std::move(reason);
        return result;
    }

    // The same result, a failure now told to the user as `message`; its reason is kept.
    Result Telling(std::string message) const {
        return failed_ ? Failure(std::move(message), reason_) : Result();
    }

    bool Succeeded() const { return !failed_; }
    explicit operator bool() const { return !failed_; }
    // Both empty on success.
    const std::string& Message() const { return message_; }
    const std::string& Reason() const { return reason_; }
    // "message: reason", or the message alone when the system said nothing:
    // the line the log and the status line show.
    std::string Line() const { return reason_.empty() ? message_ : message_ + ": " + reason_; }

private:
    bool failed_ = false;
    std::string message_;
    std::string reason_;
};

}  // namespace kestro

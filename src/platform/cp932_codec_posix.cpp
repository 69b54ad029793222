#include "platform/cp932_codec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "common/cp932.h"

namespace kestro::platform {
namespace {

// One converter per direction and thread: iconv_open is costly and a
// descriptor keeps shift state, so it must not be shared between threads.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv_open failed: ") + from + " -> " + to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as possible; on an invalid or incomplete sequence calls
    // onInvalid(out, consumedBytes) which appends a replacement and says how
    // many input bytes to skip (0 aborts the conversion with false).
    template <typename OnInvalid>
    bool Convert(std::string_view in, std::string& out, OnInvalid onInvalid) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char buffer[512];
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (r != static_cast<size_t>(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            size_t skip = onInvalid(out, std::string_view(src, srcLeft));
            if (skip == 0) {
                return false;
            }
            src += skip;
            srcLeft -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return true;
    }

private:
    iconv_t cd_;
};

}  // namespace

std::optional<std::string> EncodeCp932(std::string_view utf8) {
    thread_local Converter converter("CP932", "UTF-8");
    std::string out;
    out.reserve(utf8.size());
    if (!converter.Convert(utf8, out, [](std::string&, std::string_view) { return size_t{0}; })) {
        return std::nullopt;
    }
    return out;
}

std::string DecodeCp932(std::string_view cp932) {
    thread_local Converter converter("UTF-8", "CP932");
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    converter.Convert(cp932, out, [](std::string& o, std::string_view rest) {
        o += "\xEF\xBF\xBD";  // U+FFFD
        if (rest.size() >= 2 && IsCp932LeadByte(static_cast<unsigned char>(rest[0]))) {
            return size_t{2};
        }
        return size_t{1};
    });
    return out;
}

}  // namespace kestro::platform

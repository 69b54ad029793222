#include "common/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace kestro {
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

std::string Utf8ToCp932(std::string_view utf8) {
    thread_local Converter converter("CP932", "UTF-8");
    std::string out;
    out.reserve(utf8.size());
    if (!converter.Convert(utf8, out, [](std::string&, std::string_view) { return size_t{0}; })) {
        throw std::runtime_error("text has no CP932 form: " + std::string(utf8));
    }
    return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    // Plain ASCII is the common case (map names, digits, packet trace lines).
    bool ascii = true;
    for (unsigned char c : cp932) {
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        return std::string(cp932);
    }
    thread_local Converter converter("UTF-8", "CP932");
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    converter.Convert(cp932, out, [](std::string& o, std::string_view rest) {
        o += "\xEF\xBF\xBD";  // U+FFFD
        // Skip a whole double-byte unit when it is complete, so that one bad
        // character yields one replacement.
        if (rest.size() >= 2 && IsCp932LeadByte(static_cast<unsigned char>(rest[0]))) {
            return size_t{2};
        }
        return size_t{1};
    });
    return out;
}

std::size_t Cp932PrefixBytes(std::string_view cp932, std::size_t chars) {
    std::size_t pos = 0;
    for (std::size_t n = 0; n < chars; ++n) {
        if (pos >= cp932.size()) {
            return std::string_view::npos;
        }
        pos += IsCp932LeadByte(static_cast<unsigned char>(cp932[pos])) ? 2 : 1;
    }
    return pos <= cp932.size() ? pos : std::string_view::npos;
}

}  // namespace kestro

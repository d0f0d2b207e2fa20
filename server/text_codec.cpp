#include "text_codec.h"

#include <cerrno>
#include <cstdint>
#include <iconv.h>

namespace {

// How many input bytes to skip when the converter stops at an unconvertible sequence.
using BadStep = size_t (*)(const unsigned char* at, size_t left);

size_t StepUtf8Character(const unsigned char* at, size_t left)
{
    size_t len = 1;
    if (at[0] >= 0xF0) len = 4;
    else if (at[0] >= 0xE0) len = 3;
    else if (at[0] >= 0xC0) len = 2;
    // Stop early at a byte that cannot continue the sequence (a broken sequence costs one byte).
    size_t k = 1;
    while (k < len && k < left && (at[k] & 0xC0) == 0x80)
        k++;
    return k;
}

size_t StepOneByte(const unsigned char*, size_t)
{
    return 1;
}

// One converter per thread and direction: an iconv_t keeps shift state and is not thread-safe.
class Converter
{
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (Valid())
            iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    std::string Run(const std::string& in, const char* replacement, BadStep badStep)
    {
        if (!Valid())
            return in;
        std::string out;
        out.reserve(in.size() * 3 / 2 + 8);
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char chunk[1024];
        while (srcLeft > 0) {
            char* dst = chunk;
            size_t dstLeft = sizeof(chunk);
            size_t r = iconv(handle_, &src, &srcLeft, &dst, &dstLeft);
            int error = errno;
            out.append(chunk, static_cast<size_t>(dst - chunk));
            if (r != static_cast<size_t>(-1) || error == E2BIG)
                continue;
            // EILSEQ, or EINVAL for a sequence cut by the end of the input.
            out += replacement;
            size_t step = badStep(reinterpret_cast<const unsigned char*>(src), srcLeft);
            src += step;
            srcLeft -= step;
            iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t handle_;
};

} // namespace

std::string Utf8ToCp949(const std::string& utf8)
{
    thread_local Converter converter("CP949", "UTF-8");
    return converter.Run(utf8, "?", StepUtf8Character);
}

std::string Cp949ToUtf8(const std::string& cp949)
{
    thread_local Converter converter("UTF-8", "CP949");
    return converter.Run(cp949, "\xEF\xBF\xBD", StepOneByte);
}

bool IsValidUtf8(const std::string& text)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t len;
        uint32_t cp;
        if (c < 0x80) {
            i++;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n)
            return false;
        for (size_t k = 1; k < len; k++) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
            cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

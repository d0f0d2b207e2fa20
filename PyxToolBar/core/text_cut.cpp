#include "text_cut.h"

#include <cstring>

namespace {

bool IsLeadByte(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

} // namespace

size_t CopyCut(char* out, size_t size, const char* text)
{
    if (size == 0)
        return 0;
    size_t n = 0;
    if (text != nullptr) {
        while (n + 1 < size && text[n] != '\0')
            ++n;
        std::memcpy(out, text, n);
    }
    out[n] = '\0';
    return n;
}

size_t CopyCutText(char* out, size_t size, const char* text, size_t length)
{
    if (size == 0)
        return 0;
    size_t n = 0;
    if (text != nullptr) {
        while (n < length && text[n] != '\0') {
            size_t step = 1;
            if (IsLeadByte(static_cast<unsigned char>(text[n])) && n + 1 < length &&
                text[n + 1] != '\0')
                step = 2;
            if (n + step + 1 > size)
                break;
            n += step;
        }
        std::memcpy(out, text, n);
    }
    out[n] = '\0';
    return n;
}

size_t CopyCutText(char* out, size_t size, const char* text)
{
    return CopyCutText(out, size, text, text != nullptr ? std::strlen(text) : 0);
}

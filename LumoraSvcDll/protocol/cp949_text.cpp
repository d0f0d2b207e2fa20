#include "protocol/cp949_text.h"

size_t Cp949CutLength(const char* text, size_t length, size_t limit)
{
    if (length <= limit) {
        return length;
    }
    size_t i = 0;
    while (i < limit) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t step = (c >= 0x81 && c <= 0xFE && i + 1 < length) ? 2 : 1;
        if (i + step > limit) {
            break;
        }
        i += step;
    }
    return i;
}

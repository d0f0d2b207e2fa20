// GetString over an arbitrary body with an arbitrary destination size: the text always lands
// terminated inside the destination, and the read position never leaves the body.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "record_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) {
        return 0;
    }
    // The first two bytes choose the destination size (0 .. 4095), the rest is the body.
    const size_t destSize = ((size_t(data[0]) << 8) | data[1]) & 0x0FFF;
    PacketReader reader;
    fuzz::Require(reader.SetBody(data + 2, size - 2));
    std::vector<char> dest(destSize + 1, 'G'); // one guard byte
    for (int i = 0; i < 64 && reader.Remaining() > 0; ++i) {
        const size_t before = reader.Remaining();
        reader.GetString(dest.data(), destSize);
        fuzz::Require(dest[destSize] == 'G');
        if (destSize > 0) {
            fuzz::Require(std::memchr(dest.data(), '\0', destSize) != nullptr);
        }
        fuzz::Require(reader.Remaining() <= before);
        fuzz::Require(reader.Remaining() <= size - 2);
    }
    return 0;
}

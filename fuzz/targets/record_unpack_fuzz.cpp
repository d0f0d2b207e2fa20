// Each record unpacker (UnpackRecord) over arbitrary bytes. The first byte picks the record. A
// refused input leaves a zeroed record; an accepted one has terminated texts and packs again to
// a record that unpacks the same.
#include <cstddef>
#include <cstdint>

#include "record_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) {
        return 0;
    }
    fuzz::WithRecord(data[0], [&](auto& record) {
        const size_t used = UnpackRecord(data + 1, size - 1, &record);
        fuzz::Require(used <= size - 1);
        fuzz::RequireTexts(record);
        if (used == 0) {
            const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&record);
            for (size_t i = 0; i < sizeof(record); ++i) {
                fuzz::Require(bytes[i] == 0);
            }
            return;
        }
        fuzz::RequirePackedRoundTrip(record, data[0] * 40503u + size);
    });
    return 0;
}

// Cutting CP949 text at a character boundary.
#include <gtest/gtest.h>

#include <cstring>

#include "protocol/cp949_text.h"

namespace {

TEST(Cp949Text, CutLengthKeepsWholeCharacters)
{
    const struct
    {
        const char* text;
        size_t limit;
        size_t kept;
    } cases[] = {
        {"abcdef", 10, 6},                 // fits: untouched
        {"abcdef", 3, 3},
        {"abcdef", 0, 0},
        {"\xC7\xD1\xB1\xDB", 4, 4},        // 한글 fits
        {"\xC7\xD1\xB1\xDB", 3, 2},        // would split 글
        {"\xC7\xD1\xB1\xDB", 1, 0},        // would split 한
        {"a\xC7\xD1" "b", 2, 1},
        {"a\xC7\xD1" "b", 3, 3},
        {"\xC7\x41\xC7\x41", 3, 2},        // a lead byte takes the next byte, whatever it is
        {"ab\x81", 2, 2},                  // a lone lead byte at the end counts alone
        {"\xFF\xFF\xFF", 2, 2},            // 0xFF is never a lead byte
        {"\x80\x80\x80", 2, 2},            // nor is 0x80
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cp949CutLength(c.text, std::strlen(c.text), c.limit), c.kept)
            << "limit " << c.limit;
    }
}

} // namespace

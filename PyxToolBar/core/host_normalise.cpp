#include "host_normalise.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::string NormaliseHostName(const char* host)
{
    std::string text = host != nullptr ? host : "";
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < text.size()) {
            ++i; // double-byte character: its trail byte may look like a letter
            continue;
        }
        if (c >= 'A' && c <= 'Z')
            text[i] = static_cast<char>(c - 'A' + 'a');
    }
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    size_t begin = 0;
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    text = text.substr(begin, end - begin);
    if (text.compare(0, 4, "www.") == 0)
        text.erase(0, 4);
    return text;
}

#include "ascii_text.h"

#include <cctype>

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b])))
        b++;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1])))
        e--;
    return text.substr(b, e - b);
}

// Byte strings written as hexadecimal text in tests ("62 38 20 60", spaces ignored).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::vector<uint8_t> Hex(const std::string& text);
std::string ToHex(const uint8_t* data, size_t length);
inline std::string ToHex(const std::vector<uint8_t>& bytes) { return ToHex(bytes.data(), bytes.size()); }

// Writes 24-bit RGB images as PNG (zlib stored blocks: no compression library needed).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// rgb: height rows of width * 3 bytes, top row first. Returns the PNG file bytes.
std::vector<uint8_t> EncodePng(const uint8_t* rgb, uint32_t width, uint32_t height);

#include "decoder/Records.h"

namespace telbo {

namespace {
bool IsContinuation(unsigned char c) noexcept { return (c & 0xC0) == 0x80; }
} // namespace

std::size_t Utf8PrefixBytes(std::string_view s, std::size_t maxChars) noexcept {
    std::size_t i = 0;
    std::size_t chars = 0;
    while (i < s.size() && chars < maxChars) {
        ++i;
        while (i < s.size() && IsContinuation(static_cast<unsigned char>(s[i]))) ++i;
        ++chars;
    }
    return i;
}

std::size_t Utf8Length(std::string_view s) noexcept {
    std::size_t chars = 0;
    for (const char c : s)
        if (!IsContinuation(static_cast<unsigned char>(c))) ++chars;
    return chars;
}

} // namespace telbo

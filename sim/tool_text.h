// The text of the stand-in's diagnostic tools, put together piece by piece:
// each piece prints texts, whole numbers and times in milliseconds as
// snprintf prints them with "%s", "%u" and "%.3f" into a 512-byte line, cut
// where that line would cut it, without parsing a format each time.
#pragma once

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace sim {

// A time in milliseconds, printed to three places.
struct Millis {
    double value;
};

class ToolPiece {
public:
    // What one line of the tools' old 512-byte buffer held.
    static constexpr size_t kLimit = 511;

    explicit ToolPiece(std::string& text)
        : m_text(text)
        , m_start(text.size())
    {
    }
    ToolPiece(ToolPiece const&) = delete;
    ToolPiece& operator=(ToolPiece const&) = delete;
    // The piece ends: what passed the line's length goes.
    ~ToolPiece() { m_text.resize(std::min(m_text.size(), m_start + kLimit)); }

    ToolPiece& operator<<(std::string_view text)
    {
        m_text += text.substr(0, text.find('\0')); // "%s" stops at a NUL
        return *this;
    }
    ToolPiece& operator<<(char const* text) { return *this << std::string_view(text); }
    ToolPiece& operator<<(std::string const& text) { return *this << std::string_view(text); }
    ToolPiece& operator<<(unsigned value)
    {
        char digits[16];
        m_text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
        return *this;
    }
    ToolPiece& operator<<(Millis time)
    {
        if (!thousandths(time.value)) {
            char line[kLimit + 1];
            int const length = snprintf(line, sizeof line, "%.3f", time.value);
            if (length > 0)
                m_text.append(line, std::min(static_cast<size_t>(length), kLimit));
        }
        return *this;
    }

private:
    // A time of a few thousand years or less, and not too small, to three
    // places, from the exact value of the double: its mantissa times 1000,
    // shifted by its exponent, the bits shifted out deciding the rounding
    // (to the even one at exactly half, as printf does). False for any
    // other value (NaN, infinities, the very large and the very small),
    // which snprintf prints.
    bool thousandths(double value)
    {
        if (!std::isfinite(value) || std::fabs(value) >= 0x1p32 || (value != 0 && std::fabs(value) < 0x1p-10))
            return false;
        int exponent = 0;
        double const fraction = std::frexp(std::fabs(value), &exponent); // value = fraction * 2^exponent
        auto const mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53)); // exact: 53 bits
        int const shift = 53 - exponent; // value = mantissa / 2^shift, 21 <= shift <= 62 here
        uint64_t const scaled = mantissa * 1000; // below 2^63
        uint64_t whole = scaled >> shift;
        uint64_t const rest = scaled & ((uint64_t { 1 } << shift) - 1);
        uint64_t const half = uint64_t { 1 } << (shift - 1);
        if (rest > half || (rest == half && (whole & 1) != 0))
            ++whole;
        if (std::signbit(value))
            m_text += '-';
        char digits[24];
        char* end = std::to_chars(digits, digits + sizeof digits, whole / 1000).ptr;
        *end++ = '.';
        unsigned const places = static_cast<unsigned>(whole % 1000);
        *end++ = static_cast<char>('0' + places / 100);
        *end++ = static_cast<char>('0' + places / 10 % 10);
        *end++ = static_cast<char>('0' + places % 10);
        m_text.append(digits, end);
        return true;
    }

    std::string& m_text;
    size_t m_start;
};

} // namespace sim

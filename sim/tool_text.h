// The text of the stand-in's diagnostic tools, put together piece by piece:
// each piece prints texts, whole numbers and times in milliseconds as
// snprintf prints them with "%s", "%u" and "%.3f" into a 512-byte line, cut
// where that line would cut it, without parsing a format each time.
#pragma once

#include <algorithm>
#include <charconv>
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
        // to_chars prints a precision as printf does; a number too long for
        // the room (beyond some 10^60 ms) is left to snprintf itself.
        char digits[72];
        auto const [end, error] = std::to_chars(digits, digits + sizeof digits, time.value, std::chars_format::fixed, 3);
        if (error == std::errc()) {
            m_text.append(digits, end);
        } else {
            char line[kLimit + 1];
            int const length = snprintf(line, sizeof line, "%.3f", time.value);
            if (length > 0)
                m_text.append(line, std::min(static_cast<size_t>(length), kLimit));
        }
        return *this;
    }

private:
    std::string& m_text;
    size_t m_start;
};

} // namespace sim

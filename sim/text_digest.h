// A 64-bit digest of a text that arrives in pieces: the same however the
// text is cut. The stand-in gives it to each state file it writes, so that a
// later process can tell that file, unchanged since, from any other text.
// It catches edits and accidents, not someone who means to forge it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace sim {

class TextDigest {
public:
    void add(std::string_view text)
    {
        char const* p = text.data();
        size_t left = text.size();
        m_length += left;
        if (m_held > 0) {
            size_t const taken = left < 8 - m_held ? left : 8 - m_held;
            memcpy(m_pending + m_held, p, taken);
            m_held += taken;
            p += taken;
            left -= taken;
            if (m_held < 8)
                return;
            mix(word(m_pending));
            m_held = 0;
        }
        for (; left >= 8; p += 8, left -= 8)
            mix(word(p));
        memcpy(m_pending, p, left);
        m_held = left;
    }

    // Sixteen hexadecimal digits.
    std::string text() const
    {
        TextDigest last = *this;
        uint64_t tail = 0;
        memcpy(&tail, m_pending, m_held);
        last.mix(tail);
        last.mix(m_length);
        uint64_t h = last.m_state;
        h = (h ^ (h >> 33)) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 29;
        std::string digits(16, '0');
        for (size_t i = 16; i-- > 0; h >>= 4)
            digits[i] = "0123456789abcdef"[h & 15];
        return digits;
    }

private:
    static uint64_t word(char const* p)
    {
        uint64_t w;
        memcpy(&w, p, sizeof w);
        return w;
    }
    void mix(uint64_t w) { m_state = std::rotl((m_state ^ w) * 0x9E3779B97F4A7C15ull, 27) * 0xC2B2AE3D27D4EB4Full; }

    uint64_t m_state = 0x243F6A8885A308D3ull;
    uint64_t m_length = 0;
    char m_pending[8] {};
    size_t m_held = 0;
};

} // namespace sim

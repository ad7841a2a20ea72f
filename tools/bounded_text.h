// Texts put together piece by piece, cut as snprintf cuts them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>

// As much of the pieces as N - 1 characters hold, always terminated, as
// snprintf would leave them in a buffer of N bytes.
template <size_t N>
struct BoundedText {
    char text[N] = {};
    size_t length = 0;

    BoundedText() = default;
    explicit BoundedText(char const* piece) { add(piece); }

    // True when the piece fitted whole.
    bool add(char const* piece, size_t size)
    {
        size_t const taken = std::min(size, sizeof text - 1 - length);
        memcpy(text + length, piece, taken);
        length += taken;
        text[length] = '\0';
        return taken == size;
    }
    bool add(char const* piece) { return add(piece, strlen(piece)); }
    bool add(long number)
    {
        char digits[24];
        size_t at = sizeof digits;
        unsigned long magnitude = number < 0 ? 0UL - static_cast<unsigned long>(number) : static_cast<unsigned long>(number);
        do {
            digits[--at] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (number < 0)
            digits[--at] = '-';
        return add(digits + at, sizeof digits - at);
    }
};

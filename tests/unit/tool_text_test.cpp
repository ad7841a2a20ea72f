// The stand-in's tool text prints as snprintf did with "%s", "%u" and
// "%.3f" into a 512-byte line: every time a ping or traceroute reports must
// keep its bytes, ties, signs, NaN and the largest values included.
#include "../../sim/tool_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

std::string printed(char const* format, double value)
{
    char line[512];
    int const length = snprintf(line, sizeof line, format, value);
    return std::string(line, std::min(static_cast<size_t>(length), sizeof line - 1));
}

std::string pieced(double value)
{
    std::string text;
    sim::ToolPiece(text) << sim::Millis { value };
    return text;
}

TEST(ToolText, TimesPrintAsPrintfPrintsThemToThreePlaces)
{
    double const nan = std::numeric_limits<double>::quiet_NaN();
    double const inf = std::numeric_limits<double>::infinity();
    std::vector<double> values { 0.0, -0.0, 0.0005, 0.0015, 0.0025, 0.0625, 1.0625, -1.0625, 2.5, 0.1235, 11.347,
        8.924, 0.412 + 0.001 * 11, 1e20, 1e300, -1e300, 5e-324, std::numeric_limits<double>::max(), nan, -nan, inf,
        -inf };
    for (int k = 0; k <= 4000; ++k)
        values.push_back(k / 16.0); // exact in binary: every fourth place a tie
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> spread(-100000.0, 100000.0);
    for (int k = 0; k < 20000; ++k)
        values.push_back(spread(random));
    for (double value : values)
        EXPECT_EQ(pieced(value), printed("%.3f", value)) << value;
}

TEST(ToolText, PiecesPrintTextsAndNumbersAndAreCutAsTheLineWas)
{
    struct Case {
        char const* name;
        std::string text;
        unsigned number;
        std::string expected;
    };
    std::string const longText(600, 'x');
    Case const cases[] = {
        { "numbers at their extremes", "n=", 4294967295u, "n=4294967295" },
        { "zero", "", 0, "0" },
        { "a text stops at a NUL, as %s does", std::string("ab\0cd", 5), 7, "ab7" },
        { "a piece longer than the line is cut at 511 bytes", longText, 12, longText.substr(0, 511) },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = "before ";
        sim::ToolPiece(text) << c.text << c.number;
        EXPECT_EQ(text, "before " + c.expected);
    }
}

} // namespace

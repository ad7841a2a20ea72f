// The session check's texts put together by hand: the same bytes, and the
// same cut, as snprintf gives in a buffer of the same size (the session
// file's path is put together the same way).
#include "../../tools/bounded_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

namespace {

struct Case {
    std::string user;
    long stamp;
    std::string privilege;
    std::string token;
};

TEST(BoundedText, IsWhatSnprintfLeaves)
{
    std::string const token(32, 'f');
    Case const cases[] = {
        { "admin\n", 5258, "", token },
        { "operator\n", 0, "rw\n", token },
        { "operator\n", -42, "ro\n", token },
        { "admin\n", LONG_MAX, "", token },
        { "admin\n", LONG_MIN, "", token },
        { std::string(199, 'u'), 1234567, "rw\n", token },          // cut inside the token
        { std::string(220, 'u'), 98765, "ro\n", token },            // cut inside the stamp
        { std::string(255, 'u'), 7, "", token },                    // full before the stamp
        { std::string(255 - 2 - 32, 'u'), 10, "", token },          // exactly 255
        { std::string(255 - 2 - 32 - 1, 'u'), 10, "", token },      // one short
        { std::string(255 - 2 - 32 + 1, 'u'), 10, "", token },      // one over
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.user.size());
        char expected[256];
        int const whole = snprintf(expected, sizeof expected, "%s%ld\n%s%s", c.user.c_str(), c.stamp,
                                   c.privilege.c_str(), c.token.c_str());
        BoundedText<256> text(c.user.c_str());
        text.add(c.stamp);
        text.add("\n");
        text.add(c.privilege.c_str());
        bool const fitted = text.add(c.token.c_str());
        EXPECT_EQ(std::string(text.text), std::string(expected));
        EXPECT_EQ(text.length, std::string(expected).size());
        EXPECT_EQ(fitted, whole < 256);
    }
}

} // namespace

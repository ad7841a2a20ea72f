// The stand-in's own print of its state: byte for byte cJSON_Print's
// whatever the numbers, and the tree left as it was.
#include "../../sim/state_print.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

std::string cjsonPrint(cJSON const* tree)
{
    JsonText printed(cJSON_Print(tree));
    return printed ? printed.get() : "<none>";
}

TEST(StatePrint, IsCJsonsPrintForEveryKindOfNumber)
{
    double const kNumbers[] = {
        0, -0.0, 1, -1, 20, 4294967295.0, -2147483648.0, 2147483648.0,
        999999999999999.0, 1e15, -999999999999999.0, -1e15, 1e16, 9007199254740993.0,
        0.5, -0.5, 0.318, 11.347, 1e-7, 123456789.125, 1e300, -1e300,
        std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), std::nan(""),
    };
    for (double const number : kNumbers) {
        SCOPED_TRACE(number);
        // A number alone, in an object, in an array, and deeper.
        Json tree(cJSON_CreateObject());
        cJSON_AddNumberToObject(tree.get(), "n", number);
        cJSON* list = cJSON_AddArrayToObject(tree.get(), "list");
        cJSON_AddItemToArray(list, cJSON_CreateNumber(number));
        cJSON* row = cJSON_CreateObject();
        cJSON_AddNumberToObject(row, "n", number);
        cJSON_AddStringToObject(row, "s", "x\"\n\t\x01y");
        cJSON_AddItemToArray(list, row);
        cJSON_AddItemToObject(tree.get(), "empty", cJSON_CreateObject());
        cJSON_AddItemToObject(tree.get(), "none", cJSON_CreateArray());
        Json alone(cJSON_CreateNumber(number));

        for (cJSON* item : { tree.get(), alone.get() }) {
            std::string const expected = cjsonPrint(item);
            JsonText printed = sim::printState(item);
            ASSERT_TRUE(printed);
            EXPECT_EQ(std::string(printed.get()), expected);
            EXPECT_EQ(cjsonPrint(item), expected) << "the tree is as it was";
        }
        EXPECT_TRUE(cJSON_IsNumber(cJSON_GetObjectItemCaseSensitive(tree.get(), "n")));
        EXPECT_EQ(cJSON_GetObjectItemCaseSensitive(tree.get(), "n")->valuestring, nullptr);
    }
}

} // namespace

// Owners for what cJSON and the C allocator hand back, so that no path leaks.
#pragma once

#include "bounded_text.h"

#include <cjson/cJSON.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

struct JsonFree {
    void operator()(cJSON* p) const { cJSON_Delete(p); }
};
using Json = std::unique_ptr<cJSON, JsonFree>;

// Texts printed by cJSON are allocated through its hooks.
struct JsonTextFree {
    void operator()(char* p) const { cJSON_free(p); }
};
using JsonText = std::unique_ptr<char, JsonTextFree>;

// Texts allocated with malloc/calloc/strdup.
struct CFree {
    void operator()(void* p) const { std::free(p); }
};
using CText = std::unique_ptr<char, CFree>;

// Parses one complete JSON value: anything but white space after it makes the
// text unparsable. A null text gives no tree.
inline Json jsonParse(char const* text)
{
    if (text == nullptr)
        return nullptr;
    return Json(cJSON_ParseWithOpts(text, nullptr, 1));
}

// A 32-bit integer, kept as the text cJSON prints for a number that holds
// it: "%1.15g" writes every such value as its plain decimal digits. Printing
// it then takes neither the floating-point formatter nor the read back that
// checks it.
inline Json jsonInteger(int32_t value)
{
    BoundedText<12> text; // "-2147483648" at most
    text.add(long { value });
    return Json(cJSON_CreateRaw(text.text));
}

// cJSON adopts the item only on success; on failure it is still ours and freed here.
inline bool jsonAdd(cJSON* parent, char const* name, Json item)
{
    if (parent == nullptr || !item || !cJSON_AddItemToObject(parent, name, item.get()))
        return false;
    item.release();
    return true;
}

// Owners for what cJSON and the C allocator hand back, so that no path leaks.
#pragma once

#include <cjson/cJSON.h>

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

// cJSON adopts the item only on success; on failure it is still ours and freed here.
inline bool jsonAdd(cJSON* parent, char const* name, Json item)
{
    if (parent == nullptr || !item || !cJSON_AddItemToObject(parent, name, item.get()))
        return false;
    item.release();
    return true;
}

#include "httpd.h"

#include "log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <strings.h>

namespace {

// The tree lives for the whole process and is never freed, so its records
// come from the C allocator, which reports exhaustion instead of throwing.
// A record and its own copy of its text share one allocation: the tree is
// built anew for every request, and each allocation costs.
template <typename Record>
Record* newRecord(char* Record::*text, char const* value, size_t length)
{
    void* block = malloc(sizeof(Record) + length + 1);
    if (block == nullptr)
        return nullptr;
    auto* record = new (block) Record {};
    record->*text = static_cast<char*>(block) + sizeof(Record);
    memcpy(record->*text, value, length);
    (record->*text)[length] = '\0';
    return record;
}

template <typename Record>
Record* newRecord(char* Record::*text, char const* value)
{
    return newRecord(text, value, strlen(value));
}

// Fills in an entry and puts it at the head of the node's list, so that of
// two equal registrations the later is found first.
void linkEntry(HttpdDir* dir, HttpdCContent* entry, int32_t method, int32_t authFlag, HttpdHandler handler)
{
    entry->method = method;
    entry->authFlag = authFlag;
    entry->handler = handler;
    entry->next = dir->firstContent;
    dir->firstContent = entry;
}

// At most the first 1023 characters, always terminated.
void copyText(char (&buffer)[kHttpdTextSize], char const* text)
{
    size_t const length = strnlen(text, sizeof buffer - 1);
    memcpy(buffer, text, length);
    buffer[length] = '\0';
}

// The child of a node named by the size characters at part; null when it has
// none.
HttpdDir* childNamed(HttpdDir const* node, char const* part, size_t size)
{
    HttpdDir* child = node->firstChild;
    while (child != nullptr
           && (child->name[0] != part[0] || strncmp(child->name, part, size) != 0 || child->name[size] != '\0'))
        child = child->nextSibling;
    return child;
}

// The node of a path, found as httpdDirFind finds it but without making the
// nodes that are missing: a missing node would have no content, so nothing
// that the dispatcher answers changes, and a process that serves many
// requests does not grow its tree with every unknown path. Null when a node
// is missing; name is then the last component, the name of the node that
// httpdDirFind would have made (empty for the root).
HttpdDir* dirLookup(HttpdDir* root, char* path, char const*& name)
{
    HttpdDir* node = root;
    name = root->name;
    char* save = nullptr;
    for (char* part = strtok_r(path, "/", &save); part != nullptr; part = strtok_r(nullptr, "/", &save)) {
        name = part;
        if (node != nullptr)
            node = childNamed(node, part, strlen(part));
    }
    return node;
}

} // namespace

HttpdHandle httpdRootCreate()
{
    auto* handle = static_cast<HttpdRoot*>(calloc(1, sizeof(HttpdRoot)));
    if (handle == nullptr)
        return nullptr;
    handle->root = newRecord(&HttpdDir::name, "");
    if (handle->root == nullptr) {
        free(handle);
        return nullptr;
    }
    return handle;
}

HttpdDir* httpdDirFind(HttpdHandle handle, char const* path)
{
    if (handle == nullptr || handle->root == nullptr)
        return nullptr;
    // Only the first 1023 characters count; the components are the runs
    // between slashes, compared in place.
    char const* text = path != nullptr ? path : "";
    size_t const length = strnlen(text, kHttpdTextSize - 1);
    HttpdDir* node = handle->root;
    for (size_t start = 0; start < length;) {
        if (text[start] == '/') {
            ++start;
            continue;
        }
        size_t end = start;
        while (end < length && text[end] != '/')
            ++end;
        char const* part = text + start;
        size_t const size = end - start;
        HttpdDir* child = childNamed(node, part, size);
        if (child == nullptr) {
            child = newRecord(&HttpdDir::name, part, size);
            if (child == nullptr)
                return nullptr;
            child->nextSibling = node->firstChild;
            node->firstChild = child;
        }
        node = child;
        start = end;
    }
    return node;
}

int httpdAddCContent(HttpdHandle handle, char const* basePath, char const* resource, int32_t method,
                     int32_t authFlag, HttpdHandler handler)
{
    HttpdDir* dirPtr = httpdDirFind(handle, basePath);
    if (dirPtr == nullptr) {
        DEVMGR_LOG(3, "httpdAddCContent, dirPtr == NULL\n");
        return -1;
    }
    auto* newEntry = newRecord(&HttpdCContent::resource, resource);
    if (newEntry == nullptr) {
        DEVMGR_LOG(3, "httpdAddCContent, newEntry == NULL\n");
        return -1;
    }
    linkEntry(dirPtr, newEntry, method, authFlag, handler);
    return 0;
}

int httpdAddCContents(HttpdHandle handle, char const* basePath, std::span<HttpdRoute const> routes,
                      int32_t authFlag)
{
    HttpdDir* dir = httpdDirFind(handle, basePath);
    if (dir != nullptr && routes.empty())
        return 0; // nothing to hold, so nothing is allocated
    size_t size = routes.size() * sizeof(HttpdCContent);
    for (HttpdRoute const& route : routes)
        size += strlen(route.resource) + 1;
    char* block = dir != nullptr ? static_cast<char*>(calloc(1, size)) : nullptr;
    if (block == nullptr) {
        // Each route then goes its own way, and reports its own failure.
        int result = 0;
        for (HttpdRoute const& route : routes)
            if (httpdAddCContent(handle, basePath, route.resource, route.method, authFlag, route.handler) != 0)
                result = -1;
        return result;
    }
    // The entries first, then their texts.
    auto* entries = reinterpret_cast<HttpdCContent*>(block);
    char* text = block + routes.size() * sizeof(HttpdCContent);
    for (size_t i = 0; i < routes.size(); ++i) {
        size_t const length = strlen(routes[i].resource) + 1;
        memcpy(text, routes[i].resource, length);
        entries[i].resource = text;
        text += length;
        linkEntry(dir, &entries[i], routes[i].method, authFlag, routes[i].handler);
    }
    return 0;
}

char const* httpdMethodName(int32_t code)
{
    switch (code) {
    case kMethodGet: return "GET";
    case kMethodPost: return "POST";
    case kMethodDelete: return "DELETE";
    case kMethodPut: return "PUT";
    default: {
        // The program never registers such a code; the text is shared by design.
        static char invalid[256];
        snprintf(invalid, sizeof invalid, "Invalid method '%d'", code);
        return invalid;
    }
    }
}

void httpdProcessRequest(HttpdHandle handle)
{
    char const* uri = getenv("REQUEST_URI");
    if (uri == nullptr)
        return;
    char url[kHttpdTextSize];
    copyText(url, uri);

    char* lastSlash = strrchr(url, '/');
    if (lastSlash == nullptr) {
        printf("Invalid request path '%s'\n", url);
        return;
    }
    // The resource is what follows the last "/", up to a "?"; cut in place,
    // it is no longer than the copy of the whole path.
    char* const resource = lastSlash + 1;
    resource[strcspn(resource, "?")] = '\0';

    // The directory path is what comes before the last "/" (nothing, for
    // the root).
    *lastSlash = '\0';
    if (handle == nullptr || handle->root == nullptr)
        return;
    char const* dirName = nullptr;
    HttpdDir const* dir = dirLookup(handle->root, url, dirName);

    char const* method = getenv("REQUEST_METHOD");
    HttpdCContent* entry = dir != nullptr ? dir->firstContent : nullptr;
    if (method == nullptr)
        entry = nullptr; // the web server always sets it; without it nothing can match
    while (entry != nullptr
           && (strcasecmp(httpdMethodName(entry->method), method) != 0 || strcmp(entry->resource, resource) != 0))
        entry = entry->next;
    if (entry == nullptr) {
        DEVMGR_LOG(3, "method not found:%s\n%s\n%s\n", uri, dirName, resource);
        return;
    }

    if (entry->authFlag != kAuthNone
        && checkSessionX(getenv("HTTP_SESSION"), getenv("HTTP_REFRESH"), entry) == -1) {
        DEVMGR_LOG(3, "403 Forbidden\n");
        puts("Status:403\r\n\r");
        auditStatus(403);
        return;
    }
    if (strncmp(uri, "/api/v2/", 8) == 0)
        puts("Content-Type: application/json\r\n\r");
    entry->handler();
}

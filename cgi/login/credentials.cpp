// The login request's body: read whole into a buffer of its own, parsed, and
// wiped, with every copy cJSON made of it.
#include "login.h"

#include "../../tools/common/response.h"
#include "../../tools/json.h"

#include <malloc.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

void wipingFree(void* block)
{
    if (block == nullptr)
        return;
    explicit_bzero(block, malloc_usable_size(block));
    free(block);
}

// The body as the web server hands it: CONTENT_LENGTH bytes on standard
// input. False when there is none, or more than the limit.
bool readBody(char (&body)[kLoginBodyLimit + 1])
{
    char const* length = getenv("CONTENT_LENGTH");
    if (length == nullptr || *length == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long const claimed = strtoull(length, &end, 10);
    if (errno != 0 || *end != '\0' || length[0] == '-' || claimed == 0 || claimed > kLoginBodyLimit)
        return false;
    size_t stored = 0;
    while (stored < claimed) {
        ssize_t n = read(STDIN_FILENO, body + stored, claimed - stored);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        stored += static_cast<size_t>(n);
    }
    body[stored] = '\0';
    return stored == claimed;
}

// A member that is a string of at most limit bytes, copied into its buffer.
template <size_t N>
bool takeText(cJSON const* object, char const* name, char (&into)[N])
{
    cJSON const* member = cJSON_GetObjectItem(object, name);
    if (!cJSON_IsString(member) || member->valuestring == nullptr)
        return false;
    size_t const length = strnlen(member->valuestring, N);
    if (length >= N)
        return false;
    memcpy(into, member->valuestring, length + 1);
    return true;
}

// A user name is one line of printable text: it becomes the first line of
// the session file and goes into log lines.
bool plainName(char const* name)
{
    if (*name == '\0')
        return false;
    for (char const* p = name; *p != '\0'; ++p)
        if (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7f)
            return false;
    return true;
}

} // namespace

Credentials::~Credentials()
{
    explicit_bzero(userName, sizeof userName);
    explicit_bzero(password, sizeof password);
}

void wipeJsonOnFree()
{
    cJSON_Hooks hooks { malloc, wipingFree };
    cJSON_InitHooks(&hooks);
}

int32_t readCredentials(Credentials& credentials)
{
    char body[kLoginBodyLimit + 1];
    bool const read = readBody(body);
    Json const parsed = read ? jsonParse(body) : nullptr;
    explicit_bzero(body, sizeof body);
    auditMembers(parsed.get());
    if (!cJSON_IsObject(parsed.get()) || !takeText(parsed.get(), "userName", credentials.userName)
        || !takeText(parsed.get(), "password", credentials.password) || !plainName(credentials.userName))
        return kRespInvalidArgument;
    auditUser(credentials.userName, nullptr);
    return kRespSuccess;
}

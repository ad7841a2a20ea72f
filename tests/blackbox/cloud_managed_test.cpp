// Cloud management: the proxy address, port, user and password and the server
// URL as they reach the switch, and as the next process reads them back.
#include "harness.h"

using namespace harness;

namespace {

constexpr char kProxyIp[] = "/api/v2/mgmt/cloud-managed/proxy-ip";
constexpr char kProxyUser[] = "/api/v2/mgmt/cloud-managed/proxy-user";
constexpr char kServerUrl[] = "/api/v2/mgmt/cloud-managed/server-url";

std::string callLine(char const* call, std::string const& args)
{
    return std::string("{\"call\":\"rpcclt_openapiCloudManaged") + call + "\",\"args\":[" + args + "]}";
}

std::string text(std::string const& t, size_t size)
{
    return "{\"size\":" + std::to_string(size) + ",\"text\":\"" + t + "\"}";
}

std::string success(char const* data)
{
    return getReply(0, "Success", "cloudManaged", data);
}

class CloudManaged : public CgiTest {};

struct ProxyIpCase {
    std::optional<std::string> query;
    char const* body;
    char const* sent;
    int code;
    char const* readBack; // after the set, or none when it was refused
};

TEST_F(CloudManaged, ProxyAddressComesFromTheBodyAndThePortFromTheQuery)
{
    ProxyIpCase const cases[] = {
        { "portNum=3128", R"({"ipAddr":"2001:db8::1"})", R"({"family":2,"addr":"2001:db8::1"},3128)", 0,
          R"({"ipAddr":"2001:db8::1","portNum":3128})" },
        { "xportNum=81&portNum=80", R"({"IPADDR":"192.0.2.10"})", R"({"family":1,"addr":"192.0.2.10"},81)", 0,
          R"({"ipAddr":"192.0.2.10","portNum":81})" },
        { std::nullopt, R"({"ipAddr":"192.0.2.1","portNum":8080})", R"({"family":1,"addr":"192.0.2.1"},0)", 10003, nullptr },
        { "portNum=8080", R"({"ipAddr":"proxy.example.com"})", R"({"family":1,"addr":"0.0.0.0"},8080)", 10003, nullptr },
        { "portNum=-1", R"({"ipAddr":"192.0.2.1"})", R"({"family":1,"addr":"192.0.2.1"},4294967295)", 10003, nullptr },
        { "portNum=8080", R"({"ipAddr":"::"})", R"({"family":2,"addr":"::"},8080)", 10003, nullptr },
        { "portNum=8080", R"({"ipAddr":5})", R"({"family":0,"addr":"0.0.0.0"},8080)", 0, R"({"ipAddr":"0.0.0.0","portNum":0})" },
        { "portNum=8080", "[]", R"({"family":0,"addr":"0.0.0.0"},8080)", 0, R"({"ipAddr":"0.0.0.0","portNum":0})" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.body);
        clearTrace();
        Result r = run({ .method = "PUT", .uri = kProxyIp, .query = c.query, .body = c.body });
        EXPECT_EQ(r.out, setReply(c.code, c.code == 0 ? "Success" : "Invalid argument"));
        EXPECT_EQ(handlerCalls(), std::vector<std::string> { callLine("ProxyIpSet", c.sent) });
        if (c.readBack != nullptr) {
            EXPECT_EQ(get(kProxyIp).out, success(c.readBack));
        }
    }
}

struct ProxyUserCase {
    std::string body;
    std::string sent;
    std::string readBack;
};

TEST_F(CloudManaged, ProxyUserAndPasswordAreCutToTheirBuffersAndReadBack)
{
    std::string const u64(64, 'u'), p128(128, 'p');
    ProxyUserCase const cases[] = {
        { R"({"userName":")" + u64 + R"(","password":")" + p128 + R"(","encryptType":"password_encrypt_md5"})",
          text(u64, 65) + ",2," + text(p128, 129),
          R"({"userName":")" + u64 + R"(","encryptType":"password_encrypt_md5","password":")" + p128 + "\"}" },
        { R"({"USERNAME":")" + u64 + R"(u","Password":")" + p128 + R"(p","encryptType":"PASSWORD_ENCRYPT_AES"})",
          text(u64, 65) + ",0," + text(p128, 129),
          R"({"userName":")" + u64 + R"(","encryptType":"password_encrypt_none","password":")" + p128 + "\"}" },
        { R"({"userName":"ops","password":"s3cret","encryptType":"password_encrypt_aes"})",
          text("ops", 4) + ",1," + text("s3cret", 7), R"({"userName":"ops","encryptType":"password_encrypt_aes","password":"s3cret"})" },
        { R"({"userName":7,"encryptType":1,"password":null})", text("", 1) + ",0," + text("", 1),
          R"({"userName":"","encryptType":"password_encrypt_none","password":""})" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.body);
        clearTrace();
        EXPECT_EQ(put(kProxyUser, c.body).out, setReply(0, "Success"));
        EXPECT_EQ(get(kProxyUser).out, success(c.readBack.c_str()));
        EXPECT_EQ(handlerCalls(), (std::vector<std::string> { callLine("ProxyUserSet", c.sent),
                                                               callLine("ProxyUserGet", text("", 65) + ",0," + text("", 129)) }));
    }
}

TEST_F(CloudManaged, ServerUrlIsCutTo150CharactersAndReadBack)
{
    std::string const url200 = "https://" + std::string(192, 'c');
    struct {
        std::string body, sent;
        int code;
        std::string readBack;
    } const cases[] = {
        { "{\"url\":\"" + url200 + "\"}", text(url200.substr(0, 150), 151), 0, url200.substr(0, 150) },
        { R"({"url":"ftp://files.example.com"})", text("ftp://files.example.com", 24), 10003, url200.substr(0, 150) },
        { R"({"URL":"http://nms.example.com/"})", text("http://nms.example.com/", 24), 0, "http://nms.example.com/" },
        { "{}", text("", 1), 0, "" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.body);
        clearTrace();
        EXPECT_EQ(put(kServerUrl, c.body).out, setReply(c.code, c.code == 0 ? "Success" : "Invalid argument"));
        EXPECT_EQ(get(kServerUrl).out, success(("{\"url\":\"" + c.readBack + "\"}").c_str()));
        EXPECT_EQ(handlerCalls(), (std::vector<std::string> { callLine("ServerUrlSet", c.sent), callLine("ServerUrlGet", text("", 151)) }));
    }
}

TEST_F(CloudManaged, BodyThatIsNotOneJsonValueIsRefusedWithoutCallingTheSwitch)
{
    for (char const* uri : { kProxyIp, kProxyUser, kServerUrl }) {
        for (char const* body : { "", "{", R"({"url":"http://a"} {})" }) {
            SCOPED_TRACE(std::string(uri) + " " + body);
            clearTrace();
            EXPECT_EQ(run({ .method = "PUT", .uri = uri, .query = "portNum=80", .body = body }).out,
                      setReply(10003, "Invalid argument"));
            EXPECT_TRUE(handlerCalls().empty());
        }
    }
}

TEST_F(CloudManaged, SwitchValuesAndFailuresReachTheClientInTheirForm)
{
    EXPECT_EQ(get(kProxyIp).out, success(R"({"ipAddr":"0.0.0.0","portNum":0})"));
    EXPECT_EQ(run({ .uri = kProxyUser,
                    .faults = R"({"rpcclt_openapiCloudManagedProxyUserGet":{"out":["u",3,"p"]}})" })
                  .out,
              success(R"({"userName":"u","encryptType":"password_encrypt_none","password":"p"})"));
    EXPECT_EQ(run({ .uri = kProxyIp, .faults = R"({"rpcclt_openapiCloudManagedProxyIpGet":-1})" }).out,
              getReply(10000, "General Failed"));
    EXPECT_EQ(run({ .method = "PUT", .uri = kServerUrl, .body = "{}", .faults = R"({"rpcclt_openapiCloudManagedServerUrlSet":-24})" }).out,
              setReply(10011, "Object exist"));
}

} // namespace

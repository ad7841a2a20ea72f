"""Values checked before they are sent, values put where the route reads
them. (The switch's and the web server's refusals, with the route, the code
and what was sent: test_cli.test_failures_and_exit_codes.)"""

import pytest

from swmgmt import Client, InputError, description

WEB_MODE = "webmgmt/sw-dev-ctrl-web-mgmt-mode"
SOFT_TIMEOUT = "webmgmt/cli-web-http-session-soft-time-out"


# (operation, values, words the refusal must hold)
REFUSED = [
    ("putWebmgmtSwDevCtrlWebMgmtMode", {"Mode": "enable"}, ['spelled "mode"']),
    ("putNtpAuthenticationMode", {"mode": 1}, ['"true"', '"false"']),
    ("putWebmgmtCliWebHttpSessionSoftTimeOut", {"timeout": 0}, ["1 to 60"]),
    ("putWebmgmtCliWebHttpSessionSoftTimeOut", {"timeout": 61}, ["1 to 60"]),
    ("putWebmgmtCliWebHttpSessionSoftTimeOut", {"timeout": "ten"}, ["whole number"]),
    ("putWebmgmtCliWebHttpSessionSoftTimeOut", {"timeout": True}, ["a number is wanted"]),
    ("postDnsIpNameServer", {"ipAddr": "999.0.2.1"}, ["not an IPv4 or IPv6 address"]),
    ("deleteNtpServer", {"ipAddr": "a/b&c= d"}, ['holds " ", "&", "/", "="', "query"]),
    ("putCloudManagedServerUrl", {"url": "https://" + "x" * 150}, ["at most 150"]),
    ("putNtpServerTableAuthKey", {"keyIndex": 7}, ["needs ntpServer"]),
    ("postNtpServer", {"ipAddr": "192.0.2.1", "keyIndex": 3}, ["not read by this route"]),
]


@pytest.mark.parametrize("operation, values, words", REFUSED)
def test_refused_before_sending(client, operation, values, words):
    with pytest.raises(InputError) as refused:
        client.call(operation, **values)
    message = str(refused.value)
    assert message.startswith(client.operation(operation).route)
    assert all(word in message for word in words), message
    assert client.requests == 0


def test_values_are_converted_and_put_where_the_route_reads_them(client):
    client.call("postNtpServer", ipAddr="2001:db8::53")
    # A flag from a Python boolean; a number from command line text.
    client.set("ntp/authentication-mode", True)
    assert client.get("ntp/authentication-mode") == "true"
    client.set(SOFT_TIMEOUT, "30")
    assert client.get(SOFT_TIMEOUT) == 30
    # The key index goes in the query, the server in the body, whatever order they come in.
    client.set("ntp/server-table-auth-key", keyIndex=7, ntpServer="2001:db8::53")
    assert client.get("ntp/server-table-auth-key", ntpServer="2001:db8::53") == 7
    # Reading and writing name the value once: "mode", not "pMode".
    client.set(WEB_MODE, "disable")
    assert client.get(WEB_MODE) == "disable"
    # Several values read back by their request names.
    client.set("cloud-managed/proxy-ip", ipAddr="192.0.2.80", portNum=3128)
    assert client.get("cloud-managed/proxy-ip") == {"ipAddr": "192.0.2.80", "portNum": 3128}
    # A POST without values still sends a body, so lighttpd does not answer 411.
    client.call("postEventNotifyClientRegister", clientDescription="station")
    client.call("postEventNotifyClientDeregister")


def test_every_example_of_the_description_passes_the_checks():
    api = description()
    for op in api.operations.values():
        raw = api.document["paths"][op.path][op.method.lower()]
        values = {p["name"]: p["example"] for p in raw.get("parameters", []) if "example" in p}
        values.update(raw.get("requestBody", {}).get("content", {}).get("application/json", {}).get("example", {}))
        Client("http://127.0.0.1:9", "token").prepare(op, values)

"""Configuration documents through the real program: every writable setting
in the document, a switch copied to another, applies that change nothing, merge and
replace, --check, diff, and a failure midway put back."""

import json

import pytest

from swmgmt import Client, description
from swmgmt.config import ApplyError
from conftest import before_each_exchange
from test_cli import swmgmt

WRITES = ("write", "add", "delete", "clear")

SITE = {
    "ntp": {
        "mode": "ntp_unicast",
        "keys": [{"keyNumber": 7, "auth-table-key-value": "Secret7", "auth-table-key-msg-auth-alg": "sha256",
                  "auth-table-key-trusted": "true"},
                 {"keyNumber": 9, "auth-table-key-value": "Secret9", "auth-table-key-msg-auth-alg": "md5",
                  "auth-table-key-trusted": "true"}],
        "servers": [{"ntpServer": "192.0.2.10", "server-table-auth-key": 7, "server-table-prefer": "true"},
                    {"ntpServer": "2001:db8::10", "server-table-auth-key": 9, "server-table-iburst": "true"}],
        "authentication-mode": "true",
    },
    "dns": {"default-domain-name": "example.net",
            "name-servers": [{"ipAddr": "198.51.100.53"}, {"ipAddr": "2001:db8:53::1"}]},
    "mgmttelnet": {"agent-telnet-admin-mode": "disable", "agent-telnet-timeout": 20},
    "cloud-managed": {"proxy-ip": {"ipAddr": "192.0.2.80", "portNum": 3128}},
}


def writes(client):
    """The configuration writes the client sends (the requests still go)."""
    ops = []

    def see(op, _values):
        if op.config and op.config["role"] in WRITES:
            ops.append(op.id)

    before_each_exchange(client, see)
    return ops


def holds(got, want):
    """got has every value of want, each wanted table entry in one entry."""
    if isinstance(want, dict):
        return isinstance(got, dict) and all(holds(got.get(k), v) for k, v in want.items())
    if isinstance(want, list):
        return all(any(holds(entry, w) for entry in got) for w in want)
    return got == want


def test_every_writable_setting_is_in_the_document():
    api = description()
    model = Client("http://127.0.0.1:1").config_model()
    named = set()
    for area, items in model.areas.items():
        for name, item in items.items():
            for setting in [item, *getattr(item, "settings", {}).values()]:
                if getattr(setting, "write", None) is not None:
                    assert setting.read is not None, f"{area}/{setting.name} is written but not read"
                    named.add(f"{area}/{setting.name}")
            if hasattr(item, "settings"):
                assert item.add and item.delete and item.walk in api.walks, f"{area}.{name} is missing a part"
    assert set(api.settings()) == named


def test_get_apply_to_another_switch_gives_the_same(make_server):
    one, two = make_server(), make_server()
    with Client(one.base, one.token) as a, Client(two.base, two.token) as b:
        # A factory switch's own document goes back to it unchanged, though
        # it holds a value its checks refuse (proxy port 0).
        factory = writes(a)
        assert a.config_apply(a.config_get()) == [] and factory == []
        a.config_apply(SITE)
        document = a.config_get()
        # What was applied reads back, each table's settings joined to their
        # own entry, among the switch's other values.
        assert holds(document, SITE), document
        assert json.loads(json.dumps(document)) == document
        changes = b.config_apply(document, "replace")
        assert any(line.startswith("+ ntp.servers[192.0.2.10]") for line in changes)
        assert b.config_get() == document
        # The same again: nothing to write, and nothing written.
        sent = writes(b)
        assert b.config_apply(document, "replace") == [] and sent == []
        # An extra entry: a merge keeps it, a replace deletes it.
        b.call("postNtpServer", ipAddr="192.0.2.99")
        sent.clear()
        assert b.config_apply(document) == [] and sent == []
        b.config_apply(document, "replace")
        assert sent == ["deleteNtpServer"] and b.config_get() == document


def test_a_failure_midway_puts_the_switch_back(make_server):
    server = make_server(faults={"rpcclt_openapiNtpServerTablePreferSet": -1})
    with Client(server.base, server.token) as c:
        c.config_apply({"dns": {"name-servers": [{"ipAddr": "198.51.100.1"}]}}, "replace")
        before = c.config_get()
        with pytest.raises(ApplyError) as failed:
            c.config_apply({area: SITE[area] for area in ("ntp", "dns", "mgmttelnet")}, "replace")
        assert failed.value.exit_code == 6
        text = str(failed.value)
        assert "ntp.servers[192.0.2.10]" in text and "put back: - ntp.keys[7]" in text
        assert "put back: + dns.name-servers[198.51.100.1]" in text
        assert text.endswith("the switch is as it was before")
        assert c.config_get() == before


@pytest.mark.parametrize("document, problem", [
    ({"ntp": {"mode": "unicast"}}, "'unicast' is not one of"),
    ({"ntp": {"servers": [{"ntpServer": "192.0.2.1", "server-table-prefer": "yes"}]}}, "'yes' is not one of"),
    ({"ntp": {"servers": [{"ntpServer": "192.0.2.1", "prefer": "true"}]}}, "prefer is not a field"),
    ({"ntp": {"clock": 1}}, "ntp.clock: not configuration"),
    ({"dns": {"name-servers": [{"ipAddr": "198.51.100.1"}, {"ipAddr": "198.51.100.1"}]}}, "given twice"),
])
def test_values_are_checked_before_the_first_write(client, document, problem):
    sent = writes(client)
    with pytest.raises(Exception) as refused:
        client.config_apply({"mgmttelnet": {"agent-telnet-timeout": 21}, **document})
    assert problem in str(refused.value)
    assert sent == []


def test_command_diff_check_and_apply(server, tmp_path):
    at = ["--switch", server.base, "--token", server.token]
    path = tmp_path / "site.json"
    path.write_text(json.dumps({"mgmttelnet": SITE["mgmttelnet"], "ntp": {"servers": [{"ntpServer": "192.0.2.10"}]}}))
    code, out, err = swmgmt("config", "diff", str(path), *at)
    assert (code, out) == (0, "~ mgmttelnet.agent-telnet-admin-mode: 'enable' -> 'disable'\n"
                              "~ mgmttelnet.agent-telnet-timeout: 5 -> 20\n"
                              "+ ntp.servers[192.0.2.10]\n"), err
    code, out, _ = swmgmt("config", "apply", "--check", str(path), *at)
    assert code == 0 and out.endswith("(check: nothing was sent)\n")
    # The three changes still to make after --check; made, none are left.
    code, out, _ = swmgmt("config", "apply", str(path), *at)
    assert code == 0 and out.count("\n") == 3
    assert swmgmt("config", "apply", str(path), *at)[1:] == ("no changes\n", "")

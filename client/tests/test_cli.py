"""The swmgmt command: its output and exit codes, on one switch and on
three at once."""

import json
import os
import subprocess

import pytest

from conftest import ROOT

COMMAND = os.path.join(ROOT, "client", "bin", "swmgmt")


def swmgmt(*args, env=None):
    run = subprocess.run([COMMAND, *args], capture_output=True, text=True, timeout=120,
                         env={**os.environ, **(env or {})})
    return run.returncode, run.stdout, run.stderr


def test_help_tables_and_operations():
    assert swmgmt("--help")[0] == 0
    code, out, _ = swmgmt("tables")
    assert code == 0 and "ntp-servers" in out.split() and "dns-cache" in out.split()
    code, out, _ = swmgmt("operations", "auth-table-key")
    assert code == 0 and "postNtpAuthTableKey" in out and "keyNumber" in out


def test_one_switch(server):
    at = ["--switch", server.base, "--token", server.token]
    assert swmgmt("call", "postNtpServer", "ipAddr=192.0.2.10", *at)[0] == 0
    assert swmgmt("set", "ntp/server-table-prefer", "true", "ntpServer=192.0.2.10", *at)[1:] == (
        "set ntp/server-table-prefer: ntpServer=192.0.2.10, prefer=true\n", "")
    code, out, _ = swmgmt("list", "ntp-servers", *at)
    assert code == 0
    [entry] = json.loads(out)
    assert entry["ntpServer"] == "192.0.2.10" and entry["prefer"] == "true"
    code, out, _ = swmgmt("list", "dns-static-hosts", "-o", "table", *at)
    assert (code, out) == (0, "hostname\tipAddr\nsyslog\t192.168.1.20\ntftp\t192.168.1.21\n")
    code, out, _ = swmgmt("get", "webmgmt/cli-web-http-session-hard-time-out", *at,
                          env={"SWMGMT_TOKEN": "unused"})
    assert (code, out) == (0, "24\n")
    code, out, _ = swmgmt("call", "postPingAddressWithCount", "address=10.1.2.3", "pingCount=2", *at)
    ping = json.loads(out)
    assert (code, ping["sent"], ping["received"], ping["loss"], len(ping["replies"])) == (0, 2, 2, 0.0, 2)
    assert ping["replies"][0]["address"] == "10.1.2.3" and ping["output"].startswith("PING")
    code, out, _ = swmgmt("call", "postTracerouteAddress", "address=198.51.100.9", *at)
    hops = json.loads(out)["hops"]
    assert [(h["hop"], h["address"], len(h["times"])) for h in hops[:4]] == [
        (1, "10.1.1.1", 3), (2, "203.0.113.1", 3), (3, None, 3), (4, "203.0.113.77", 3)]
    assert hops[2]["times"] == [None] * 3 and all(t > 0 for t in hops[0]["times"])
    assert swmgmt("call", "postEventNotifyRegister", "numOfNotifyEvents=1",
                  'eventNotifyCfg:=[{"eventType": 5, "timeout": 30, "eventCount": 1}]', *at)[0] == 3


@pytest.mark.parametrize("args, code, words", [
    (["get", "ntp/server-table-prefer", "ntpServer=192.0.2.99"], 3,
     ["GET /api/v2/mgmt/ntp/server-table-prefer: 10000 General Failed"]),
    (["set", "dns/default-domain-name", "bad_name"], 3,
     ["PUT /api/v2/mgmt/dns/default-domain-name: 10003 Invalid argument (sent defaultDomainName='bad_name')"]),
    (["list", "nothing"], 2, ["no table 'nothing'"]),
    (["get", "webmgmt/sw-dev-ctrl-web-mgmt-mode", "--token", "0123456789abcdef0123456789abcdef"], 4, ["HTTP 403"]),
    (["call", "postNtpServer", "ipAddr"], 2, ["NAME=VALUE"]),
])
def test_failures_and_exit_codes(server, args, code, words):
    got, out, err = swmgmt(*args, "--switch", server.base, env={"SWMGMT_TOKEN": server.token})
    assert got == code, err
    assert out == "" and all(word in err for word in words), err


def test_three_switches_at_once_and_one_that_is_down(make_server, tmp_path):
    servers = [make_server() for _ in range(3)]
    for i, s in enumerate(servers):
        for j in range(i + 1):
            assert swmgmt("call", "postNtpServer", f"ipAddr=192.0.2.{j + 1}", "-s", s.base, "-t", s.token)[0] == 0
    listing = tmp_path / "switches"
    listing.write_text("# the lab\n" + "".join(f"{s.base} {s.token}\n" for s in servers[1:]))
    code, out, err = swmgmt("list", "ntp-servers", "-s", servers[0].base, "-f", str(listing), "-j", "3",
                            env={"SWMGMT_TOKEN": servers[0].token})
    assert code == 0, err
    lines = [json.loads(line) for line in out.splitlines()]
    assert [line["switch"] for line in lines] == [s.base for s in servers]
    assert [len(line["result"]) for line in lines] == [1, 2, 3]
    # The file's own tokens, with no session given besides.
    code, out, err = swmgmt("list", "ntp-servers", "-f", str(listing), env={"SWMGMT_TOKEN": ""})
    assert code == 0, err
    assert [len(json.loads(line)["result"]) for line in out.splitlines()] == [2, 3]
    servers[1].stop()
    code, out, _ = swmgmt("get", "ntp/servers-max-supported", "-s", servers[0].base, "-f", str(listing),
                          env={"SWMGMT_TOKEN": servers[0].token})
    assert code == 4
    lines = [json.loads(line) for line in out.splitlines()]
    assert [("result" in line, line.get("exit")) for line in lines] == [(True, None), (False, 4), (True, None)]
    assert "Connection refused" in lines[1]["error"]

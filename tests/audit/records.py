"""The audit records of requests sent through lighttpd, run by
tests/audit/serve_cases.sh.

records.py table BASE AUDIT SYSLOG RW_TOKEN
    the table's requests one after the other: each leaves exactly one record
    in the file and in syslog (none for a GET), with the fields its row
    names; no key value or password sent appears anywhere.
records.py concurrent BASE AUDIT TOKEN...
    eight PUTs per token at once: each answered in full, one whole record
    each, with its user.
records.py answers BASE TOKEN OUT
    a PUT, a refused PUT and a login; their answers (status and body) to OUT.
"""

import concurrent.futures
import json
import os
import re
import sys
import time
import urllib.error
import urllib.request

TIMEOUT = "/api/v2/mgmt/mgmttelnet/agent-telnet-timeout"
KEY = "/api/v2/mgmt/ntp/auth-table-key"
LOGIN = "/api/v2/login"
NONE = type(None)
FIELDS = {"time": str, "program": str, "user": (str, NONE), "privilege": (str, NONE), "remoteAddr": str,
          "remotePort": int, "method": str, "path": str, "query": dict, "members": dict, "status": (int, NONE),
          "respCode": (int, NONE), "durationMs": (int, float)}
SYSLOG_HEAD = re.compile(r"^<86>mgmt-audit\[\d+\]: ")
ANY_INT = int  # in a row: the switch's own code, any whole number


def send(base, method, path, token=None, body=None):
    data = None if body is None else json.dumps(body).encode()
    request = urllib.request.Request(base + path, data=data, method=method,
                                     headers={} if data is None else {"Content-Type": "application/json"})
    if token is not None:
        request.add_header("Session", token)
    try:
        with urllib.request.urlopen(request, timeout=30) as reply:
            return reply.status, reply.read()
    except urllib.error.HTTPError as error:
        return error.code, error.read()


def lines(path):
    return open(path, encoding="utf-8").read().splitlines() if os.path.exists(path) else []


def well_formed(line, where):
    record = json.loads(line)
    for name, kind in FIELDS.items():
        assert isinstance(record.get(name, ...), kind), f"{where}: {name} missing or of the wrong type: {line}"
    assert re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z", record["time"]), line
    return record


def syslog_records(path):
    """The audit records among the syslog lines (PAM writes there too)."""
    out = []
    for line in lines(path):
        if "mgmt-audit[" in line.split(": ", 1)[0]:
            head = SYSLOG_HEAD.match(line)
            assert head, f"syslog line: {line}"
            out.append(line[head.end():])
    return out


def arrived(syslog, before, count):
    """The syslog records after the first before, once count of them are
    there (the listener writes them a moment after the program sent them)."""
    for _ in range(100):
        new = syslog_records(syslog)[before:]
        if len(new) >= count:
            break
        time.sleep(0.02)
    return new


def table(base, audit, syslog, rw_token):
    failures = []
    admin_login = {"program": "login_v2.cgi", "method": "POST", "path": LOGIN, "status": 200}
    logout = {"program": "login_v2.cgi", "event": "logout"}
    secrets = ["admin-pw", "wrong-pw", "bob-pw", "Key-Secret-77", "Proxy-Pass-99", "Upper-Pass-55"]
    # (what, method, path, token, body, the record, or None for no record)
    rows = [
        ("failed login", "POST", LOGIN, None, {"userName": "admin", "password": "wrong-pw"},
         dict(admin_login, event="login-failed", user="admin", privilege=None, respCode=12001,
              members={"userName": "admin", "password": "***"})),
        ("login", "POST", LOGIN, None, {"userName": "admin", "password": "admin-pw"},
         dict(admin_login, event="login", user="admin", privilege="admin", respCode=0)),
        ("PUT", "PUT", TIMEOUT, "admin", {"timeout": 20},
         {"program": "management_v2.cgi", "user": "admin", "privilege": "admin", "method": "PUT", "path": TIMEOUT,
          "members": {"timeout": 20}, "query": {}, "status": 200, "respCode": 0, "remoteAddr": "127.0.0.1"}),
        ("GET: no record", "GET", TIMEOUT, "admin", None, None),
        ("refused token", "PUT", TIMEOUT, "0" * 32, {"timeout": 30},
         {"user": None, "privilege": None, "status": 403, "respCode": None, "members": {"timeout": 30}}),
        ("POST with a key value", "POST", KEY, rw_token,
         {"keyNumber": 7, "keyValue": "Key-Secret-77", "isEncrypted": False, "msgAuthAlg": "md5"},
         {"user": "carol", "privilege": "rw", "method": "POST", "status": 200, "respCode": ANY_INT,
          "members": {"keyNumber": 7, "keyValue": "***", "isEncrypted": False, "msgAuthAlg": "md5"}}),
        ("PUT of a password, in capitals too", "PUT", "/api/v2/mgmt/cloud-managed/proxy-user", rw_token,
         {"userName": "proxy", "password": "Proxy-Pass-99", "PASSWORD": "Upper-Pass-55"},
         {"user": "carol", "members": {"userName": "proxy", "password": "***", "PASSWORD": "***"},
          "respCode": ANY_INT}),
        ("DELETE with a query", "DELETE", KEY + "?keyNumber=7", rw_token, None,
         {"method": "DELETE", "path": KEY, "query": {"keyNumber": "7"}, "members": {}, "respCode": ANY_INT}),
        ("logout", "DELETE", LOGIN, "admin", None,
         dict(logout, user="admin", privilege="admin", status=200, respCode=0)),
        ("logout again", "DELETE", LOGIN, "admin", None, dict(logout, user=None, status=403, respCode=None)),
    ]
    # Five failures lock the account; the right password is then refused.
    rows += [(f"bob's failure {n}", "POST", LOGIN, None, {"userName": "bob", "password": "wrong-pw"},
              {"event": "lockout" if n == 5 else "login-failed", "user": "bob", "respCode": 12001})
             for n in range(1, 6)]
    rows.append(("bob locked out", "POST", LOGIN, None, {"userName": "bob", "password": "bob-pw"},
                 {"event": "locked-out", "user": "bob", "respCode": 12003}))

    tokens = {}  # "admin": the token the login row gets
    for what, method, path, token, body, want in rows:
        before = len(lines(audit)), len(syslog_records(syslog))
        status, reply = send(base, method, path, tokens.get(token, token), body)
        if what == "login":
            tokens["admin"] = json.loads(reply)["login"]["token"]
        count = 0 if want is None else 1
        # The file's line is written before the datagram is sent.
        syslog_new = arrived(syslog, before[1], count)
        file_new = lines(audit)[before[0]:]
        if len(file_new) != count or len(syslog_new) != count:
            failures.append(f"{what}: {len(file_new)} records in the file, {len(syslog_new)} in syslog, want {count}")
            continue
        if want is None:
            continue
        record = well_formed(file_new[0], what)
        if json.loads(syslog_new[0]) != record:
            failures.append(f"{what}: syslog and file differ:\n  {syslog_new[0]}\n  {file_new[0]}")
        if record["status"] not in (None, status):
            failures.append(f"{what}: status {record['status']} recorded, {status} answered")
        wrong = {k: v for k, v in want.items()
                 if not (type(record.get(k)) is int if v is ANY_INT else v == record.get(k))}
        if wrong:
            failures.append(f"{what}: want {wrong}\n  {file_new[0]}")
    everything = "\n".join(lines(audit) + lines(syslog))
    return failures + [f"the secret {s} is in a record" for s in secrets if s in everything]


def concurrent_writes(base, audit, tokens):
    users = {}
    for token in tokens:
        with open(f"/tmp/session/{token}", encoding="utf-8") as f:
            users[token] = f.readline().strip()
    jobs = [(token, 10 + i) for token in tokens for i in range(8)]
    with concurrent.futures.ThreadPoolExecutor(max_workers=len(jobs)) as pool:
        answers = list(pool.map(lambda job: send(base, "PUT", TIMEOUT, job[0], {"timeout": job[1]}), jobs))
    # lighttpd answers every one in full: the whole envelope of a success.
    failures = [f"answered {status} {body[:200]!r}" for status, body in answers
                if status != 200 or not body.endswith(b'"status":\t"success"\n\t}\n}\n')]
    records = [well_formed(line, "concurrent") for line in lines(audit)]
    got = sorted((r["user"], r["members"].get("timeout"), r["status"], r["respCode"]) for r in records)
    want = sorted((users[token], timeout, 200, 0) for token, timeout in jobs)
    if got != want:
        failures.append(f"{len(records)} records for {len(jobs)} requests:\n  records {got}\n  requests {want}")
    return failures


def answers(base, token, out):
    result = [send(base, "PUT", TIMEOUT, token, {"timeout": 25}), send(base, "PUT", TIMEOUT, "1" * 32, {}),
              send(base, "POST", LOGIN, body={"userName": "nobody", "password": "x"})]
    with open(out, "w", encoding="utf-8") as f:
        f.writelines(f"{status} {body.decode()}\n" for status, body in result)
    return []


if __name__ == "__main__":
    command, base, *rest = sys.argv[1:]
    run = {"table": table, "concurrent": lambda b, a, *t: concurrent_writes(b, a, t), "answers": answers}[command]
    failures = run(base, *rest)
    for failure in failures:
        print(f"not ok - {failure}")
    sys.exit(1 if failures else 0)

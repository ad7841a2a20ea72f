"""Switches for the tests: the built program (MGMT_CGI) behind lighttpd
(scripts/httpd) on a free loopback port, the stand-in's state in a file of
its own, a session made with scripts/login. Run under devtools/private-tmp
(CTest does), so /tmp/session and the logs are the run's own."""

import json
import os
import socket
import subprocess
import sys
import tempfile
import time

import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "client"))


class Server:
    def __init__(self, state=None, faults=None, env=None):
        self.dir = tempfile.mkdtemp(prefix="switch.", dir="/tmp")
        os.chmod(self.dir, 0o755)
        self.state = os.path.join(self.dir, "switch", "state.json")
        env = dict(os.environ, SWSIM_STATE=self.state, SWSIM_FAULTS=json.dumps(faults) if faults else "",
                   **(env or {}))
        if state is not None:
            os.makedirs(os.path.dirname(self.state))
            os.chmod(os.path.dirname(self.state), 0o777)  # the program's account replaces the file
            with open(self.state, "w") as f:
                json.dump(state, f)
        for _ in range(10):
            with socket.socket() as s:
                s.bind(("127.0.0.1", 0))
                self.port = s.getsockname()[1]
            env["MGMT_PORT"] = str(self.port)
            self.log = open(os.path.join(self.dir, "httpd.log"), "w")
            self.process = subprocess.Popen([os.path.join(ROOT, "scripts", "httpd")], env=env, stdout=self.log,
                                            stderr=subprocess.STDOUT, start_new_session=True)
            if self._wait():
                break
            self.stop()
        else:
            raise RuntimeError("lighttpd did not start: " + open(os.path.join(self.dir, "httpd.log")).read())
        self.base = f"http://127.0.0.1:{self.port}"
        self.token = subprocess.run([os.path.join(ROOT, "scripts", "login"), "admin"], check=True, capture_output=True,
                                    text=True).stdout.strip()

    def _wait(self):
        for _ in range(200):
            if self.process.poll() is not None:
                return False
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return True
            except OSError:
                time.sleep(0.05)
        return False

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)
        self.log.close()


@pytest.fixture
def make_server():
    servers = []
    yield lambda **options: servers.append(Server(**options)) or servers[-1]
    for server in servers:
        server.stop()


@pytest.fixture
def server(make_server):
    return make_server()


@pytest.fixture
def client(server):
    from swmgmt import Client

    with Client(server.base, server.token) as c:
        yield c


def before_each_exchange(client, see):
    """Calls see(operation, values) just before each request the client sends."""
    exchange = client.exchange

    def exchanging(op, values=None):
        op = client.operation(op) if isinstance(op, str) else op
        see(op, values or {})
        return exchange(op, values)

    client.exchange = exchanging

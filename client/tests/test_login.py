"""Login and logout with user and password, through the login program
(LOGIN_CGI), with a test account given (LOGIN_USER, LOGIN_PASSWORD;
LOGIN_CACERT for HTTPS) or made with pam_matrix (PAM_MATRIX_MODULE) in the
tests' own mount namespace; skipped, saying why, otherwise."""

import os
import subprocess

import pytest

from swmgmt import ApiError, Client, HttpError

program = os.environ.get("LOGIN_CGI")
user, password = os.environ.get("LOGIN_USER"), os.environ.get("LOGIN_PASSWORD")


def make_test_account():
    """The account "admin" for the PAM service, over /etc/pam.d in this namespace only."""
    matrix, service = os.environ.get("PAM_MATRIX_MODULE"), os.environ.get("LOGIN_PAM_SERVICE", "management")
    if not (program and matrix and os.environ.get("PRIVATE_TMP") and os.geteuid() == 0):
        return None, None
    with open("/tmp/passdb", "w") as passdb:
        passdb.write(f"admin:client-test-pw:{service}\n")
    os.chmod("/tmp/passdb", 0o644)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=0755,size=1m", "tmpfs", "/etc/pam.d"]).returncode != 0:
        return None, None
    with open(f"/etc/pam.d/{service}", "w") as conf:
        for kind in ("auth", "account"):
            conf.write(f"{kind} required {matrix} passdb=/tmp/passdb\n")
    return "admin", "client-test-pw"


if not (user and password):
    user, password = make_test_account()
pytestmark = [
    pytest.mark.skipif(not program, reason="the login program (login_v2.cgi) is not in this build"),
    pytest.mark.skipif(not (user and password), reason="no test account: set LOGIN_USER and LOGIN_PASSWORD"),
]


def test_a_wrong_password_is_refused_the_right_one_logs_in_and_logout_ends_it(make_server):
    login_server = make_server(env={"MGMT_LOGIN_CGI": program})
    with pytest.raises(ApiError) as refused:
        Client(login_server.base, user=user, password=password + "x")
    assert refused.value.code == 12001
    assert "POST /api/v2/login: 12001" in str(refused.value)
    c = Client(login_server.base, user=user, password=password, cacert=os.environ.get("LOGIN_CACERT"))
    assert len(c.token) == 32 and c.privilege in ("admin", "read-write", "read-only")
    token = c.token
    assert c.get("webmgmt/sw-dev-ctrl-web-mgmt-mode") in ("enable", "disable")
    c.close()  # logs out
    with pytest.raises(HttpError, match="HTTP 403"):
        Client(login_server.base, token).get("webmgmt/sw-dev-ctrl-web-mgmt-mode")

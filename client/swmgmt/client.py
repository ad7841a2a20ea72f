"""A client of one switch: every operation of the description by name, with
checked input, clear errors, settings under one name, and whole tables."""

import http.client
import json
import socket
import ssl
import urllib.parse

from . import config, tables
from .diag import PARSERS
from .api import Description, setting_members, short_name
from .checks import check_value, unknown_member
from .errors import ApiError, HttpError, InputError

LOGIN_PATH = "/api/v2/login"
_description = None


def description():
    """The description, read once per process."""
    global _description
    if _description is None:
        _description = Description()
    return _description


class Client:
    """One switch at base (such as "https://192.0.2.1" or
    "http://127.0.0.1:8080"), with a session token, or a user and password
    to log in with.

    With cacert the server's certificate is verified against that file; an
    https base without it is verified against the system's authorities."""

    def __init__(self, base, token=None, *, user=None, password=None, cacert=None, timeout=30.0):
        parsed = urllib.parse.urlsplit(base if "://" in base else f"http://{base}")
        if parsed.scheme not in ("http", "https") or not parsed.hostname:
            raise InputError("", f"{base!r}: a switch is given as http://HOST[:PORT] or https://HOST[:PORT]")
        self.base = f"{parsed.scheme}://{parsed.netloc}"
        self.scheme, self.netloc = parsed.scheme, parsed.netloc
        self.token = token
        self.cacert = cacert
        self.timeout = timeout
        self.api = description()
        self.requests = 0  # sent so far, for the curious
        self._conn = None
        self._logged_in = False
        if token is None and user is not None:
            self.login(user, password or "")

    # ---- the connection ----

    def _connection(self):
        if self._conn is None:
            if self.scheme == "https":
                context = ssl.create_default_context(cafile=self.cacert)
                self._conn = http.client.HTTPSConnection(self.netloc, timeout=self.timeout, context=context)
            else:
                self._conn = http.client.HTTPConnection(self.netloc, timeout=self.timeout)
        return self._conn

    def close(self):
        if self._logged_in:
            try:
                self.logout()
            except Exception:  # the session expires by itself
                pass
        if self._conn is not None:
            self._conn.close()
            self._conn = None

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def _speaks_tls(self):
        """Whether the server completes a TLS handshake: the likely cause when
        plain HTTP gets the connection closed without an answer."""
        context = ssl.create_default_context()
        context.check_hostname = False
        context.verify_mode = ssl.CERT_NONE
        address = urllib.parse.urlsplit(self.base)
        try:
            with socket.create_connection((address.hostname, address.port or 80), timeout=self.timeout) as raw:
                with context.wrap_socket(raw):
                    return True
        except (OSError, ValueError):
            return False

    def _http(self, method, target, body, route, headers=None):
        """Status and body text of one request; one retry when a kept-alive
        connection turns out closed before it answered."""
        headers = dict(headers or {})
        if self.token:
            headers["Session"] = self.token
        if body is not None:
            headers["Content-Type"] = "application/json"
        for attempt in (1, 2):
            conn = self._connection()
            try:
                conn.request(method, target, body=body, headers=headers)
                response = conn.getresponse()
                text = response.read().decode("utf-8", "replace")
                self.requests += 1
                if response.getheader("Connection", "").lower() == "close":
                    self._conn.close()
                    self._conn = None
                return response.status, text
            except (http.client.RemoteDisconnected, BrokenPipeError, ConnectionResetError) as error:
                conn.close()
                self._conn = None
                if attempt == 2:
                    if self.scheme == "http" and self._speaks_tls():
                        raise HttpError(route, None, f"{self.base}: this server speaks HTTPS: use "
                                        f"https://{self.netloc}") from None
                    raise HttpError(route, None, f"{self.base}: connection lost: {error}") from None
            except ssl.SSLError as error:
                conn.close()
                self._conn = None
                raise HttpError(route, None, f"{self.base}: TLS failed: {error}") from None
            except OSError as error:
                conn.close()
                self._conn = None
                raise HttpError(route, None, f"{self.base}: {error}") from None

    def _envelope(self, route, status, text, sent):
        if status == 403:
            raise HttpError(route, 403, "session refused (no token, an unknown or expired one, or a read-only "
                            "session on a change)")
        if status != 200:
            raise HttpError(route, status, "answered by the web server, not the program"
                            + (" (no route for this path and method)" if status == 500 else ""))
        try:
            envelope = json.loads(text)
            resp = envelope["resp"]
            return resp["respCode"], resp["respMsg"], envelope
        except (ValueError, KeyError, TypeError):
            raise HttpError(route, status, f"not an answer of the program: {text[:80]!r}") from None

    # ---- operations ----

    def operation(self, name):
        op = self.api.find(name)
        if op is None:
            raise InputError("", f"no operation {name!r} (see: swmgmt operations)")
        return op

    def prepare(self, op, values):
        """The request target and body of an operation with these values,
        checked; values are given by member name, wherever the route reads
        them (query or body)."""
        query, body = [], {}
        for name, value in values.items():
            if value is None:
                continue
            field = op.inputs.get(name)
            if field is None:
                raise InputError(op.route, unknown_member(name, name, op.inputs))
            checked = check_value(op.route, name, field.schema, value, field.where)
            if field.where == "query":
                query.append((name, checked))
            else:
                body[name] = checked
        missing = [f.name for f in op.inputs.values() if f.required and values.get(f.name) is None]
        if missing:
            raise InputError(op.route, "needs " + ", ".join(missing))
        # A parameter whose name lies inside another's must come first.
        query.sort(key=lambda pair: -sum(pair[0] in other for other, _ in query))
        target = op.path + ("?" + "&".join(f"{k}={v}" for k, v in query) if query else "")
        if body or op.body:
            payload = json.dumps(body).encode()
        elif op.sends_body:
            payload = b""  # lighttpd answers 411 to a POST or PUT without one
        else:
            payload = None
        return target, payload

    def exchange(self, name, values=None):
        """One request: (respCode, respMsg, data or None). Raises only for
        refused input and for answers that are not the program's."""
        op = self.operation(name) if isinstance(name, str) else name
        values = values or {}
        target, payload = self.prepare(op, values)
        status, text = self._http(op.method, target, payload, op.route)
        code, message, envelope = self._envelope(op.route, status, text, values)
        return code, message, envelope.get(op.group) if code == 0 and op.group else None

    def call(self, name, **values):
        """The operation's data (a dict), or None for one that answers the
        status only; ApiError for a response code other than 0."""
        op = self.operation(name)
        code, message, data = self.exchange(op, values)
        if code != 0:
            raise ApiError(op.route, code, message, values)
        if op.group in PARSERS and isinstance(data, dict) and isinstance(data.get("output"), str):
            data = {**data, **PARSERS[op.group](data["output"])}
        return data

    # ---- settings: read with GET, written with PUT, under one name ----

    def setting(self, name, writable=True):
        """(get, put, {request member: reply member}) of a setting; put is
        None for a value that is only read."""
        settings = self.api.settings(writable)
        found = settings.get(name) or settings.get(short_name(name))
        if found is None:
            raise InputError("", f"no setting {name!r} (see: swmgmt settings)")
        get, put = found
        members = setting_members(get, put) if put else {m: m for m in get.reply_members}
        return get, put, members

    def get(self, name, **keys):
        """The value of a setting, or of anything read with GET; a dict by
        request spelling when it has several."""
        get, put, members = self.setting(name, writable=False)
        data = self.call(get.id, **keys)
        values = {request: data[reply] for request, reply in members.items()}
        return next(iter(values.values())) if len(values) == 1 else values

    def set(self, name, value=None, **values):
        """Sets the setting: value for its one member, or values by name.
        The values sent, by name."""
        get, put, members = self.setting(name)
        if value is not None:
            if not members:
                raise InputError(put.route, "give the values by name")
            values[next(iter(members))] = value
        self.call(put.id, **values)
        return values

    # ---- configuration: a whole document, its differences, applied ----

    def config_model(self):
        if getattr(self.api, "config_model", None) is None:
            self.api.config_model = config.Model(self.api)
        return self.api.config_model

    def config_get(self, areas=None):
        """The switch's configuration: {area: {setting: value, table: [entry]}};
        areas (names) limits it to those."""
        return config.read(self, None if areas is None else {area: None for area in areas})

    def config_diff(self, document, mode="merge"):
        """The changes config_apply would make, one line each."""
        return config.diff(self, document, mode)

    def config_apply(self, document, mode="merge", check=False):
        """Makes the switch equal the document (merge: what it names;
        replace: its tables too, entries not named are deleted). The changes
        made, one line each; [] when there were none. config.ApplyError when
        a write failed midway, after putting the switch back."""
        return config.apply(self, document, mode, check)

    # ---- tables ----

    def tables(self):
        return sorted(self.api.walks)

    def table(self, name, **fixed):
        """Every entry of a table, each with its per-entry settings joined."""
        return tables.walk(self, name, fixed)

    # ---- login ----

    def login(self, user, password):
        body = json.dumps({"userName": user, "password": password}).encode()
        route = f"POST {LOGIN_PATH}"
        self.token = None
        status, text = self._http("POST", LOGIN_PATH, body, route)
        code, message, envelope = self._envelope(route, status, text, None)
        if code != 0:
            raise ApiError(route, code, message, {"userName": user})
        self.token = envelope["login"]["token"]
        self.privilege = envelope["login"].get("privilege")
        self._logged_in = True
        return self.token

    def detach(self):
        """The session's token, kept open past close() (for another run)."""
        self._logged_in = False
        return self.token

    def logout(self):
        route = f"DELETE {LOGIN_PATH}"
        status, text = self._http("DELETE", LOGIN_PATH, None, route)
        self._logged_in = False
        code, message, _ = self._envelope(route, status, text, None)
        if code != 0:
            raise ApiError(route, code, message)
        self.token = None

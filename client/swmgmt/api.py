"""The management interface as its description tells it: every operation by
operationId and by method and path, where each of its inputs goes, what it
answers, and the table walks (x-walk).

The description is api.json next to this file: the JSON form of
docs/openapi.yaml, made with it (cmake --build build --target openapi).
"""

import json
import os
from dataclasses import dataclass, field

DESCRIPTION = os.path.join(os.path.dirname(os.path.abspath(__file__)), "api.json")
METHODS = ("get", "post", "put", "delete")


@dataclass
class Input:
    """One request input: a query parameter or a member of the JSON body."""

    name: str
    where: str  # "query" or "body"
    schema: dict
    required: bool = False

    @property
    def limit(self):
        return self.schema.get("x-switch", {})


@dataclass
class Operation:
    id: str
    method: str  # upper case
    path: str
    summary: str
    group: str | None  # the reply's data member, for operations that answer data
    inputs: dict = field(default_factory=dict)  # name -> Input
    body_schema: dict | None = None
    walk: dict | None = None
    reply_members: tuple = ()
    config: dict | None = None  # x-config: what it reads or writes of the configuration

    @property
    def route(self):
        return f"{self.method} {self.path}"

    @property
    def query(self):
        return [i for i in self.inputs.values() if i.where == "query"]

    @property
    def body(self):
        return [i for i in self.inputs.values() if i.where == "body"]

    @property
    def sends_body(self):
        # lighttpd wants a body (maybe empty) on every POST and PUT.
        return self.method in ("POST", "PUT")


def _data_of(response):
    """The group name and reply members of a 200 response that answers data."""
    schema = response.get("content", {}).get("application/json", {}).get("schema", {})
    for choice in schema.get("oneOf", []):
        props = choice.get("properties", {})
        groups = [name for name in props if name != "resp"]
        if groups:
            data = props[groups[0]]
            members = set()
            for shape in data.get("oneOf", [data]):
                members.update(shape.get("properties", {}))
            return groups[0], tuple(sorted(members))
    return None, ()


class Description:
    """Every operation of the description, by operationId and by route."""

    def __init__(self, path=DESCRIPTION):
        try:
            with open(path, encoding="utf-8") as f:
                self.document = json.load(f)
        except OSError:
            # A copy of the library packed without its data files (the
            # Ansible collection's) carries the description as code.
            from .api_document import DOCUMENT

            self.document = json.loads(DOCUMENT)
        self.operations = {}
        self.by_route = {}
        for path_name, item in self.document["paths"].items():
            for method in METHODS:
                if method not in item:
                    continue
                self._add(path_name, method.upper(), item[method])
        self.walks = {}
        for op in self.operations.values():
            if op.walk and op.walk["step"] == "first":
                self.walks[op.walk["table"]] = op.walk

    def _add(self, path, method, raw):
        inputs = {}
        for p in raw.get("parameters", []):
            if p.get("in") == "query":
                inputs[p["name"]] = Input(p["name"], "query", p.get("schema", {}), p.get("required", False))
        body = raw.get("requestBody", {}).get("content", {}).get("application/json", {}).get("schema")
        if body:
            for name, schema in body.get("properties", {}).items():
                inputs[name] = Input(name, "body", schema, name in body.get("required", []))
        group, members = _data_of(raw.get("responses", {}).get("200", {}))
        op = Operation(raw["operationId"], method, path, raw.get("summary", ""), group, inputs, body,
                       raw.get("x-walk"), members, raw.get("x-config"))
        self.operations[op.id] = op
        self.by_route[op.route] = op

    def find(self, name):
        """An operation by operationId, or by "METHOD /path" (or a path's tail)."""
        if name in self.operations:
            return self.operations[name]
        parts = name.split(None, 1)
        if len(parts) == 2:
            method, path = parts[0].upper(), parts[1]
            if not path.startswith("/"):
                path = "/api/v2/mgmt/" + path
            if f"{method} {path}" in self.by_route:
                return self.by_route[f"{method} {path}"]
        return None

    def settings(self, writable=True):
        """The resources that are read with GET and written with PUT (or,
        not writable, every resource read with GET): their short names
        ("webmgmt/sw-dev-ctrl-web-mgmt-mode") and operations."""
        found = {}
        for path in self.document["paths"]:
            get = self.by_route.get(f"GET {path}")
            put = self.by_route.get(f"PUT {path}")
            if get and get.group and (put or not writable):
                found[short_name(path)] = (get, put)
        return found


def short_name(path):
    for prefix in ("/api/v2/mgmt/", "/api/v2/system/", "/api/v2/"):
        if path.startswith(prefix):
            return path[len(prefix):]
    return path


def setting_members(get, put):
    """Which reply member of the GET carries which input of the PUT: the same
    name, "p" and the name ("mode"/"pMode"), or the one left of each."""
    keys = {f.name for f in get.query}
    inputs = [f.name for f in put.inputs.values() if f.name not in keys]
    replies = [m for m in get.reply_members if m not in keys]
    pairs = {}
    for name in inputs:
        for reply in (name, "p" + name[:1].upper() + name[1:]):
            if reply in replies:
                pairs[name] = reply
                replies.remove(reply)
                break
    # A flag that says when a value takes effect is written, never read.
    left = [n for n in inputs if n not in pairs and n != "flag"]
    if len(left) == 1 and len(replies) == 1:
        pairs[left[0]] = replies[0]
    return pairs

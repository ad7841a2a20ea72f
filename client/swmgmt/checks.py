"""Values checked against the description before they are sent.

The program coerces what it does not understand into a default without a
word ("Enable" turns a mode off, the JSON literal true counts as "false", a
negative number becomes 0, a long text is cut); the switch then refuses
some values with a bare 10003. Here every value is held against its input's
schema and the switch's limits (x-switch), and a value that would not mean
what the caller meant is refused with a message that names the values that
would.
"""

import ipaddress
import string

from .errors import InputError

# Characters a query value may hold as sent: RFC 3986's unreserved and
# sub-delimiters, ":" and "@", but not "&" and "=" (they end a parameter for
# the program), nor "/" (it breaks the routing of the path). The program
# does not percent-decode, so nothing else can be sent at all.
QUERY_SAFE = frozenset(string.ascii_letters + string.digits + "-._~!$'()*+,;:@")


def _quote(values):
    return ", ".join(f'"{v}"' for v in values)


def check_value(route, name, schema, value, where):
    """The value as it goes on the wire (a JSON value for the body, text for
    the query), or InputError."""
    kind = schema.get("type")
    if kind == "object":
        return check_object(route, name, schema, value, where)
    if kind == "array":
        if not isinstance(value, (list, tuple)):
            raise InputError(route, f"{name}: a list is wanted, not {value!r}")
        return [check_object(route, f"{name}[{i}]", schema["items"], v, where) for i, v in enumerate(value)]
    if "enum" in schema:
        result = _check_enum(route, name, schema, value)
    elif kind == "integer":
        result = _check_integer(route, name, schema, value)
    elif kind == "string":
        result = _check_text(route, name, schema, value)
    else:
        result = value
    if where == "query":
        text = str(result)
        bad = sorted({c for c in text if c not in QUERY_SAFE})
        if bad:
            raise InputError(route, f"{name}: {text!r} holds {_quote(bad)}, which the switch cannot receive in a "
                             "query (it reads queries without percent-decoding; \"/\" breaks the route, \"&\" and "
                             "\"=\" end the value)")
        return text
    return result


def _check_enum(route, name, schema, value):
    names = schema["enum"]
    if isinstance(value, bool) and set(names) == {"true", "false"}:
        return "true" if value else "false"
    if value in names:
        return value
    meaning = f' (the switch would take it as "{schema["default"]}")' if "default" in schema else ""
    hint = ""
    if isinstance(value, str):
        close = [n for n in names if n.lower() == value.lower()]
        if close:
            hint = f'; write "{close[0]}", letter case included'
    raise InputError(route, f"{name}: {value!r} is not one of {_quote(names)}{meaning}{hint}")


def _check_integer(route, name, schema, value):
    if isinstance(value, bool):
        raise InputError(route, f"{name}: a number is wanted, not {value!r}")
    if isinstance(value, str):
        text = value.strip()
        if not (text.isdigit() or (text[:1] == "-" and text[1:].isdigit())):
            raise InputError(route, f"{name}: a whole number is wanted, not {value!r}")
        value = int(text)
    if isinstance(value, float):
        if not value.is_integer():
            raise InputError(route, f"{name}: a whole number is wanted, not {value!r}")
        value = int(value)
    if not isinstance(value, int):
        raise InputError(route, f"{name}: a number is wanted, not {value!r}")
    limit = schema.get("x-switch", {})
    low = limit.get("minimum", schema.get("minimum"))
    high = limit.get("maximum", schema.get("maximum"))
    if (low is not None and value < low) or (high is not None and value > high):
        raise InputError(route, f"{name}: {value} is out of range: the switch takes {low} to {high}")
    return value


def _check_text(route, name, schema, value):
    if isinstance(value, bool) or not isinstance(value, (str, int)):
        raise InputError(route, f"{name}: a text is wanted, not {value!r}")
    value = str(value)
    limit = schema.get("x-switch", {})
    longest = min(x for x in (limit.get("maxLength"), schema.get("maxLength"), 1 << 30) if x is not None)
    if len(value) > longest:
        raise InputError(route, f"{name}: {len(value)} characters are too many: at most {longest} are taken "
                         "(the program would cut the rest)")
    if len(value) < limit.get("minLength", 0):
        raise InputError(route, f"{name}: at least {limit['minLength']} characters are needed")
    if schema.get("x-format") == "ip-address" and value != "":
        try:
            ipaddress.ip_address(value)
        except ValueError:
            raise InputError(route, f"{name}: {value!r} is not an IPv4 or IPv6 address") from None
    return value


def check_object(route, name, schema, value, where):
    if not isinstance(value, dict):
        raise InputError(route, f"{name}: an object is wanted, not {value!r}")
    props = schema.get("properties", {})
    result = {}
    for key, item in value.items():
        if key not in props:
            raise InputError(route, unknown_member(f"{name}.{key}", key, props))
        result[key] = check_value(route, f"{name}.{key}", props[key], item, where)
    return result


def unknown_member(label, key, known):
    close = [k for k in known if k.lower() == key.lower()]
    if close:
        return f"{label}: the member is spelled \"{close[0]}\""
    return f"{label}: not read by this route; it reads {_quote(known) or 'nothing'}"

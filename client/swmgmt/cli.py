"""swmgmt: the switch management interface from the command line."""

import argparse
import json
import os
import sys

from . import config_cli
from .client import description
from .errors import InputError, SwitchError
from .many import Switch, read_switches, run_all

EPILOG = """commands:
  tables                          the tables that list walks
  list TABLE [NAME=VALUE ...]     every entry of a table, with its settings
  settings                        the settings that set takes, and what get reads
  get SETTING [KEY=VALUE ...]     a setting's value (KEY names an entry, e.g. ntpServer=192.0.2.10)
  set SETTING VALUE | NAME=VALUE ...
                                  change a setting
  call OPERATION [NAME=VALUE ...] any operation, by operationId or "METHOD path"
                                  (NAME:=JSON gives a JSON value, e.g. eventNotifyCfg:='[...]')
  operations [WORD]               the operations, with their inputs
  login                           log in with --user and print the session token
  logout                          end the session of --token
""" + config_cli.HELP + """
switches: --switch (repeatable) and --switches FILE (lines "BASE [TOKEN]"); the
command runs on all of them at once (--jobs at a time) and prints one JSON line a
switch: {"switch": BASE, "result": ...} or {"switch": BASE, "error": ..., "exit": N}.
With one switch the result alone is printed.

session: --token, --token-file, or SWMGMT_TOKEN; or --user with --password-file
or SWMGMT_PASSWORD (logs in over HTTPS, verified against --cacert, and out at the end).

exit codes:
  0  done
  1  another failure (such as an unreadable file)
  2  a usage error, or a value refused before anything was sent (the message says why)
  3  the switch answered a response code other than 0 (route, code, message)
  4  the web server refused or failed: HTTP 403 (session), 411, 500, or no connection
  5  a table could not be read whole (it changed under every walk, or the switch looped)
  6  config apply failed midway and put the switch back as it was
  7  config apply failed midway and could not put the switch back
With several switches the exit code is the highest of them.
"""


class Text(str):
    """A result printed as it is: a token, what set did, a change's lines."""


def as_text(result):
    return Text(result) if isinstance(result, str) else result


def parse_values(route, words):
    values = {}
    for word in words:
        name, equals, text = word.partition("=")
        if equals and name.endswith(":"):
            name = name[:-1]
            try:
                values[name] = json.loads(text)
            except ValueError:
                raise InputError(route, f"{name}: {text!r} is not JSON") from None
        elif equals:
            values[name] = text
        else:
            raise InputError(route, f"{word!r}: give values as NAME=VALUE")
    return values


def describe_operation(op):
    inputs = " ".join(f"{i.name}{'' if i.required else '?'}" for i in op.inputs.values())
    return f"{op.id:<48} {op.route}  {inputs}".rstrip()


def local_command(args):
    """Commands that need no switch; None for the others."""
    api = description()
    if args.command == "tables":
        return "\n".join(sorted(api.walks))
    if args.command == "settings":
        writable = api.settings()
        return "\n".join(f"{name}{'' if name in writable else '  (read only)'}"
                         for name in sorted(api.settings(writable=False)))
    if args.command == "operations":
        word = args.words[0].lower() if args.words else ""
        return "\n".join(describe_operation(op) for op in api.operations.values()
                         if word in op.id.lower() or word in op.path.lower())
    return None


def work_of(args):
    """What to do on each switch: a function of a Client."""
    words = args.words
    if args.command == "list":
        if not words:
            raise InputError("", "list needs a TABLE (see: swmgmt tables)")
        return lambda client: client.table(words[0], **parse_values("", words[1:]))
    if args.command == "get":
        if not words:
            raise InputError("", "get needs a SETTING (see: swmgmt settings)")
        return lambda client: client.get(words[0], **parse_values(words[0], words[1:]))
    if args.command == "set":
        if len(words) < 2:
            raise InputError("", "set needs a SETTING and a VALUE or NAME=VALUE pairs")
        rest = words[1:]
        value = None
        if "=" not in rest[0]:
            value, rest = rest[0], rest[1:]
        return lambda client: said_set(words[0], client.set(words[0], value, **parse_values(words[0], rest)))
    if args.command == "call":
        if not words:
            raise InputError("", "call needs an OPERATION (see: swmgmt operations)")
        return lambda client: client.call(words[0], **parse_values(words[0], words[1:]))
    if args.command == "login":
        if not args.user:
            raise InputError("", "login needs --user")
        return lambda client: Text(client.detach())
    if args.command == "logout":
        return lambda client: client.logout()
    # ---- configuration documents ----
    if args.command == "config":
        work = config_cli.work(args)
        return lambda client: as_text(work(client))
    # ---- end of configuration documents ----
    raise InputError("", f"no command {args.command!r} (see: swmgmt --help)")


def said_set(name, values):
    return Text(f"set {name}: " + ", ".join(f"{k}={v}" for k, v in values.items()))


def switches_of(args):
    switches = [Switch(base) for base in args.switch or []]
    for path in args.switches or []:
        try:
            switches += read_switches(path)
        except OSError as error:
            raise InputError("", f"{path}: {error.strerror}") from None
    if not switches and os.environ.get("SWMGMT_SWITCH"):
        switches.append(Switch(os.environ["SWMGMT_SWITCH"]))
    if not switches:
        raise InputError("", "no switch: give --switch BASE, --switches FILE or SWMGMT_SWITCH")
    return switches


def read_secret(path):
    try:
        with open(path, encoding="utf-8") as f:
            return f.readline().rstrip("\r\n")
    except OSError as error:
        raise InputError("", f"{path}: {error.strerror}") from None


def show(result, form):
    if result is None:
        return None
    if form == "table" and isinstance(result, list):
        columns = []
        for entry in result:
            columns += [k for k in entry if k not in columns]
        lines = ["\t".join(columns)]
        lines += ["\t".join(str(entry.get(c, "")) for c in columns) for entry in result]
        return "\n".join(lines)
    if isinstance(result, str) and (form == "table" or isinstance(result, Text) and form != "line"):
        return result
    if form == "yaml":
        return config_cli.dump_yaml(result)
    return json.dumps(result, indent=None if form == "line" else 2)


def parser():
    p = argparse.ArgumentParser(prog="swmgmt", description="Manage switches through their management interface "
                                "(version 2): whole tables, checked values, clear errors, many switches at once.",
                                epilog=EPILOG, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("command", help="what to do (below)")
    p.add_argument("words", nargs="*", help="its arguments")
    p.add_argument("-s", "--switch", action="append", metavar="BASE",
                   help="a switch, as https://HOST[:PORT] or http://HOST:PORT (repeatable; default: SWMGMT_SWITCH)")
    p.add_argument("-f", "--switches", action="append", metavar="FILE", help="switches from a file")
    p.add_argument("-t", "--token", help="session token (default: SWMGMT_TOKEN)")
    p.add_argument("--token-file", metavar="FILE", help="session token from a file")
    p.add_argument("-u", "--user", help="log in as this user")
    p.add_argument("--password-file", metavar="FILE", help="the user's password (default: SWMGMT_PASSWORD)")
    p.add_argument("--cacert", metavar="FILE", help="verify HTTPS servers against these certificates")
    p.add_argument("-j", "--jobs", type=int, default=8, help="switches at a time (default 8)")
    p.add_argument("--timeout", type=float, default=30.0, help="seconds a request may take (default 30)")
    p.add_argument("-o", "--output", choices=("json", "line", "table", "yaml"), default="json",
                   help="json (default), line (one line of JSON), table (tab-separated columns), yaml")
    # ---- configuration documents ----
    p.add_argument("--mode", choices=("merge", "replace"), default="merge",
                   help="config apply/diff: merge (default) or replace")
    p.add_argument("--check", action="store_true", help="config apply: say what would change, send no write")
    return p


def audit_words(argv):
    """The words after "audit" when it is the command, after any of the
    general options (an alias may carry --cacert); None otherwise."""
    options = parser()._option_string_actions
    i = 0
    while i < len(argv):
        word = argv[i]
        if word == "audit":
            return argv[i + 1:]
        action = options.get(word.split("=", 1)[0])
        if action is None:
            return None
        i += 1 if "=" in word or action.nargs == 0 else 2
    return None


def main(argv=None):
    argv = sys.argv[1:] if argv is None else argv
    # swmgmt audit reads the audit file on this machine: no switch, no session.
    words = audit_words(argv)
    if words is not None:
        from . import audit
        return audit.main(words)
    args = parser().parse_intermixed_args(argv)  # options may follow the words
    try:
        text = local_command(args)
        if text is not None:
            print(text)
            return 0
        work = work_of(args)
        switches = switches_of(args)
        token = args.token or (read_secret(args.token_file) if args.token_file else os.environ.get("SWMGMT_TOKEN"))
        password = read_secret(args.password_file) if args.password_file else os.environ.get("SWMGMT_PASSWORD")
        if args.command == "login":
            token = None
            for switch in switches:
                switch.token = None
        if not token and not args.user and not all(s.token for s in switches):
            raise InputError("", "no session: give --token, --token-file, SWMGMT_TOKEN, or --user")
    except SwitchError as error:
        print(f"swmgmt: {error}", file=sys.stderr)
        return error.exit_code
    outcomes = run_all(switches, work, jobs=args.jobs, token=token, user=args.user, password=password,
                       cacert=args.cacert, timeout=args.timeout)
    status = 0
    for outcome in outcomes:
        code = outcome.error.exit_code if outcome.error else 0
        status = max(status, code)
        if len(outcomes) == 1:
            if outcome.error:
                print(f"swmgmt: {outcome.error}", file=sys.stderr)
            else:
                text = show(outcome.result, args.output)
                if text is not None:
                    print(text)
        else:
            line = {"switch": outcome.switch.base}
            if outcome.error:
                line.update(error=str(outcome.error), exit=code)
            else:
                line["result"] = outcome.result
            print(json.dumps(line))
    return status


if __name__ == "__main__":
    sys.exit(main())

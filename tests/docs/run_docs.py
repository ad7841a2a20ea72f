"""Runs the documentation as a user would: the marked blocks of each
document in order in one shell, the commands scripts/serve prints, and
every curl sample of the API description.

A shell or python block carries a marker on the line before its fence:
  <!-- docs-test: run -->               run it
  <!-- docs-test: run stdin="a\\nb" --> run it, typing these lines
  <!-- docs-test: run exit=N -->        run it; it ends with status N
  <!-- docs-test: skip REASON -->       not run, for the reason given
A plain block marked <!-- docs-test: answer --> right after a run block is
that block's whole output. In a run block, a group of comment lines that
begin "#   " is an answer shown: it appears in the output, white space
aside. A block passes when it ends as marked, every answer shown is what
it printed, and every HTTP status and "respCode" it met is 200 and 0 or
one that an answer next to it shows. Each curl sample of the description
(the token in TOKEN) is sent in order: adds, changes, reads, then removals
(and the POSTs that deregister) in reverse; each must answer HTTP 200 and
the respCode and data members of the description's example.

Usage: run_docs.py DOC... [--serve-commands FILE] [--samples API_JSON]
(from the project root served; curl's headers land in DOCS_HEADERS)."""

import argparse
import json
import os
import re
import subprocess
import sys
import tempfile

MARKER = re.compile(r"^<!-- docs-test: (run|skip|answer)\b(.*?)-->\s*$")
TOKEN = re.compile(r"\b[0-9a-f]{32}\b")
CODE = re.compile(r'"respCode":\s*(\d+)')
ORDER = {"post": 0, "put": 1, "get": 2, "delete": 3}
headers_dir = os.environ["DOCS_HEADERS"]
failures = []


def blocks(path):
    """[(line, marker kind, marker options, language, text)] of a document."""
    lines = open(path, encoding="utf-8").read().split("\n")
    out = []
    start = 0
    while start < len(lines):
        fence = re.match(r"^```(\w*)\s*$", lines[start])
        end = lines.index("```", start + 1) if fence else start
        marker = MARKER.match(lines[start - 1]) if fence and start > 0 else None
        if marker:
            out.append((start + 1, marker.group(1), marker.group(2).strip(), fence.group(1),
                        "\n".join(lines[start + 1:end])))
        elif fence and fence.group(1) in ("sh", "python"):
            failures.append(f"{path}:{start + 1}: a {fence.group(1)} block without a docs-test marker "
                            "(run, or skip with why)")
        start = end + 1
    return out


def shown_answers(text):
    """The comment groups that begin "#   " in a block: answers shown."""
    return [" ".join(line[4:] for line in group.splitlines())
            for group in re.findall(r"^(?:#   .*(?:\n|$))+", text, re.M)]


def check_answers(where, output, expected_text, answer, met):
    shown = " ".join([expected_text] + ([answer] if answer is not None else []))
    allowed_codes = {0} | {int(c) for c in CODE.findall(shown)}
    allowed_status = {200} | {int(s) for s in re.findall(r"HTTP(?:/[\d.]+)? (\d{3})", shown)}
    # An answer shown as a status alone, as curl -w '%{http_code}' prints it.
    allowed_status |= {int(g) for g in shown_answers(expected_text) if re.fullmatch(r"\d{3}", g.strip())}
    for code in CODE.findall(output):
        if int(code) not in allowed_codes:
            failures.append(f"{where}: answered respCode {code}, which the document does not show")
    for status in met:
        if status not in allowed_status:
            failures.append(f"{where}: HTTP {status}, which the document does not show")
    flat = " ".join(TOKEN.sub("TOKEN", output).split())
    at = 0
    for group in shown_answers(expected_text):
        found = flat.find(" ".join(TOKEN.sub("TOKEN", group).split()), at)
        if found < 0:
            failures.append(f"{where}: the answer shown is not what it printed:\n  shown:   {group}\n  printed: {flat}")
        else:
            at = found
    if answer is not None and TOKEN.sub("TOKEN", output).strip("\n") != TOKEN.sub("TOKEN", answer).strip("\n"):
        failures.append(f"{where}: printed\n{output}\n  where the document shows\n{answer}")


def run_in_one_shell(pieces, wheres):
    """Runs pieces of shell [(text, typed lines, status wanted)] in order in
    one shell, as pasted; a piece that wants status 0 stops the shell when it
    fails, a failure at its where. For each piece that ran: (its where, what
    it printed, its status, the HTTP statuses it met)."""
    work = tempfile.mkdtemp(prefix="docs.")
    script = ["shopt -s expand_aliases", "set -o errexit"]
    for n, (text, typed, want) in enumerate(pieces):
        base = os.path.join(work, str(n))
        with open(base + ".in", "w") as f:
            f.write(typed)
        with open(base + ".sh", "w") as f:
            f.write(text + "\n")
        guard = "set +o errexit; " if want else ""
        script.append(f"{guard}source {base}.sh <{base}.in >{base}.out 2>&1; echo $? >{base}.rc; set -o errexit")
        # Each piece's HTTP statuses apart from the next one's.
        script.append(f"mkdir {base}.headers; mv {headers_dir}/* {base}.headers/ 2>/dev/null || true")
    with open(os.path.join(work, "all.sh"), "w") as f:
        f.write("\n".join(script) + "\n")
    subprocess.run(["bash", os.path.join(work, "all.sh")], check=False)
    results = []
    for n, where in enumerate(wheres):
        base = os.path.join(work, str(n))
        output = open(base + ".out", errors="replace").read() if os.path.exists(base + ".out") else ""
        if not os.path.exists(base + ".rc"):
            failures.append(f"{where}: a command failed (the shell stopped here); it printed:\n{output}")
            break
        results.append((where, output, int(open(base + ".rc").read()), statuses(base + ".headers")))
    return results


def run_document(path):
    items = blocks(path)
    runs, pieces, wheres = [], [], []
    for index, (line, kind, options, language, text) in enumerate(items):
        if kind == "skip" and not options:
            failures.append(f"{path}:{line}: a skipped block must say why")
        if kind != "run":
            continue
        answer = items[index + 1][4] if index + 1 < len(items) and items[index + 1][1] == "answer" else None
        stdin = re.search(r'stdin="([^"]*)"', options)
        status = re.search(r"exit=(\d+)", options)
        body = text if language == "sh" else f"python3 - <<'DOCS_PYTHON'\n{text}\nDOCS_PYTHON"
        runs.append((text, answer))
        wheres.append(f"{path}:{line}")
        pieces.append((body, stdin.group(1).replace("\\n", "\n") + "\n" if stdin else "",
                       int(status.group(1)) if status else 0))
    for (text, answer), (_, _, want), (where, output, rc, met) in zip(runs, pieces, run_in_one_shell(pieces, wheres)):
        if rc != want:
            failures.append(f"{where}: ended with status {rc}, not {want}; it printed:\n{output}")
        check_answers(where, output, text, answer, met)
        print(f"{where}: ran, {len(met)} HTTP requests")


def run_serve_commands(path):
    """The command lines scripts/serve prints (indented by two spaces)."""
    lines = [l[2:] for l in open(path).read().split("\n") if l.startswith("  ") and not l.startswith("   ")]
    commands = [l for l in lines if re.match(r"(read|T=|curl|s=)", l)]
    if not commands:
        failures.append(f"{path}: no commands found to run")
    results = run_in_one_shell([(command, "admin\nadmin-pw\n", 0) for command in commands],
                               [f"scripts/serve prints: {command[:90]}" for command in commands])
    for command, (where, output, rc, met) in zip(commands, results):
        # The read-only user's change is refused; everything else succeeds.
        refused = "-X PUT" in command and "-i" in command.split()
        bad = met != [403] if refused else ("curl" in command and not met) or any(s != 200 for s in met)
        if rc != 0 or bad:
            failures.append(f"{where}: status {rc}, HTTP {met}; printed:\n{output}")
        for code in CODE.findall(output):
            if code != "0":
                failures.append(f"{where}: answered respCode {code}")
    print(f"scripts/serve: {len(commands)} printed commands ran")


def resolve(document, node):
    while isinstance(node, dict) and "$ref" in node:
        target = document
        for piece in node["$ref"][2:].split("/"):
            target = target[piece]
        node = target
    return node


def shape(envelope):
    """respCode and the data members' names, group by group."""
    data = {k: sorted(v) if isinstance(v, dict) else type(v).__name__ for k, v in envelope.items() if k != "resp"}
    return envelope.get("resp", {}).get("respCode"), data


def statuses(directory):
    """The HTTP statuses of the answers whose headers curl left in directory
    (removed), oldest first, the last of each (after any 100 Continue)."""
    found = []
    for name in sorted(os.listdir(directory)):
        text = open(os.path.join(directory, name), encoding="latin-1").read()
        found += [int(l.split()[1]) for l in text.split("\n") if l.startswith("HTTP/")][-1:]
        os.unlink(os.path.join(directory, name))
    return found


def run_samples(api_json):
    document = json.load(open(api_json))
    samples = []
    for path, item in document["paths"].items():
        for method, op in item.items():
            if method in ORDER:
                rank = 3 if op["operationId"].endswith("Deregister") else ORDER[method]
                samples.append((rank, -len(samples) if rank == 3 else len(samples), op))
    for _, _, op in sorted(samples, key=lambda s: s[:2]):
        source = op["x-codeSamples"][0]["source"]
        response = resolve(document, op["responses"]["200"])
        example = response["content"]["application/json"].get("example")
        result = subprocess.run(["bash", "-c", source], capture_output=True, text=True, check=False)
        met = statuses(headers_dir)
        where = f"{op['operationId']}: {source}"
        if example is None:
            failures.append(f"{where}: the description gives no example answer")
            continue
        if result.returncode != 0 or met != [200]:
            failures.append(f"{where}: curl ended with {result.returncode}, HTTP {met}")
            continue
        try:
            got = json.loads(result.stdout)
        except ValueError:
            failures.append(f"{where}: answered no JSON: {result.stdout!r}")
            continue
        if shape(got) != shape(example):
            failures.append(f"{where}: answered {json.dumps(got)}, where the description's example is "
                            f"{json.dumps(example)}")
    print(f"openapi: {len(samples)} curl samples sent")


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("documents", nargs="*")
    parser.add_argument("--serve-commands")
    parser.add_argument("--samples")
    args = parser.parse_args(argv)
    for document in args.documents:
        run_document(document)
    if args.serve_commands:
        run_serve_commands(args.serve_commands)
    if args.samples:
        run_samples(args.samples)
    for failure in failures:
        print(f"FAIL {failure}")
    print(f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

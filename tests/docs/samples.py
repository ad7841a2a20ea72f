"""Every curl sample of the API description, sent as shown (the token in
TOKEN): the adds (POST), the changes (PUT), the reads (GET), then the
removals (DELETE, and the POSTs that deregister) in reverse order. Each must
answer HTTP 200 and the envelope of the description's example: the same
respCode and data members (their values are the switch's)."""

import json
import os
import subprocess

ORDER = {"post": 0, "put": 1, "get": 2, "delete": 3}


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


def run(api_json):
    document = json.load(open(api_json))
    samples = []
    for path, item in document["paths"].items():
        for method, op in item.items():
            if method in ORDER:
                rank = 3 if op["operationId"].endswith("Deregister") else ORDER[method]
                samples.append((rank, -len(samples) if rank == 3 else len(samples), op))
    failures = []
    headers = os.environ["DOCS_HEADERS"]
    for _, _, op in sorted(samples, key=lambda s: s[:2]):
        source = op["x-codeSamples"][0]["source"]
        response = resolve(document, op["responses"]["200"])
        example = response["content"]["application/json"].get("example")
        result = subprocess.run(["bash", "-c", source], capture_output=True, text=True, check=False)
        met = statuses(headers)
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
    return failures

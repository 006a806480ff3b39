"""The schemas hold what they promise: each is a valid schema, the records the
three JSON Schemas share are defined alike, every sample under examples/
validates, and every example of docs/formats.md validates, names the schema of
its own kind, and renders in brelk without a skipped line.

    validate_test.py SOURCE_DIR BRELK
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from artefacts import (  # noqa: E402
    COMMANDS, SCHEMAS, Reading, load_schemas, relaxng_verdicts, require_xmllint)

failures = []


def fail(message):
    failures.append(message)


def schema_error(validator, text):
    error = next(validator.iter_errors(Reading(text).value), None)
    return None if error is None else f"{'/'.join(map(str, error.absolute_path)) or 'top'}: {error.message}"


def check_shared_records(schemas):
    seen = {}
    for kind, validator in schemas.items():
        for name, definition in validator.schema["$defs"].items():
            if name in seen and seen[name][1] != definition:
                fail(f"$defs/{name} differs between the {seen[name][0]} and {kind} schemas")
            seen.setdefault(name, (kind, definition))


def check_samples(source, schemas):
    for path in sorted(glob.glob(os.path.join(source, "examples/*/*/*.yaml"))):
        with open(path, encoding="utf-8") as file:
            text = file.read()
        kind = Reading(text).value.get("schemaVersion")
        error = schema_error(schemas[kind], text) if kind in schemas else "no known schemaVersion"
        if error:
            fail(f"{os.path.relpath(path, source)}: {error}")
    xml = sorted(glob.glob(os.path.join(source, "examples/*/*/*.xml")))
    for path, valid in relaxng_verdicts(source, xml).items():
        if not valid:
            fail(f"{os.path.relpath(path, source)} is not a valid verdict record")
    print(f"{len(glob.glob(os.path.join(source, 'examples/*/*/*.yaml')))} YAML and {len(xml)} XML samples checked")


def documented_examples(source):
    """(line, language, text) of every fenced block of docs/formats.md that is a whole artefact."""
    with open(os.path.join(source, "docs/formats.md"), encoding="utf-8") as file:
        lines = file.read().split("\n")
    blocks, start = [], None
    for number, line in enumerate(lines, 1):
        if start is None and line in ("```yaml", "```xml"):
            start, language, body = number, line[3:], []
        elif start is not None and line == "```":
            text = "\n".join(body) + "\n"
            if "schemaVersion:" in text or "<verdict-record" in text:
                blocks.append((start, language, text))
            start = None
        elif start is not None:
            body.append(line)
    return blocks


def renders(brelk, command, name, text):
    """brelk's standard error over a tree holding this one file, or None when it rendered it cleanly."""
    root = tempfile.mkdtemp()
    try:
        os.makedirs(os.path.join(root, "runs", "svc"))
        with open(os.path.join(root, "runs", "svc", name), "w", encoding="utf-8") as file:
            file.write(text)
        run = subprocess.run([brelk, command, "runs"], cwd=root, capture_output=True, text=True,
                             env=dict(os.environ, SOURCE_DATE_EPOCH="0"))
        return None if run.returncode == 0 and not run.stderr else run.stderr.strip() or f"exit {run.returncode}"
    finally:
        shutil.rmtree(root)


def check_documented_examples(source, brelk, schemas):
    blocks = documented_examples(source)
    for line, language, text in blocks:
        where = f"docs/formats.md line {line}"
        if language == "yaml":
            kind = Reading(text).value.get("schemaVersion")
            first = text.split("\n", 1)[0]
            if not re.fullmatch(r"# yaml-language-server: \$schema=\S*/schemas/" + re.escape(SCHEMAS.get(kind, "?")),
                                first):
                fail(f"{where}: the first line does not name the {kind} schema: {first}")
            error = schema_error(schemas[kind], text) if kind in schemas else "no known schemaVersion"
            name = "example.yaml"
        else:
            kind = "verdict-record"
            handle, path = tempfile.mkstemp(suffix=".xml")
            with os.fdopen(handle, "w", encoding="utf-8") as file:
                file.write(text)
            error = None if relaxng_verdicts(source, [path])[path] else "not a valid verdict record"
            os.unlink(path)
            name = "example.xml"
        if error:
            fail(f"{where}: {error}")
        complaint = renders(brelk, COMMANDS.get(kind, "explore"), name, text)
        if complaint:
            fail(f"{where}: brelk does not render it cleanly: {complaint}")
    for kind in COMMANDS:
        if sum(1 for _, language, text in blocks if kind in text) < 2:
            fail(f"docs/formats.md has no minimal and full example of {kind}")
    print(f"{len(blocks)} examples of docs/formats.md checked")


def main(source, brelk):
    brelk = os.path.abspath(brelk)
    require_xmllint()
    schemas = load_schemas(source)
    check_shared_records(schemas)
    check_samples(source, schemas)
    check_documented_examples(source, brelk, schemas)
    for message in failures:
        print("FAIL: " + message)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))

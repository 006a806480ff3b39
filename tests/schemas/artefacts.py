"""What the schema tests share: YAML artefacts read with brelk's own rules for
scalars, the schemas, and brelk's verdict on a tree of files.

brelk resolves plain scalars by the YAML 1.2 core schema, not YAML 1.1: `yes`,
`on` and `1_000` are text, `0o17` and `0x1F` are integers, `017` is the
integer 17. Quoted and block scalars are text. `!!str` and `!` make any
scalar text; `!!null`, `!!bool`, `!!int` and `!!float` make a scalar that type
when its text reads as one (`!!float 3` is the float 3), and change nothing
otherwise; other tags change nothing. An integer beyond 64 bits is a float.
A mapping key that is not text cannot be a JSON key: it is left out of the
JSON value and noted in `Reading.non_text_keys`.
"""
import json
import math
import os
import re
import shutil
import subprocess
import sys

try:
    import jsonschema
    import yaml
except ImportError as missing:
    print(f"{missing.name} is missing: the schemas are not checked here "
          "(make check installs python3-jsonschema and python3-yaml)")
    sys.exit(77)


def require_xmllint():
    if not shutil.which("xmllint"):
        print("xmllint is missing: the schemas are not checked here (make check installs libxml2-utils)")
        sys.exit(77)

TAG = "tag:yaml.org,2002:"
SCHEMAS = {
    "brelk-explore-1": "brelk-explore-1.schema.json",
    "brelk-optimize-1": "brelk-optimize-1.schema.json",
    "brelk-baseline-1": "brelk-baseline-1.schema.json",
}
COMMANDS = {"brelk-explore-1": "explore", "brelk-optimize-1": "optimize", "brelk-baseline-1": "measure",
            "verdict-record": "verdict"}
FAILED = object()


def resolve_null(text):
    return None if text in ("", "~", "null", "Null", "NULL") else FAILED


def resolve_boolean(text):
    if text in ("true", "True", "TRUE"):
        return True
    if text in ("false", "False", "FALSE"):
        return False
    return FAILED


def resolve_integer(text):
    """An int, a float for one beyond 64 bits, or FAILED."""
    if len(text) > 2 and text[0] == "0" and text[1] in "ox":
        base, digits, sign = (8 if text[1] == "o" else 16), text[2:], 1
        pattern = "[0-7]+" if base == 8 else "[0-9a-fA-F]+"
    else:
        sign = -1 if text[:1] == "-" else 1
        base, digits, pattern = 10, text[1:] if text[:1] in "+-" else text, "[0-9]+"
    if not re.fullmatch(pattern, digits, re.ASCII):
        return FAILED
    value = sign * int(digits, base)
    if value > 2**64 - 1 or value < -(2**63):
        try:
            return float(value)
        except OverflowError:
            return math.copysign(math.inf, value)
    return value


def resolve_float(text):
    for word in (".inf", ".Inf", ".INF"):
        if text in (word, "+" + word):
            return math.inf
        if text == "-" + word:
            return -math.inf
    if text in (".nan", ".NaN", ".NAN"):
        return math.nan
    if re.fullmatch(r"[-+]?(\.[0-9]+|[0-9]+(\.[0-9]*)?)([eE][-+]?[0-9]+)?", text, re.ASCII):
        return float(text)
    return FAILED


def resolve_plain(text):
    for resolve in (resolve_null, resolve_boolean, resolve_integer, resolve_float):
        value = resolve(text)
        if value is not FAILED:
            return value
    return text


def resolve_tagged(tag, text):
    if tag == TAG + "null":
        return resolve_null(text)
    if tag == TAG + "bool":
        return resolve_boolean(text)
    if tag == TAG + "int":
        value = resolve_integer(text)
        return value if isinstance(value, int) else FAILED
    if tag == TAG + "float":
        value = resolve_float(text)
        if value is FAILED:
            value = resolve_integer(text)
        return FAILED if value is FAILED else float(value)
    return FAILED


def resolve_scalar(event):
    tag, text = event.tag, event.value
    if tag in (TAG + "str", "!"):
        return text
    if tag:
        value = resolve_tagged(tag, text)
        if value is not FAILED:
            return value
    return resolve_plain(text) if event.style in ("", None) else text


class Reading:
    """One document as a JSON value, with what JSON cannot hold noted beside it:
    the paths of tagged nodes, of mapping keys that are not text, and of
    floats with a whole value."""

    def __init__(self, text):
        self.tagged, self.non_text_keys, self.whole_floats = [], [], []
        self.value = self._convert(self._tree(text), ())

    @staticmethod
    def _tree(text):
        # Nodes are (tag, scalar) or (tag, children, is_mapping), a mapping's
        # children alternating key and value. An anchor names its node once
        # the node is complete; aliases share the node they name.
        anchors, stack, open_anchors, root = {}, [], [], None
        for event in yaml.parse(text, Loader=yaml.CLoader):
            if isinstance(event, (yaml.SequenceStartEvent, yaml.MappingStartEvent)):
                stack.append((event.tag, [], isinstance(event, yaml.MappingStartEvent)))
                open_anchors.append(event.anchor)
                continue
            if isinstance(event, yaml.ScalarEvent):
                node, anchor = (event.tag, resolve_scalar(event)), event.anchor
            elif isinstance(event, (yaml.SequenceEndEvent, yaml.MappingEndEvent)):
                node, anchor = stack.pop(), open_anchors.pop()
            elif isinstance(event, yaml.AliasEvent):
                node, anchor = anchors[event.anchor], None
            else:
                continue
            if anchor:
                anchors[anchor] = node
            if stack:
                stack[-1][1].append(node)
            else:
                root = node
        return root

    def _convert(self, node, path):
        if node[0] not in (None, ""):
            self.tagged.append(path)
        if len(node) == 2:
            value = node[1]
            if isinstance(value, float) and math.isfinite(value) and value == int(value):
                self.whole_floats.append(path)
            return value
        children, mapping = node[1], node[2]
        if not mapping:
            return [self._convert(child, path + (i,)) for i, child in enumerate(children)]
        result = {}
        for key, value in zip(children[0::2], children[1::2]):
            if len(key) == 3 or not isinstance(key[1], str):
                self.non_text_keys.append(path)
                continue
            result[key[1]] = self._convert(value, path + (key[1],))
        return result


def load_schemas(source):
    schemas = {}
    for kind, name in SCHEMAS.items():
        with open(os.path.join(source, "schemas", name), encoding="utf-8") as file:
            schema = json.load(file)
        jsonschema.Draft202012Validator.check_schema(schema)
        schemas[kind] = jsonschema.Draft202012Validator(schema)
    return schemas


def relaxng_verdicts(source, paths):
    """Path -> whether xmllint finds the file a valid verdict record."""
    verdicts = {}
    schema = os.path.join(source, "schemas", "verdict-record.rng")
    for start in range(0, len(paths), 500):
        batch = paths[start:start + 500]
        run = subprocess.run(["xmllint", "--noout", "--relaxng", schema] + batch,
                             capture_output=True, text=True, errors="replace")
        for line in run.stderr.splitlines():
            for suffix, valid in ((" validates", True), (" fails to validate", False)):
                if line.endswith(suffix) and line[:-len(suffix)] in batch:
                    verdicts[line[:-len(suffix)]] = valid
    for path in paths:
        verdicts.setdefault(path, False)  # not even well-formed for xmllint
    return verdicts


SKIPPED = re.compile(r"^skipped \((.*)\): (runs/svc/[^/]+)$")


def brelk_skips(brelk, root, kind):
    """Runs brelk over root/runs and returns file name -> the reason it was
    skipped for; files it rendered are absent."""
    run = subprocess.run([brelk, COMMANDS[kind], "runs"], cwd=root, capture_output=True,
                         env=dict(os.environ, SOURCE_DATE_EPOCH="0"))
    skips = {}
    for line in run.stderr.decode("utf-8", "replace").splitlines():
        match = SKIPPED.match(line)
        if match:
            skips[os.path.basename(match.group(2))] = match.group(1)
    return skips

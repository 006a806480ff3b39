"""The schemas against brelk's readers, document by document: every document a
schema rejects is one brelk skips, and every document brelk skips is one the
schema rejects, unless a rule below that no schema can state explains the
difference.

The documents: each schema's fullest document (every key it knows) and that
document changed at every key (removed, given a value of every kind, tagged,
joined by an unknown key or a key that is not text); every sample, changed
once at every key to a value of another kind; and the samples and fuzz corpora
as they are, under every command. brelk itself judges them, run over a
scratch tree, by the "skipped (…)" lines it prints. Files brelk cannot parse
at all (invalid YAML or XML, unreadable) say nothing about a schema and are
counted apart.

    differential_test.py SOURCE_DIR BRELK
"""
import copy
import glob
import json
import math
import os
import re
import shutil
import sys
import tempfile
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from artefacts import (  # noqa: E402
    SCHEMAS, Reading, brelk_skips, load_schemas, relaxng_verdicts, require_xmllint)

VERDICT_NS = "https://brelk.io/verdict/1.0"


class Rule:
    def __init__(self, what, why, explains):
        self.what, self.why, self.explains, self.seen = what, why, explains, 0


def inside(path, key):
    return len(path) >= 2 and path[-2] == key


# What a JSON Schema cannot state, each with what tells it in a document and
# in brelk's reason. Every one must be met by the generated documents.
YAML_RULES = [
    Rule("a whole-number float where an unsigned integer is wanted (5.0, 1e3, !!float 5)",
         "JSON has one kind of number, and a schema's integer is any number with a whole value; "
         "brelk wants the integer as written",
         lambda reading, reason: re.search(r"invalid type: floating point `-?[0-9]+\.0`, expected u(32|64)$", reason)
         and reading.whole_floats),
    Rule("a tag on a factor value (!!str 3, !custom fast)",
         "JSON has no tags; brelk takes a factor's type from its value and refuses a tag that would choose it",
         lambda reading, reason: reason.endswith("untagged and internally tagged enums do not support enum input")
         and any(inside(path, "factors") for path in reading.tagged)),
    Rule("a mapping key that is not text under factors or criteria (1: x, true: x, [a]: x)",
         "JSON keys are text, so the key is left out of the JSON value; records pass over such a key, "
         "the mappings of factors and criteria refuse it",
         lambda reading, reason: reason.endswith("expected a string") and reading.non_text_keys),
]
XML_RULES = [
    Rule("a criterion of per-criterion in a third namespace without a required attribute",
         "brelk takes criterion elements by local name in any namespace; a grammar names an element by "
         "namespace and local name, and checks criterion in the verdict namespace and in none",
         lambda root, reason: re.search(r"criterion/@[a-z-]+ is missing$", reason)
         and any(child.tag.endswith("}criterion") and not child.tag.startswith("{%s}" % VERDICT_NS)
                 for per in root.iter("{%s}per-criterion" % VERDICT_NS) for child in per)),
]

# ---- YAML documents ----


class Raw:
    """A scalar written as it stands."""

    def __init__(self, text):
        self.text = text


class Tagged:
    def __init__(self, tag, value):
        self.tag, self.value = tag, value


PALETTE = [None, True, "text", "", 7, 0, -1, 2**32, 2**64, 2.5, 5.0, [], {}, Raw("!!float 3"), Raw("!!str 5"),
           Raw("yes"), Raw("0x10"), Raw("0o17"), Raw(".inf"), Raw(".nan"), Raw("1e3"), Raw("'7'"),
           Raw("!!int '12'"), Raw("MAXIMIZE"), Raw("maximize"), Raw("brelk-optimize-1")]
NON_TEXT_KEYS = ["1", "true", "[a]"]


def emit(value):
    """YAML flow text of a value."""
    if isinstance(value, Raw):
        return value.text
    if isinstance(value, Tagged):
        return value.tag + " " + emit(value.value)
    if isinstance(value, dict):
        return "{" + ", ".join(
            (key.text if isinstance(key, Raw) else json.dumps(key, ensure_ascii=False)) + ": " + emit(item)
            for key, item in value.items()) + "}"
    if isinstance(value, list):
        return "[" + ", ".join(emit(item) for item in value) + "]"
    if isinstance(value, float) and not math.isfinite(value):
        return ".nan" if math.isnan(value) else ".inf" if value > 0 else "-.inf"
    return repr(value) if isinstance(value, float) else json.dumps(value, ensure_ascii=False)


def fullest(schema, node):
    """A value holding every key the schema knows at node."""
    while "$ref" in node:
        node = schema["$defs"][node["$ref"].rsplit("/", 1)[1]]
    if "const" in node:
        return node["const"]
    if "enum" in node:
        return node["enum"][0]
    if "anyOf" in node:
        return fullest(schema, node["anyOf"][0])
    kind = node.get("type", "object")
    kind = [k for k in kind if k != "null"][0] if isinstance(kind, list) else kind
    if kind == "object":
        value = {key: fullest(schema, sub) for key, sub in node.get("properties", {}).items()}
        if isinstance(node.get("additionalProperties"), dict):
            value["k"] = fullest(schema, node["additionalProperties"])
        return value if value or "properties" in node else {"kind": "grid"}
    if kind == "array":
        return [fullest(schema, node["items"])]
    return {"integer": 3, "number": 0.5, "string": "text", "boolean": True}[kind]


def paths(value, path=()):
    yield path
    children = value.items() if isinstance(value, dict) else enumerate(value) if isinstance(value, list) else ()
    for key, child in children:
        yield from paths(child, path + (key,))


def changed(document, path, change):
    document = copy.deepcopy(document)
    parent = document
    for key in path[:-1]:
        parent = parent[key]
    change(parent, path[-1])
    return document


def mutations(document):
    """(how, changed document) for every change at every key of the document."""
    for path in paths(document):
        if not path:
            continue
        where = "/".join(map(str, path))
        if isinstance(path[-1], str):
            yield f"{where} removed", changed(document, path, lambda p, k: p.pop(k))
        for value in PALETTE:
            yield f"{where} = {emit(value)}", changed(document, path, lambda p, k, v=value: p.__setitem__(k, v))
        yield f"{where} tagged", changed(document, path, lambda p, k: p.__setitem__(k, Tagged("!custom", p[k])))
    for path in paths(document):
        target = document
        for key in path:
            target = target[key]
        if not isinstance(target, dict):
            continue
        where = "/".join(map(str, path)) or "top"
        for key in NON_TEXT_KEYS:
            yield f"{where} + key {key}", changed(document, path + ("_",),
                                                  lambda p, k, key=key: p.__setitem__(Raw(key), "x"))
        yield f"{where} + unknown key", changed(document, path + ("_",), lambda p, k: p.__setitem__("unknownKey", 1))
    for top in ([], "text", None, 1):
        yield f"top-level {emit(top)}", top


def with_other_kinds(document, seen):
    """The document changed at every key it has to a value of another kind, the first time each key (lists
    counted once) is met in this document or those that saw `seen` before."""
    for path in paths(document):
        general = tuple("*" if isinstance(key, int) else key for key in path)
        if not path or general in seen or path[-1] == "schemaVersion":
            continue
        seen.add(general)
        target = document
        for key in path:
            target = target[key]
        other = 7 if isinstance(target, str) else "text"
        yield "/".join(map(str, path)) + f" = {emit(other)}", changed(document, path,
                                                                       lambda p, k, v=other: p.__setitem__(k, v))


def corpus_pieces(source):
    """The fuzz corpora's documents: whole files, and the files of the report corpus cut at its ===== lines."""
    pieces = []
    for path in sorted(glob.glob(os.path.join(source, "fuzz/corpus/fuzz_yaml_records/*"))
                       + glob.glob(os.path.join(source, "fuzz/corpus/fuzz_verdict_xml/*"))):
        pieces.append((os.path.relpath(path, source), open(path, "rb").read()))
    for path in sorted(glob.glob(os.path.join(source, "fuzz/corpus/fuzz_reports/*"))):
        text = open(path, "rb").read()
        for i, piece in enumerate(re.split(rb"(?m)^=====\n", text)):
            pieces.append((f"{os.path.relpath(path, source)} piece {i}", piece))
    return pieces


# ---- the comparison ----


class Tree:
    """A scratch tree runs/svc/NNNNN.EXT whose files remember how they were made."""

    def __init__(self, extension):
        self.root = tempfile.mkdtemp()
        self.dir = os.path.join(self.root, "runs", "svc")
        os.makedirs(self.dir)
        self.extension, self.origins = extension, {}

    def add(self, origin, content):
        name = f"{len(self.origins):05d}.{self.extension}"
        with open(os.path.join(self.dir, name), "wb") as file:
            file.write(content.encode("utf-8") if isinstance(content, str) else content)
        self.origins[name] = origin

    def close(self):
        shutil.rmtree(self.root)


class Tally:
    def __init__(self, name):
        self.name, self.agree, self.unparsed, self.mismatches = name, 0, 0, []
        self.documents, self.explained = 0, {}

    def report(self, rules):
        by_rule = ", ".join(f"{self.explained.get(rule, 0)} by {rule.what.split(' (')[0]}" for rule in rules)
        print(f"{self.name}: {self.documents} documents, {self.agree} judged alike, {self.unparsed} unparsed, "
              f"differences explained: {by_rule or 'none'}")


UNPARSED = re.compile(r"^(invalid YAML|invalid XML|unreadable)\b")


def compare(tally, tree, reasons, schema_valid, rules, subject):
    for name, origin in sorted(tree.origins.items()):
        tally.documents += 1
        reason = reasons.get(name)
        if reason is not None and UNPARSED.match(reason):
            tally.unparsed += 1
            continue
        valid = schema_valid(name)
        if (valid is True) == (reason is None):
            tally.agree += 1
            continue
        explained = next((rule for rule in rules if reason and rule.explains(subject(name), reason)), None)
        if explained:
            explained.seen += 1
            tally.explained[explained] = tally.explained.get(explained, 0) + 1
            continue
        tally.mismatches.append(f"{origin}: brelk {'skips it (' + reason + ')' if reason else 'renders it'}, "
                                f"the schema {'accepts' if valid is True else 'rejects it: ' + str(valid)}")


def yaml_kind(brelk, kind, validator, documents):
    tree = Tree("yaml")
    try:
        for origin, text in documents:
            tree.add(origin, text)
        reasons = brelk_skips(brelk, tree.root, kind)
        readings = {}

        def reading(name):
            if name not in readings:
                with open(os.path.join(tree.dir, name), encoding="utf-8") as file:
                    readings[name] = Reading(file.read())
            return readings[name]

        def valid(name):
            error = next(validator.iter_errors(reading(name).value), None)
            return True if error is None else f"{'/'.join(map(str, error.absolute_path))}: {error.message}"[:160]

        tally = Tally(kind)
        compare(tally, tree, reasons, valid, YAML_RULES, reading)
        return tally
    finally:
        tree.close()


def generated_yaml(source, schemas):
    """Per kind, (origin, text) of the documents made for it."""
    samples = {kind: [] for kind in SCHEMAS}
    for path in sorted(glob.glob(os.path.join(source, "examples/*/*/*.yaml"))):
        with open(path, encoding="utf-8") as file:
            text = file.read()
        value = Reading(text).value
        samples[value["schemaVersion"]].append((os.path.relpath(path, source), text, value))
    everything = [(origin, text) for kind in samples for origin, text, _ in samples[kind]]
    everything += [(origin, piece) for origin, piece in corpus_pieces(source)]
    made = {}
    for kind, validator in schemas.items():
        full = fullest(validator.schema, validator.schema)
        documents = [(f"fullest {kind}", emit(full))]
        documents += [(f"fullest {kind}, {how}", emit(value)) for how, value in mutations(full)]
        seen = set()
        for origin, _, value in samples[kind]:
            documents += [(f"{origin}, {how}", emit(changed)) for how, changed in with_other_kinds(value, seen)]
        made[kind] = documents + everything
    return made


# ---- XML documents ----


def q(name, namespace=VERDICT_NS):
    return f"{{{namespace}}}{name}" if namespace else name


def xml_mutations(root):
    """(how, changed root) for every change at every element and attribute."""
    elements = list(root.iter())

    def variant(change, index):
        copy_root = copy.deepcopy(root)
        parents = {child: parent for parent in copy_root.iter() for child in parent}
        change(list(copy_root.iter())[index], parents)
        return copy_root

    def renamed(namespace):
        def change(element, parents):
            element.tag = q(element.tag.rsplit("}", 1)[-1], namespace)
        return change

    def removed(element, parents):
        parents[element].remove(element)

    def twin(after):
        def change(element, parents):
            parent = parents[element]
            position = list(parent).index(element) + after
            parent.insert(position, ET.Element(element.tag))
        return change

    for index, element in enumerate(elements):
        name = element.tag.rsplit("}", 1)[-1]
        where = f"element {index} ({name})"
        yield f"{where} in no namespace", variant(renamed(None), index)
        yield f"{where} in urn:other", variant(renamed("urn:other"), index)
        yield f"{where} + unknown child", variant(lambda e, p: e.append(ET.Element(q("extra"))), index)
        yield f"{where} + unknown attribute", variant(lambda e, p: e.set("extra", "1"), index)
        if index:
            yield f"{where} removed", variant(removed, index)
            yield f"{where} after an empty twin", variant(twin(0), index)
            yield f"{where} before an empty twin", variant(twin(1), index)
        for attribute in list(element.attrib):
            yield f"{where} without {attribute}", variant(lambda e, p, a=attribute: e.attrib.pop(a), index)
            yield f"{where} with {attribute} empty", variant(lambda e, p, a=attribute: e.set(a, ""), index)
        if name == "per-criterion":
            yield f"{where} + bare criterion of urn:other", variant(
                lambda e, p: e.insert(0, ET.Element(q("criterion", "urn:other"))), index)
            yield f"{where} + bare criterion of no namespace", variant(
                lambda e, p: e.insert(0, ET.Element("criterion")), index)
    yield "root renamed", variant(lambda e, p: setattr(e, "tag", q("verdict-records")), 0)


def verdict(source, brelk):
    tree = Tree("xml")
    try:
        ET.register_namespace("v", VERDICT_NS)
        for path in sorted(glob.glob(os.path.join(source, "examples/verdict/*/*.xml"))):
            origin = os.path.relpath(path, source)
            tree.add(origin, open(path, "rb").read())
            for how, root in xml_mutations(ET.parse(path).getroot()):
                tree.add(f"{origin}, {how}", ET.tostring(root, encoding="unicode"))
        for origin, piece in corpus_pieces(source):
            tree.add(origin, piece)
        reasons = brelk_skips(brelk, tree.root, "verdict-record")
        files = {name: os.path.join(tree.dir, name) for name in tree.origins}
        valid = relaxng_verdicts(source, list(files.values()))
        roots = {}

        def subject(name):
            if name not in roots:
                roots[name] = ET.parse(files[name]).getroot()
            return roots[name]

        tally = Tally("verdict-record")
        compare(tally, tree, reasons, lambda name: True if valid[files[name]] else "invalid", XML_RULES, subject)
        return tally
    finally:
        tree.close()


def main(source, brelk):
    brelk = os.path.abspath(brelk)
    require_xmllint()
    schemas = load_schemas(source)
    tallies = []
    for kind, documents in generated_yaml(source, schemas).items():
        tallies.append((yaml_kind(brelk, kind, schemas[kind], documents), YAML_RULES))
    tallies.append((verdict(source, brelk), XML_RULES))
    print("What no schema can state:")
    for rule in YAML_RULES + XML_RULES:
        print(f"- {rule.what}: {rule.why}")
    status = 0
    for tally, rules in tallies:
        tally.report(rules)
        for line in tally.mismatches[:20]:
            print("MISMATCH " + line)
        if tally.mismatches:
            print(f"{len(tally.mismatches)} documents judged differently by {tally.name}'s schema and brelk")
            status = 1
    for rule in YAML_RULES + XML_RULES:
        if not rule.seen:
            print(f"no generated document showed the rule \"{rule.what}\": is it still a rule?")
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))

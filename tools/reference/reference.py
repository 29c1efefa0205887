#!/usr/bin/env python3
"""The export reference of ombrix.dll, made from include/ombrix.h.

reference.py HEADER                 prints the reference (Markdown)
reference.py HEADER --check DEF REF fails when REF is not what HEADER gives
                                    now, or when the header's exports and the
                                    .def file's names differ

Every export in the header is a comment followed by its prototype
(OMBRIX_API type OMBRIX_CALL name(arguments);) under a "---- Family ----"
heading; the comment says what the export does, returns and its codes.
"""
import re
import sys

PROTOTYPE = re.compile(r"OMBRIX_API\s+(?P<type>.+?)\s*OMBRIX_CALL\s+(?P<name>\w+)\s*\((?P<args>.*?)\)\s*(?:OMBRIX_NOEXCEPT\s*)?;", re.S)
HEADING = re.compile(r"/\*\s*-{2,}\s*(?P<title>.+?)\s*-{2,}\s*\*/")
ENUMERATOR = re.compile(r"^\s*(?P<name>\w+)\s*=\s*(?P<value>-?\w+),?\s*/\*\s*(?P<text>.*?)\s*\*/")
CODE = re.compile(r"\bOMB_(?:OK|E_\w+)\b")
DEFINE = re.compile(r"^#define\s+(?P<name>OMB_\w+)\s+(?P<value>\S+)")


def comment_text(block):
    lines = []
    for line in block.splitlines():
        line = line.strip()
        line = re.sub(r"^/\*+", "", line)
        line = re.sub(r"\*+/$", "", line)
        line = re.sub(r"^\*(?!/)", "", line)
        lines.append(line.strip())
    return " ".join(l for l in lines if l)


def parse(header_text):
    """Returns (intro, constants, families): families is a list of
    (title, [(name, signature, description)])."""
    intro_match = re.match(r"\s*/\*(.*?)\*/", header_text, re.S)
    intro = comment_text("/*" + intro_match.group(1) + "*/") if intro_match else ""
    constants = []
    families = []
    pending = []      # comment blocks since the last declaration
    statement = ""
    shared = None     # the comment of the prototype just above: prototypes
                      # listed one after another share it
    in_comment = False
    for line in header_text.splitlines()[len(intro_match.group(0).splitlines()) if intro_match else 0:]:
        stripped = line.strip()
        if in_comment:
            pending[-1] += "\n" + line
            in_comment = "*/" not in stripped
            continue
        heading = HEADING.match(stripped)
        if heading:
            families.append((heading.group("title"), []))
            pending = []
            continue
        enumerator = ENUMERATOR.match(line)
        if enumerator:
            constants.append((enumerator.group("name"), enumerator.group("value"), enumerator.group("text")))
            continue
        define = DEFINE.match(stripped)
        if define:
            constants.append((define.group("name"), define.group("value"), comment_text("\n".join(pending))))
            pending = []
            continue
        if stripped.startswith("/*") and not statement:
            shared = None
            pending.append(line)
            in_comment = "*/" not in stripped
            continue
        if not stripped:
            shared = None
            continue
        if stripped.startswith("#"):
            continue
        if stripped.startswith("OMBRIX_API") or statement:
            statement += " " + stripped
            if ";" in stripped:
                m = PROTOTYPE.search(statement)
                statement = ""
                if m:
                    args = re.sub(r"\s+", " ", m.group("args")).strip()
                    ret = re.sub(r"\s+", " ", m.group("type")).strip()
                    signature = "%s %s(%s)" % (ret, m.group("name"), args)
                    signature = signature.replace("* ", "*").replace(" *", " *")
                    if not families:
                        families.append(("Exports", []))
                    description = comment_text("\n".join(pending)) if pending else shared
                    families[-1][1].append((m.group("name"), signature, description))
                    shared = description
                pending = []
            continue
        pending = []
        shared = None
    return intro, constants, [f for f in families if f[1]]


def split_codes(constants):
    """(codes, others): the return codes (OMB_OK, OMB_E_*) apart."""
    codes = [c for c in constants if CODE.fullmatch(c[0])]
    return codes, [c for c in constants if not CODE.fullmatch(c[0])]


def returned_by(code, families):
    return [name for _, exports in families for name, _, description in exports
            if description and code in CODE.findall(description)]


def render(header_text):
    intro, constants, families = parse(header_text)
    codes, others = split_codes(constants)
    count = sum(len(exports) for _, exports in families)
    out = ["# ombrix.dll export reference", "",
           "Made by `tools/reference/reference.py` from `include/ombrix.h`; a test fails when the two differ.", "",
           "%d exports. %s" % (count, intro), ""]
    if others:
        out += ["## Types and constants", ""]
        out += ["- `%s = %s`: %s" % (name, value, text) if text else "- `%s = %s`" % (name, value)
                for name, value, text in others]
        out.append("")
    if codes:
        out += ["## Return codes", "",
                "| name | value | meaning | returned by |", "|---|---|---|---|"]
        for name, value, text in codes:
            users = returned_by(name, families)
            out.append("| `%s` | %s | %s | %s |" % (name, value, text,
                                                    ", ".join("`%s`" % u for u in users) or "every export"))
        out.append("")
    for title, exports in families:
        out += ["## " + title, ""]
        for name, signature, description in exports:
            out += ["### " + name, "", "    " + signature, "", description or "(no description)", ""]
    return "\n".join(out)


def exports_of_def(def_text):
    names = []
    in_exports = False
    for line in def_text.splitlines():
        line = line.split(";")[0].strip()
        if line.upper() == "EXPORTS":
            in_exports = True
            continue
        if in_exports and line:
            names.append(re.split(r"[\s=]", line)[0])
    return names


def main(args):
    if len(args) == 1:
        sys.stdout.write(render(open(args[0], encoding="ascii").read()))
        return 0
    if len(args) == 4 and args[1] == "--check":
        status = 0
        header_text = open(args[0], encoding="ascii").read()
        _, constants, families = parse(header_text)
        codes, _ = split_codes(constants)
        code_names = {name for name, _, _ in codes}
        for title, exports in families:
            for name, _, description in exports:
                for code in sorted(set(CODE.findall(description or "")) - code_names):
                    print("reference: %s names %s, which the header does not define" % (name, code))
                    status = 1
        for code in sorted(code_names - {"OMB_OK"}):
            if not returned_by(code, families):
                print("reference: %s is defined but no export says it returns it" % code)
                status = 1
        header_names = [name for _, exports in families for name, _, _ in exports]
        def_names = exports_of_def(open(args[2], encoding="ascii").read())
        for name in sorted(set(def_names) - set(header_names)):
            print("reference: %s is exported by the .def file but not declared in the header" % name)
            status = 1
        for name in sorted(set(header_names) - set(def_names)):
            print("reference: %s is declared in the header but not exported by the .def file" % name)
            status = 1
        for name in sorted({n for n in header_names if header_names.count(n) > 1}):
            print("reference: %s is declared twice" % name)
            status = 1
        for title, exports in families:
            for name, _, description in exports:
                if not description:
                    print("reference: %s (%s) has no comment in the header" % (name, title))
                    status = 1
        try:
            current = open(args[3], encoding="ascii").read()
        except OSError as e:
            current = ""
            print("reference: cannot read %s: %s" % (args[3], e))
        if current != render(header_text):
            print("reference: %s differs from the header; run tools/reference/reference.py %s > %s"
                  % (args[3], args[0], args[3]))
            status = 1
        print("reference: %d exports in the header, %d in the .def file" % (len(header_names), len(def_names)))
        return status
    print(__doc__)
    return 2


sys.exit(main(sys.argv[1:]))

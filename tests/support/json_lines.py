#!/usr/bin/env python3
"""Checks prowlet --json output (the file named by the first argument): every
line must be strict UTF-8 holding one JSON object with the keys of a printer
(host, exitStatus, warnings, error when it failed), tables as arrays of flat
objects and the paper estimates as a flat object. Writes every field as the
classic output would print its value, HOST TAB KEY TAB VALUE (null as
"(null)"; first the key "(exitStatus)" with the object's status), and exits 1 with the problem on standard error when the
output is not that."""
import json
import sys


def classic(value):
    if value is None:
        return "(null)"
    if isinstance(value, bool):
        return "Y" if value else "N"
    if isinstance(value, int):
        return str(value)
    if isinstance(value, str):
        out = []
        for ch in value:
            code = ord(ch)
            if ch in '"\\':
                out.append("\\" + ch)
            elif ch == "\n":
                out.append("\\n")
            elif code < 0x20 or code == 0x7F:
                out.append("\\x%02x" % code)
            elif 0x80 <= code <= 0x9F:
                out.append("\\xc2\\x%02x" % code)
            else:
                out.append(ch)
        return "".join(out)
    raise ValueError("not a scalar: %r" % (value,))


def refuse_constant(name):
    raise ValueError("not JSON: " + name)


def health_fields(host, key, value):
    """--health: the detected errors as one text of names, and the health as
    the classic fields health and healthReasons ("STATE text; ...")."""
    if key == "detectedErrors":
        if value is not None and not (isinstance(value, list) and all(isinstance(v, str) for v in value)):
            raise ValueError("detectedErrors is not a list of names")
        yield host, key, "(null)" if value is None else ",".join(value)
        return
    if not isinstance(value, dict) or list(value) != ["state", "reasons"] or not isinstance(value["reasons"], list):
        raise ValueError("health is not {state, reasons}")
    reasons = []
    for r in value["reasons"]:
        if not isinstance(r, dict) or list(r) != ["state", "text"]:
            raise ValueError("a reason is not {state, text}")
        reasons.append(r["state"] + " " + r["text"])
    yield host, "health", classic(value["state"])
    yield host, "healthReasons", classic("; ".join(reasons))


def fields(line):
    obj = json.loads(line.decode("utf-8"), parse_constant=refuse_constant)
    if not isinstance(obj, dict):
        raise ValueError("not an object")
    if list(obj)[:2] != ["host", "exitStatus"] or "warnings" not in obj:
        raise ValueError("host, exitStatus and warnings do not lead: %r" % list(obj)[:4])
    host = obj["host"]
    if not isinstance(obj["exitStatus"], int) or not 0 <= obj["exitStatus"] <= 255:
        raise ValueError("exitStatus is not a status")
    yield host, "(exitStatus)", str(obj["exitStatus"])
    if not all(isinstance(w, str) for w in obj["warnings"]) or not isinstance(obj.get("error", ""), str):
        raise ValueError("warnings or error are not text")
    for key, value in obj.items():
        if key in ("host", "exitStatus", "warnings", "error"):
            continue
        if key in ("detectedErrors", "health"):
            yield from health_fields(host, key, value)
            continue
        rows = value if isinstance(value, list) else [value] if isinstance(value, dict) else None
        if rows is None:
            yield host, key, classic(value)
            continue
        for row in rows:
            if not isinstance(row, dict):
                raise ValueError("%s holds something else than objects" % key)
            for k, v in row.items():
                yield host, k, classic(v)


def main():
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    if data and not data.endswith(b"\n"):
        sys.exit("the output does not end with a line end")
    out = []
    for number, line in enumerate(data.split(b"\n")[:-1], 1):
        try:
            out.extend("\t".join(f) for f in fields(line))
        except (ValueError, UnicodeDecodeError) as e:
            sys.exit("line %d: %s: %r" % (number, e, line[:200]))
    sys.stdout.buffer.write("".join(f + "\n" for f in out).encode("utf-8"))


main()

#!/usr/bin/env python3
"""Compares the exporter's exposition of a set of printers with prowlet's
JSON record of the same printers (the same numbers, the same text), printer
by printer and series by series.

Usage: exposition_check.py EXPOSITION JSON_LINES [RECORDINGS]
RECORDINGS: lines "ADDRESS PATH" of the snmprec file each printer serves;
hrDeviceStatus and hrPrinterDetectedErrorState, which the JSON record does not
hold, are compared with the recording itself.
Prints each difference; exit status 1 when there is any."""
import json
import re
import sys

SAMPLE = re.compile(r'^([a-zA-Z_:][a-zA-Z0-9_:]*)(?:\{(.*)\})? (\S+)$')
LABEL = re.compile(r'([a-zA-Z_][a-zA-Z0-9_]*)="((?:[^"\\]|\\.)*)"(,|$)')


def unescape(text):
    return re.sub(r'\\(.)', lambda m: {'n': '\n', '\\': '\\', '"': '"'}[m.group(1)], text)


def parse(path):
    """{(name, frozenset(labels)): value} of every sample; families' HELP/TYPE checked."""
    samples, problems = {}, []
    for number, line in enumerate(open(path, encoding='utf-8'), 1):
        line = line.rstrip('\n')
        if line.startswith('#'):
            continue
        m = SAMPLE.match(line)
        if not m:
            problems.append('line %d is no sample: %r' % (number, line))
            continue
        labels, rest = {}, m.group(2) or ''
        while rest:
            lm = LABEL.match(rest)
            if not lm:
                problems.append('line %d: bad labels %r' % (number, rest))
                break
            labels[lm.group(1)] = unescape(lm.group(2))
            rest = rest[lm.end():]
        samples[(m.group(1), frozenset(labels.items()))] = float(m.group(3))
    return samples, problems


def label_text(text):
    """A JSON string as the exporter writes it into a label value."""
    text = (text or '').rstrip('\0')
    return ''.join('\ufffd' if (ord(c) < 0x20 and c != '\n') or 0x7f <= ord(c) <= 0x9f else c for c in text)


def series(samples, name, **want):
    """The samples of name whose labels include want, as {labels dict: value}."""
    out = []
    for (n, labels), v in samples.items():
        d = dict(labels)
        if n == name and all(d.get(k) == val for k, val in want.items()):
            out.append((d, v))
    return out


def ordinals(samples, name, host, key):
    """{ordinal: index label} of a printer's series, the indexes in their order."""
    indexes = sorted({int(d[key]) for d, _ in series(samples, name, printer=host)})
    return {n: str(i) for n, i in enumerate(indexes, 1)}


def expected(p, samples):
    """The series a printer's JSON record predicts: {(name, key labels): value}.
    Rows are matched in order: the n-th row of a JSON table is the series of
    the n-th index."""
    host, exp = p['host'], {}
    # Up: the printer answered something (a refusal after answers counts; a
    # host system that describes itself, exit status 10, has answered).
    if not set(p) - {'host', 'exitStatus', 'warnings', 'error'} and p['exitStatus'] != 10:
        exp[('prowlet_printer_up', ())] = 0.0
        return exp
    exp[('prowlet_printer_up', ())] = 1.0
    info = tuple(('%s' % k, label_text(p.get(k) or '')) for k in ('location', 'contact'))
    exp[('prowlet_printer_info', info)] = 1.0
    supply = ordinals(samples, 'prowlet_supply_state', host, 'supply')
    for n, s in enumerate(p.get('supplies', []), 1):
        key = (('supply', supply.get(n, '?')), ('description', label_text(s.get('desc'))),
               ('colour', s.get('colour') or ''))
        level, cap, unit = s['level'], s['maxcap'], s.get('supplyunit')
        if level >= 0:
            exp[('prowlet_supply_level', key)] = float(level)
            if unit == 'percent' or cap > 0:
                exp[('prowlet_supply_level_ratio', key)] = level / 100 if unit == 'percent' else level / cap
            if cap > 0:
                filled = min(1.0, level / cap)
                exp[('prowlet_supply_remaining_ratio', key)] = (
                    1 - filled if s.get('class') == 'receptacleThatIsFilled' else filled)
        if cap >= 0:
            exp[('prowlet_supply_capacity', key)] = float(cap)
    tray = ordinals(samples, 'prowlet_input_tray_missing', host, 'tray')
    for n, t in enumerate(p.get('inputTrays', []), 1):
        key = (('tray', tray.get(n, '?')),)
        if t['curLevel'] >= 0:
            exp[('prowlet_input_tray_level', key)] = float(t['curLevel'])
        if t['maxCap'] >= 0:
            exp[('prowlet_input_tray_capacity', key)] = float(t['maxCap'])
    cover = ordinals(samples, 'prowlet_cover_open', host, 'cover')
    for n, c in enumerate(p.get('covers', []), 1):
        if c['status'] in ('doorOpen', 'doorClosed', 'interlockOpen', 'interlockClosed'):
            key = (('cover', cover.get(n, '?')), ('description', label_text(c.get('description'))))
            exp[('prowlet_cover_open', key)] = 1.0 if c['status'].endswith('Open') else 0.0
    markers = p.get('markers', [])
    if markers and markers[0].get('pagecount', -1) >= 0:
        exp[('prowlet_pages_total', ())] = float(markers[0]['pagecount'])
    counts = {}
    for a in p.get('alerts', []):
        k = (('severity', a['severityLevel']), ('group', a['group']))
        counts[k] = counts.get(k, 0) + 1
    for k, v in counts.items():
        exp[('prowlet_alerts', k)] = float(v)
    return exp


CONDITIONS = ['lowPaper', 'noPaper', 'lowToner', 'noToner', 'doorOpen', 'jammed', 'offline', 'serviceRequested',
              'inputTrayMissing', 'outputTrayMissing', 'markerSupplyMissing', 'outputNearFull', 'outputFull',
              'inputTrayEmpty', 'overduePreventMaint']
DEVICE_STATES = {1: 'unknown', 2: 'running', 3: 'warning', 4: 'testing', 5: 'down'}


def recorded(path, oid):
    """The value of oid in an snmprec file: an int, or the bytes; None when absent."""
    for line in open(path, encoding='latin-1'):
        parts = line.rstrip('\n').split('|', 2)
        if len(parts) == 3 and parts[0] == oid:
            typ, value = parts[1], parts[2]
            if typ == '2':
                return int(value)
            return bytes.fromhex(value) if typ.endswith('x') else value.encode('latin-1')
    return None


def check_device_state(samples, host, recording, problems):
    """Where the exposition has them, the recording's device status and
    detected conditions; returns whether it had the conditions."""
    have = {d['condition']: v for d, v in series(samples, 'prowlet_printer_detected_error', printer=host)}
    if have:
        octets = recorded(recording, '1.3.6.1.2.1.25.3.5.1.2.1')
        want = {c: float(bool(octets and bit // 8 < len(octets) and octets[bit // 8] >> (7 - bit % 8) & 1))
                for bit, c in enumerate(CONDITIONS)}
        if octets is None or have != want:
            problems.append('%s: detected errors %r, the recording holds %r' % (host, have, octets))
    states = {d['state']: v for d, v in series(samples, 'prowlet_device_status', printer=host)}
    if states:
        status = recorded(recording, '1.3.6.1.2.1.25.3.2.1.5.1')
        want = {name: float(code == status) for code, name in DEVICE_STATES.items()}
        if states != want:
            problems.append('%s: device status %r, the recording holds %r' % (host, states, status))
    return bool(have)


def main():
    samples, problems = parse(sys.argv[1])
    printers = [json.loads(line) for line in open(sys.argv[2], encoding='utf-8')]
    checked, beyond = 0, []
    for p in printers:
        host = p['host']
        predicted = expected(p, samples)
        for (name, key), value in predicted.items():
            found = series(samples, name, printer=host, **dict(key))
            checked += 1
            if name == 'prowlet_printer_up' and (len(found) != 1 or found[0][1] != value):
                problems.append('%s up %r, the JSON record says exit status %d: %s'
                                % (host, found, p['exitStatus'], p.get('error', '')))
            elif len(found) != 1:
                problems.append('%s %s %s: %d series, expected one of value %r' % (host, name, dict(key), len(found), value))
            elif abs(found[0][1] - value) > 1e-9 * max(1.0, abs(value)):
                problems.append('%s %s %s: %r, the JSON record says %r' % (host, name, dict(key), found[0][1], value))
        # As many rows as the JSON record has. Where it has none, the health
        # walk may still find the table (it reads the Printer MIB's columns
        # whatever the classic probe of the MIB concluded): noted, not wrong.
        for name, table in (('prowlet_supply_state', 'supplies'), ('prowlet_input_tray_missing', 'inputTrays')):
            have = len(ordinals(samples, name, host, 'supply' if table == 'supplies' else 'tray'))
            want = len(p.get(table, []))
            if have != want and want > 0:
                problems.append('%s: %d rows of %s, the JSON record has %d' % (host, have, table, want))
            elif have != want:
                beyond.append('%s: %d rows of %s beyond the JSON record' % (host, have, table))
    with_errors = 0
    if len(sys.argv) > 3:
        recordings = dict(line.split(' ', 1) for line in open(sys.argv[3]).read().splitlines())
        for p in printers:
            with_errors += check_device_state(samples, p['host'], recordings[p['host']], problems)
    for line in beyond + problems:
        print(line)
    print('%d printers, %d series checked, %d with detected error conditions, %d differences'
          % (len(printers), checked, with_errors, len(problems)))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())

#!/usr/bin/python3
"""Fuzzes the .xlsx reader part by part (not part of the tests): takes seed
workbooks, mutates one XML part at a time (the package and workbook
relationships, the workbook, the shared strings, the styles or the sheet)
with byte and markup mutations, zips the package again and reads it with
the reader program (best built with the sanitizers). A crash, a sanitizer
report or a read of an input under 1 MB that takes over a second is kept.
  fuzz_xlsx_parts.py SECONDS OUTPUT_DIR READER SEED.xlsx...
  fuzz_xlsx_parts.py --runs N OUTPUT_DIR READER SEED.xlsx...   (CI: that many inputs)
The random seed is fixed, so a run is repeatable; the exit status is 1 when
a crash or a sanitizer report was found.
"""
import os
import random
import subprocess
import sys
import tempfile
import time
import zipfile

TARGETS = ('_rels/.rels', 'xl/_rels/workbook.xml.rels', 'xl/workbook.xml', 'xl/sharedStrings.xml', 'xl/styles.xml')
TOKENS = [b'<', b'>', b'"', b"'", b'/>', b'</row>', b'&#x10FFFF;', b'&#0;', b'&amp', b'_x0041_', b'_xD800_',
          b'../', b'../../../../x', b'/', b'r:id="rId99"', b'Target=""', b't="s"', b't="inlineStr"',
          b'<row r="1048576">', b'<c r="XFD1048576" t="s"><v>99999</v></c>', b'<c r="A1" t="s"><v>-1</v></c>',
          b'<mergeCell ref="A1:XFD1048576"/>', b'<si><t>x</t></si>', b'<numFmt numFmtId="164" formatCode="0000"/>',
          b'<xf numFmtId="99999"/>', b'<![CDATA[', b']]>', b'<!--', b'-->', b'\xff\xfe', b'\x00']


def sheet_parts(names):
    return [n for n in names if n.startswith('xl/worksheets/') and n.endswith('.xml')]


def mutate(data, rng):
    data = bytearray(data)
    for _ in range(1 + rng.randrange(6)):
        if not data:
            data = bytearray(rng.choice(TOKENS))
        at = rng.randrange(len(data))
        kind = rng.randrange(7)
        if kind == 0:
            data[at] ^= 1 << rng.randrange(8)
        elif kind == 1:
            data[at:at] = rng.choice(TOKENS)
        elif kind == 2:
            end = min(len(data), at + rng.randrange(1, 200))
            del data[at:end]
        elif kind == 3:
            end = min(len(data), at + rng.randrange(1, 64))
            data[at:at] = data[at:end] * rng.choice((2, 10, 1000))
        elif kind == 4:
            data[at:at] = rng.choice(TOKENS) * rng.choice((100, 5000))
        elif kind == 5:
            data[at] = rng.randrange(256)
        else:
            end = min(len(data), at + rng.randrange(1, 64))
            other = rng.randrange(len(data))
            data[other:other] = data[at:end]
    return bytes(data)


def main():
    args = sys.argv[1:]
    max_runs = 0
    if args[0] == '--runs':
        max_runs, args = int(args[1]), args[2:]
        seconds = float('inf')
    else:
        seconds, args = float(args[0]), args[1:]
    out, reader, seed_paths = args[0], args[1], args[2:]
    os.makedirs(out, exist_ok=True)
    seeds = []
    for path in seed_paths:
        with zipfile.ZipFile(path) as z:
            seeds.append({name: z.read(name) for name in z.namelist()})
    rng = random.Random(20261209)
    env = dict(os.environ, ASAN_OPTIONS='detect_leaks=0', UBSAN_OPTIONS='print_stacktrace=1')
    start = time.time()
    runs = crashes = slow = 0
    slowest = 0.0
    with tempfile.TemporaryDirectory() as work:
        mutant = os.path.join(work, 'mutant.xlsx')
        while time.time() - start < seconds and (max_runs == 0 or runs < max_runs):
            parts = dict(rng.choice(seeds))
            targets = [t for t in TARGETS if t in parts] + sheet_parts(parts)
            for target in rng.sample(targets, 1 + (rng.random() < 0.2)):
                parts[target] = mutate(parts[target], rng)
            with zipfile.ZipFile(mutant, 'w', zipfile.ZIP_DEFLATED) as z:
                for name, data in parts.items():
                    z.writestr(name, data)
            began = time.time()
            try:
                done = subprocess.run([reader, mutant, 'Sheet1'], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                      timeout=20, env=env)
                elapsed = time.time() - began
                report = done.stderr.decode('utf-8', 'replace')
                crashed = done.returncode < 0 or 'Sanitizer' in report or 'runtime error:' in report
            except subprocess.TimeoutExpired:
                elapsed, report, crashed = 20.0, 'timeout', False
            runs += 1
            slowest = max(slowest, elapsed)
            size = os.path.getsize(mutant)
            kind = 'crash' if crashed else 'slow' if elapsed > 1.0 and size < 1 << 20 else None
            if kind:
                crashes += kind == 'crash'
                slow += kind == 'slow'
                name = os.path.join(out, f'{kind}-{runs}.xlsx')
                os.replace(mutant, name)
                with open(name + '.txt', 'w') as note:
                    note.write(f'{elapsed:.2f} s\n{report[-4000:]}\n')
    print(f'{runs} inputs in {time.time() - start:.0f} s: {crashes} crashes or sanitizer reports, '
          f'{slow} slow (> 1 s); slowest read {slowest:.2f} s')
    return 1 if crashes else 0


if __name__ == '__main__':
    sys.exit(main())

#!/usr/bin/python3
"""Fuzzes the form file reader (not part of the tests): mutates seed form
files (.kdform) in their bytes and in their JSON (values of other types,
huge and negative numbers, removed keys, long texts, broken pictures) and
imports each with `waybill form import` in a scratch folder. A crash, a
sanitizer report or an import that takes over 5 s is kept.
  fuzz_forms.py SECONDS OUTPUT_DIR WAYBILL SEED.kdform...
"""
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

ODD_VALUES = [None, True, 0, -1, 1e308, -1e308, 2**63, 0.5, '', 'x' * 100000, [], {}, [1], [1, 2, 3, 4, 5],
              '\u0000', '#zzzzzz', 'QUJD', '/9j/4AAQ', 'iVBORw0KGgo=', '../../etc/passwd']


def paths(node, prefix=()):
    yield prefix
    if isinstance(node, dict):
        for key, value in node.items():
            yield from paths(value, prefix + (key,))
    elif isinstance(node, list):
        for index, value in enumerate(node[:20]):
            yield from paths(value, prefix + (index,))


def mutate_json(document, rng):
    target = rng.choice(list(paths(document))[1:])
    parent = document
    for step in target[:-1]:
        parent = parent[step]
    last = target[-1]
    choice = rng.random()
    if choice < 0.2 and isinstance(parent, dict):
        del parent[last]
    elif choice < 0.3 and isinstance(parent, list):
        parent.extend([parent[last]] * rng.choice([1, 50, 300]))
    else:
        parent[last] = rng.choice(ODD_VALUES)
    return json.dumps(document, ensure_ascii=rng.random() < 0.5).encode()


def mutate_bytes(data, rng):
    data = bytearray(data)
    for _ in range(rng.randint(1, 8)):
        if not data:
            break
        at = rng.randrange(len(data))
        kind = rng.random()
        if kind < 0.4:
            data[at] = rng.randrange(256)
        elif kind < 0.6:
            del data[at:]
        else:
            data[at:at] = rng.choice([b'"', b'{', b'[', b'\\u', b'\xff', b'1e999', b',', b'null'])
    return bytes(data)


def main():
    seconds, out, waybill, seeds = float(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4:]
    os.makedirs(out, exist_ok=True)
    texts = [open(path, 'rb').read() for path in seeds]
    rng = random.Random(20261209)
    env = dict(os.environ, QT_QPA_PLATFORM='offscreen', ASAN_OPTIONS='detect_leaks=0',
               UBSAN_OPTIONS='print_stacktrace=1')
    runs = crashes = slow = 0
    start = time.time()
    with tempfile.TemporaryDirectory() as work:
        subprocess.run([waybill, 'init'], cwd=work, env=env, stdout=subprocess.DEVNULL, check=True)
        mutant = os.path.join(work, 'mutant.kdform')
        while time.time() - start < seconds:
            seed = rng.choice(texts)
            data = mutate_json(json.loads(seed), rng) if rng.random() < 0.7 else mutate_bytes(seed, rng)
            with open(mutant, 'wb') as f:
                f.write(data)
            began = time.time()
            try:
                done = subprocess.run([waybill, 'form', 'import', mutant], cwd=work, env=env,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=30)
                report = done.stderr.decode('utf-8', 'replace')
                crashed = done.returncode < 0 or 'Sanitizer' in report or 'runtime error:' in report
            except subprocess.TimeoutExpired:
                done, report, crashed = None, 'timeout', True
            elapsed = time.time() - began
            runs += 1
            if done is not None and done.returncode == 0:
                # Imported: removed again, so that the next mutant may use the code.
                code = json.loads(data, strict=False)['code']
                subprocess.run([waybill, 'form', 'remove', code], cwd=work, env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            kind = 'crash' if crashed else 'slow' if elapsed > 5 else None
            if kind:
                crashes += kind == 'crash'
                slow += kind == 'slow'
                name = os.path.join(out, f'{kind}-{runs}.kdform')
                shutil.copy(mutant, name)
                with open(name + '.txt', 'w') as note:
                    note.write(f'{elapsed:.2f} s\n{report[-4000:]}\n')
    print(f'{runs} form files in {time.time() - start:.0f} s: {crashes} crashes, hangs or sanitizer reports, '
          f'{slow} slow (> 5 s)')
    return 1 if crashes else 0


if __name__ == '__main__':
    sys.exit(main())

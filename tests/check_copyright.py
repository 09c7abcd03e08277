#!/usr/bin/env python3
"""Checks a machine-readable debian/copyright file (copyright-format 1.0):
  check_copyright.py COPYRIGHT [SOURCE_DIR]
Every paragraph parses as fields, the header names the format, every Files
paragraph has Copyright and License, every licence short name it uses has its
text (in that paragraph or a stand-alone License paragraph), every stand-alone
licence is used, and with SOURCE_DIR every Files pattern matches a file.
Prints each fault and exits 1 when there is one."""

import fnmatch
import os
import re
import sys

FORMAT = 'https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/'


def paragraphs(text):
    """Yields (line number, {field: (first line, [continuation lines])})."""
    fields, start, name = {}, 0, None
    for number, line in enumerate(text.split('\n') + [''], 1):
        if not line.strip():
            if fields:
                yield start, fields
            fields, name = {}, None
            continue
        if not fields:
            start = number
        if line[0] in ' \t':
            if name is None:
                raise ValueError(f'line {number}: a continuation line with no field before it')
            fields[name][1].append(line.strip())
            continue
        match = re.match(r'([!-9;-~][!-9;-~]*):(.*)$', line)
        if not match:
            raise ValueError(f'line {number}: not a field: {line!r}')
        name = match.group(1).lower()
        if name in fields:
            raise ValueError(f'line {number}: field {match.group(1)} twice in one paragraph')
        fields[name] = (match.group(2).strip(), [])


def short_names(expression):
    """The licence names of an expression like 'MIT and WTFPL-2' or 'GPL-2+ or Apache-2.0'."""
    expression = re.sub(r'\bwith\s+\S+\s+exception\b', '', expression)
    return [name for name in re.split(r'\s+(?:and|or)\s+|\s*,\s*', expression.strip()) if name]


def source_files(root):
    for folder, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if d != '.git' and not d.startswith('build') and d not in ('program', 'dist')]
        for name in files:
            yield os.path.relpath(os.path.join(folder, name), root)


def check(text, source=None):
    faults = []
    try:
        parsed = list(paragraphs(text))
    except ValueError as error:
        return [str(error)]
    if not parsed:
        return ['the file is empty']
    header_line, header = parsed[0]
    if header.get('format', ('', []))[0] != FORMAT:
        faults.append(f'line {header_line}: the header does not name the format {FORMAT}')
    used, texts, standalone = set(), set(), {}
    files = list(source_files(source)) if source else []
    for line, fields in parsed[1:]:
        if 'files' in fields:
            for needed in ('copyright', 'license'):
                if needed not in fields or not (fields[needed][0] or fields[needed][1]):
                    faults.append(f'line {line}: a Files paragraph without {needed.capitalize()}')
            if 'license' not in fields:
                continue
            names = short_names(fields['license'][0])
            if not names:
                faults.append(f'line {line}: a License field without a short name')
            used.update(names)
            if fields['license'][1]:
                if len(names) != 1:
                    faults.append(f'line {line}: one licence text for several licences')
                texts.update(names)
            patterns = (fields['files'][0] + ' ' + ' '.join(fields['files'][1])).split()
            for pattern in patterns if source else []:
                if not any(fnmatch.fnmatchcase(path, pattern) for path in files):
                    faults.append(f'line {line}: the pattern {pattern} matches no file')
        elif 'license' in fields:
            name, body = fields['license']
            if not body:
                faults.append(f'line {line}: the licence {name} has no text')
            if name in standalone:
                faults.append(f'line {line}: the licence {name} is given twice')
            standalone[name] = line
            texts.add(name)
        else:
            faults.append(f'line {line}: a paragraph with neither Files nor License')
    for name in sorted(used - texts):
        faults.append(f'the licence {name} is used without its text')
    for name in sorted(set(standalone) - used):
        faults.append(f'line {standalone[name]}: the licence {name} is given but no file uses it')
    return faults


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__, file=sys.stderr)
        return 2
    with open(sys.argv[1], encoding='utf-8') as stream:
        faults = check(stream.read(), sys.argv[2] if len(sys.argv) == 3 else None)
    for fault in faults:
        print(f'{sys.argv[1]}: {fault}')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())

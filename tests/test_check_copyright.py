#!/usr/bin/env python3
"""The copyright checker (check_copyright.py) on the project's own file and
on copies of it with one fault each: every fault is found and named."""

import os
import sys

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
import check_copyright  # noqa: E402

source = os.path.dirname(here)
with open(os.path.join(source, 'packaging', 'copyright'), encoding='utf-8') as stream:
    good = stream.read()

# (what is wrong, the file changed, a part of the fault's message)
cases = [
    ('no format', good.replace('Format: ', 'Formats: ', 1), 'does not name the format'),
    ('licence text dropped', good.replace('License: MIT\n Copyright (c) 2017 mwn', 'Comment: MIT\n x', 1),
     'MIT is used without its text'),
    ('files without licence', good.replace('License: MIT and WTFPL-2\n', '', 1), 'without License'),
    ('files without copyright', good.replace('Copyright: 2010-2022 BYVoid <byvoid.kcp@gmail.com>\n', '', 1),
     'without Copyright'),
    ('unknown short name', good.replace('License: Apache-2.0\nComment', 'License: Apache-2\nComment', 1),
     'Apache-2 is used without its text'),
    ('licence given, never used', good + '\nLicense: BSD-3-Clause\n Redistribution ...\n',
     'BSD-3-Clause is given but no file uses it'),
    ('stale pattern', good.replace('Files: import/data/traditional.txt', 'Files: import/data/gone.txt', 1),
     'import/data/gone.txt matches no file'),
    ('continuation first', good.replace('Files: import/data/traditional.txt', ' import/data/traditional.txt', 1),
     'continuation line'),
    ('not a field', good.replace('Upstream-Name: waybill\n', 'Upstream-Name waybill\n', 1), 'not a field'),
]

failures = []
faults = check_copyright.check(good, source)
if faults:
    failures.append(f'the project\'s copyright file: {faults}')
for name, text, expected in cases:
    if text == good:
        failures.append(f'{name}: the case did not change the file')
        continue
    faults = check_copyright.check(text, source)
    if not any(expected in fault for fault in faults):
        failures.append(f'{name}: expected a fault with "{expected}", got {faults}')
for failure in failures:
    print('FAIL', failure)
print(f'{len(cases) + 1 - len(failures)} of {len(cases) + 1} passed')
sys.exit(1 if failures else 0)

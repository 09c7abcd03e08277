#!/usr/bin/env python3
"""Checks the paste recognition cases in tests/data/paste/*.tsv and prints their counts per kind.

Usage: tools/check_paste_corpus.py [file.tsv ...]
Exits with status 1 when a line is malformed or an expected field breaks the conventions.
"""
import glob
import os
import re
import sys
from collections import Counter

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TABLE = os.path.join(ROOT, 'import', 'data', 'divisions.txt')
HEADER = ['kind', 'text', 'name', 'mobile', 'phone', 'postcode', 'address', 'destination', 'company', 'remarks']
PSEUDO_CITIES = ('市辖区', '县', '省直辖县级行政区划', '自治区直辖县级行政区划')

MOBILE = re.compile(r'(1\d{10}(转\d{1,6})?|1\d{2}\*{4}\d{4})?')
PHONE = re.compile(r'(0\d{2,3}-\d{7,8}(-\d{1,6})?|1\d{10})?')
POSTCODE = re.compile(r'(\d{6})?')
FULLWIDTH = str.maketrans('０１２３４５６７８９', '0123456789')


def destinations():
    allowed = set()
    with open(TABLE, encoding='utf-8') as f:
        for line in f:
            if line.startswith('#') or not line.strip():
                continue
            province, city, counties = line.rstrip('\n').split('\t')
            if city in ('市辖区', '县'):
                allowed.add(province)
            elif city in PSEUDO_CITIES:
                allowed.update(counties.split(','))
            else:
                allowed.add(city)
    return allowed


def unescape(text):
    bad = re.search(r'\\[^nt\\]|\\$', text)
    if bad:
        raise ValueError(f'bad escape {bad.group(0)!r}')
    return re.sub(r'\\(.)', lambda m: {'n': '\n', 't': '\t', '\\': '\\'}[m.group(1)], text)


def subsequence(needle, haystack):
    it = iter(haystack)
    return all(ch in it for ch in needle)


def check_file(path, allowed):
    problems = []
    counts = Counter()
    with open(path, encoding='utf-8') as f:
        lines = f.read().split('\n')
    if lines and lines[-1] == '':
        lines.pop()
    if not lines or lines[0].split('\t') != HEADER:
        return [f'{path}:1: header is not {"TAB".join(HEADER)}'], counts
    for number, line in enumerate(lines[1:], start=2):
        where = f'{path}:{number}'
        fields = line.split('\t')
        if len(fields) != 10:
            problems.append(f'{where}: {len(fields)} fields')
            continue
        case = dict(zip(HEADER, fields))
        counts[case['kind']] += 1
        try:
            text = unescape(case['text'])
        except ValueError as e:
            problems.append(f'{where}: {e}')
            continue
        if not case['kind'] or not text.strip():
            problems.append(f'{where}: empty kind or text')
        if not case['address'] or re.search(r'\s', case['address']):
            problems.append(f'{where}: address empty or with blanks: {case["address"]!r}')
        for key, pattern in (('mobile', MOBILE), ('phone', PHONE), ('postcode', POSTCODE)):
            if not pattern.fullmatch(case[key]):
                problems.append(f'{where}: {key} {case[key]!r}')
        if case['destination'] and case['destination'] not in allowed:
            problems.append(f'{where}: destination {case["destination"]!r} not in the table')
        name = case['name']
        if name != name.strip() or re.search(r'[•・‧]|收$|（收）|\(收\)', name):
            problems.append(f'{where}: name {name!r}')
        if re.search(r'[\u4e00-\u9fff] |  ', name):
            problems.append(f'{where}: blank in a Chinese name {name!r}')
        if case['kind'] == 'traditional':
            continue
        # The expected fields come from the text: their characters stand in it in this order.
        flat = re.sub(r'\s', '', text).translate(FULLWIDTH)
        flat_name = re.sub(r'[•・‧]', '·', flat)
        if not subsequence(case['address'], flat):
            problems.append(f'{where}: address {case["address"]!r} is not in the text')
        if name and not subsequence(name.replace(' ', ''), flat_name):
            problems.append(f'{where}: name {name!r} is not in the text')
        for key in ('mobile', 'phone', 'postcode'):
            # A bracketed extension may stand before the number, so each part is looked for alone.
            for part in re.split(r'转|\*+', case[key]):
                digits = re.sub(r'\D', '', part)
                if digits and not subsequence(digits, re.sub(r'\D', '', flat)):
                    problems.append(f'{where}: {key} {case[key]!r} is not in the text')
        for key in ('company', 'remarks'):
            if case[key] and case[key].replace(' ', '') not in flat:
                problems.append(f'{where}: {key} {case[key]!r} is not in the text')
    return problems, counts


def main():
    paths = sys.argv[1:] or sorted(glob.glob(os.path.join(ROOT, 'tests', 'data', 'paste', '*.tsv')))
    allowed = destinations()
    failed = False
    for path in paths:
        problems, counts = check_file(path, allowed)
        print(f'== {os.path.relpath(path, ROOT)}: {sum(counts.values())} cases, {len(counts)} kinds')
        for kind, n in sorted(counts.items()):
            print(f'  {kind:24} {n}')
        for p in problems:
            print('  PROBLEM ' + p)
        failed = failed or bool(problems)
    sys.exit(1 if failed else 0)


if __name__ == '__main__':
    main()

#!/bin/sh
# Makes import/data/traditional.txt, the traditional -> simplified characters
# the paste recognition reads (texts from Hong Kong, Taiwan and older shop
# back-ends come in 繁體): every character of Big5 that OpenCC's t2s
# conversion (Debian package opencc) turns into another one, except those
# GB2312 has itself, which simplified texts use as they are (乾 of 乾安县).
# Run it by hand; the build only reads the committed file.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
command -v opencc >/dev/null || { echo "opencc is missing: apt-get install opencc" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/traditional" <<'PY'
import sys
chars = set()
for lead in range(0xA1, 0xFA):
    for trail in list(range(0x40, 0x7F)) + list(range(0xA1, 0xFF)):
        try:
            c = bytes([lead, trail]).decode('big5')
        except UnicodeDecodeError:
            continue
        if len(c) == 1 and 0x3400 <= ord(c) <= 0x9FFF:
            chars.add(c)
open(sys.argv[1], 'w', encoding='utf-8').write('\n'.join(sorted(chars)) + '\n')
PY
opencc -c t2s -i "$work/traditional" -o "$work/simplified"
{
    echo "# traditional <TAB> simplified, made by tools/update_traditional.sh with opencc $(opencc --version 2>&1 | sed -n 's/^Version: //p')"
    python3 - "$work/traditional" "$work/simplified" <<'PY'
import sys
def gb2312(c):
    try:
        c.encode('gb2312')
        return True
    except UnicodeEncodeError:
        return False
traditional = open(sys.argv[1], encoding='utf-8').read().split('\n')
simplified = open(sys.argv[2], encoding='utf-8').read().split('\n')
for t, s in zip(traditional, simplified):
    if len(t) == 1 and len(s) == 1 and t != s and not gb2312(t):
        print(f'{t}\t{s}')
PY
} >"$root/import/data/traditional.txt"
echo "wrote $root/import/data/traditional.txt"

#!/bin/sh
# Makes import/data/divisions.txt, the province / city / district table the
# paste recognition reads, from the china-division package of the npm
# registry (version and checksum pinned below). Run it by hand to take a
# newer release; the build only reads the committed file.
# Each line: province <TAB> city <TAB> district,district,...
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
version=2.7.0
sha1=4060a4d243be66c7833dea64a48a4038f3e53e74
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
npm pack "china-division@$version" >/dev/null 2>&1
echo "$sha1  china-division-$version.tgz" | sha1sum -c - >/dev/null
tar xzf "china-division-$version.tgz"
python3 - "$root/import/data/divisions.txt" "$version" <<'PY'
import json, sys
out, version = sys.argv[1], sys.argv[2]
table = json.load(open('package/dist/pca.json', encoding='utf-8'))
with open(out, 'w', encoding='utf-8') as f:
    f.write(f'# china-division {version} (npm), dist/pca.json: province, city, districts\n')
    for province, cities in table.items():
        for city, districts in cities.items():
            f.write(f'{province}\t{city}\t{",".join(districts)}\n')
PY
echo "wrote $root/import/data/divisions.txt"

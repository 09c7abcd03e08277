#!/usr/bin/python3
"""Writes .xlsx packages as writers outside Excel shape them, part by part:
     write_odd_xlsx.py MODE OUT
MODE:
  empty-shared   empty cells written <c t="s" s="0"/> (Go's better-xlsx)
  renamed-parts  shared strings and styles in parts of other names, found
                 through the workbook's relationships only
  stray-cell     one cell at XFD1 beside the recipient rows
  bomb           100 MB of blanks after the recipients (a zip bomb of 100 kB)
  merged         a cell at the sheet's last row and 2,000 merged areas over
                 the whole sheet (2 kB)
The sheet is Sheet1 with the ten recipient headings and two recipients."""
import sys
import zipfile

mode, out = sys.argv[1], sys.argv[2]
headings = ['单位名称', '收件人姓名', '目的地', '收件地址', '邮政编码',
            '联系电话', '手机号码', '内件品名', '数量', '备注']
rows = [headings,
        ['', '张三', '杭州', '文三路90号', '310012', '', '13812345678', '', '1', ''],
        ['公司乙', '李四', '', '建国路88号', '', '010-1', '', '书', '', '']]
strings = []


def index(text):
    if text not in strings:
        strings.append(text)
    return strings.index(text)


def column(c):
    return chr(ord('A') + c)


def esc(text):
    return text.replace('&', '&amp;').replace('<', '&lt;')


sheet_rows = []
for r, values in enumerate(rows, start=1):
    cells = []
    for c, value in enumerate(values):
        ref = f'{column(c)}{r}'
        if value == '':
            if mode == 'empty-shared':
                cells.append(f'<c r="{ref}" t="s" s="0"/>')
            continue
        cells.append(f'<c r="{ref}" t="s"><v>{index(value)}</v></c>')
    if mode == 'stray-cell' and r == 1:
        cells.append(f'<c r="XFD1" t="s"><v>{index("远处的单元格")}</v></c>')
    sheet_rows.append(f'<row r="{r}">{"".join(cells)}</row>')

if mode == 'merged':
    sheet_rows.append(f'<row r="1048576"><c r="B1048576" t="s"><v>{index("末行")}</v></c></row>')

main = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'
rel = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
pkg = 'http://schemas.openxmlformats.org/package/2006/relationships'
strings_part, styles_part = ('strings/text1.xml', 'look.xml') if mode == 'renamed-parts' \
    else ('sharedStrings.xml', 'styles.xml')
parts = {
    '[Content_Types].xml':
        '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/></Types>',
    '_rels/.rels':
        f'<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="{pkg}">'
        f'<Relationship Id="rId1" Type="{rel}/officeDocument" Target="xl/workbook.xml"/></Relationships>',
    'xl/workbook.xml':
        f'<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="{main}" xmlns:r="{rel}"><sheets>'
        '<sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>',
    'xl/_rels/workbook.xml.rels':
        f'<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="{pkg}">'
        f'<Relationship Id="rId1" Type="{rel}/worksheet" Target="worksheets/sheet1.xml"/>'
        f'<Relationship Id="rId2" Type="{rel}/sharedStrings" Target="{strings_part}"/>'
        f'<Relationship Id="rId3" Type="{rel}/styles" Target="{styles_part}"/></Relationships>',
    'xl/worksheets/sheet1.xml':
        f'<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="{main}"><sheetData>{"".join(sheet_rows)}'
        + ' ' * (100 << 20) * (mode == 'bomb') + '</sheetData>'
        + ('<mergeCells>' + '<mergeCell ref="B2:XFD1048576"/>' * 2000 + '</mergeCells>') * (mode == 'merged')
        + '</worksheet>',
    'xl/' + styles_part:
        f'<?xml version="1.0" encoding="UTF-8"?><styleSheet xmlns="{main}"><cellXfs count="1">'
        '<xf numFmtId="0"/></cellXfs></styleSheet>',
}
parts['xl/' + strings_part] = (
    f'<?xml version="1.0" encoding="UTF-8"?><sst xmlns="{main}" count="{len(strings)}">'
    + ''.join(f'<si><t>{esc(s)}</t></si>' for s in strings) + '</sst>')
with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
    for name, text in parts.items():
        z.writestr(name, text.encode('utf-8'))

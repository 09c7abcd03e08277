#!/usr/bin/python3
"""Writes a test workbook with Python's independent writers:
     write_workbook.py xls OUT   (xlwt, BIFF8)
     write_workbook.py xlsx OUT  (openpyxl)
     write_workbook.py csv-utf8-bom OUT, csv-gbk OUT  (the csv module, as a
         shop back-end writes its export: the cells of the first sheet)
The description comes on stdin as for write_workbook.pl. Kinds a writer
cannot write (formula results for all) are left out."""
import csv
import datetime
import sys

fmt, out = sys.argv[1], sys.argv[2]
lines = [line.rstrip('\n').split('\t') for line in sys.stdin.buffer.read().decode('utf-8').split('\n') if line]

if fmt.startswith('csv-'):
    cells = {}
    sheets = 0
    for f in lines:
        if f[0] == 'SHEET':
            sheets += 1
        elif f[0] == 'CELL' and sheets == 1:
            cells[(int(f[1]), int(f[2]))] = f[4]
    height = max((r for r, _ in cells), default=-1) + 1
    width = max((c for _, c in cells), default=-1) + 1
    encoding = 'utf-8-sig' if fmt == 'csv-utf8-bom' else 'gbk'
    with open(out, 'w', encoding=encoding, newline='') as stream:
        writer = csv.writer(stream, lineterminator='\r\n')
        for r in range(height):
            writer.writerow([cells.get((r, c), '') for c in range(width)])
elif fmt == 'xls':
    import xlwt
    book = xlwt.Workbook(encoding='utf-8')
    date_style = xlwt.easyxf(num_format_str='yyyy-mm-dd')
    bold = xlwt.easyfont('bold on')
    sheet = None
    values = {}
    for f in lines:
        if f[0] == 'SHEET':
            sheet = book.add_sheet(f[1], cell_overwrite_ok=True)
            if f[2] == '1':
                sheet.visibility = 1
            values = {}
        elif f[0] == 'CELL':
            r, c, kind, value = int(f[1]), int(f[2]), f[3], f[4]
            values[(r, c)] = value
            if kind == 's':
                sheet.write(r, c, value)
            elif kind == 'n':
                sheet.write(r, c, float(value))
            elif kind == 'z':
                sheet.write(r, c, float(int(value)), xlwt.easyxf(num_format_str='0' * len(value)))
            elif kind == 'd':
                sheet.write(r, c, datetime.datetime.strptime(value, '%Y-%m-%d'), date_style)
            elif kind == 'b':
                sheet.write(r, c, value == '1')
            elif kind == 'r':
                plain, strong = value.split('|')
                sheet.write_rich_text(r, c, [plain, (strong, bold)])
        elif f[0] == 'MERGE':
            r1, c1, r2, c2 = map(int, f[1:5])
            sheet.merge(r1, r2, c1, c2)
    book.save(out)
else:
    import openpyxl
    book = openpyxl.Workbook()
    book.remove(book.active)
    sheet = None
    for f in lines:
        if f[0] == 'SHEET':
            sheet = book.create_sheet(f[1])
            if f[2] == '1':
                sheet.sheet_state = 'hidden'
        elif f[0] == 'CELL':
            r, c, kind, value = int(f[1]) + 1, int(f[2]) + 1, f[3], f[4]
            cell = sheet.cell(row=r, column=c)
            if kind == 's':
                cell.value = value
            elif kind == 'n':
                cell.value = float(value) if '.' in value else int(value)
            elif kind == 'z':
                cell.value = int(value)
                cell.number_format = '0' * len(value)
            elif kind == 'd':
                cell.value = datetime.datetime.strptime(value, '%Y-%m-%d')
                cell.number_format = 'yyyy-mm-dd'
            elif kind == 'b':
                cell.value = value == '1'
            elif kind == 'r':
                cell.value = value.replace('|', '')
        elif f[0] == 'MERGE':
            r1, c1, r2, c2 = map(int, f[1:5])
            sheet.merge_cells(start_row=r1 + 1, start_column=c1 + 1, end_row=r2 + 1, end_column=c2 + 1)
    book.save(out)

#!/usr/bin/python3
"""Reads an .xlsx workbook with an independent reader (openpyxl) and prints
its first worksheet as read_workbook.pl does: the sheet name, then one line
per row, cells separated by tabs; tabs, newlines, carriage returns and
backslashes inside cells written as \\t, \\n, \\r and \\\\."""
import sys
import openpyxl

book = openpyxl.load_workbook(sys.argv[1], read_only=True)
sheet = book.worksheets[0]
out = [sheet.title]
width = sheet.max_column or 0
for row in sheet.iter_rows(values_only=True):
    cells = []
    for c in range(width):
        v = row[c] if c < len(row) else None
        v = '' if v is None else str(v)
        cells.append(v.replace('\\', '\\\\').replace('\t', '\\t').replace('\n', '\\n').replace('\r', '\\r'))
    out.append('\t'.join(cells))
sys.stdout.buffer.write(('\n'.join(out) + '\n').encode('utf-8'))

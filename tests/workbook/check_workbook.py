#!/usr/bin/python3
"""Converts records into a workbook with two rows a sheet and reads it back with openpyxl,
cell by cell: text as cut, numbers, dates, values that are not what their type says, the header
and the change of sheet. Usage: check_workbook.py WORKBOOK_SAMPLE"""

import datetime
import os
import subprocess
import sys
import tempfile

import openpyxl

# Fields: code (text), amount (NUMBER, 2 decimals), account (NUMBER), day (DATE), month (DATE
# YYYYMM), note (text).
DEFINITION = (b"FIX\r\nBYTE\r\nHEADER\r\nNUMBER 2 2\r\nNUMBER 3\r\nDATE 4 YYYYMMDD\r\nDATE 5 YYYYMM\r\n"
              b"OUT\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\nLEN\r\n5 code\r\n6 amount\r\n16 account\r\n"
              b"8 day\r\n6 month\r\n8 " + "摘要".encode("cp932") + b"\r\n")

# Each record as its fields (CP932), and the cells it must give.
RECORDS = [
    ([b"00123", b"001234", b"0123456789012345", b"20240401", b"202403", b" \x81\x40a    "],
     ["00123", 12.34, 123456789012345, datetime.datetime(2024, 4, 1), datetime.datetime(2024, 3, 1), " \u3000a    "]),
    ([b"  x  ", b"-00005", b"1234567890123456", b"20240230", b"2024 1", b"\xfd\xfeab    "],
     ["  x  ", -0.05, "1234567890123456", "20240230", "2024 1", "\ufffd\ufffdab    "]),
    ([b"A    ", b"      ", b"               7", b"00000000", b"      ", b"_x0041_ "],
     ["A    ", None, 7, None, None, "_x005F_x0041_ "]),  # the workbook's escape of '_': read as written
]
REPORT = " 3件\nシート 2 枚\n変換できない文字 2 個（最初は 2 件目）\n日付として読めない値 1 件（最初は 2 件目）\n"
FORMATS = [None, None, None, "yyyy/mm/dd", "yyyy/mm", None]  # of the first row's cells

# Cut to 31 characters, the characters a sheet name cannot hold made '_'.
SOURCE_NAME = "月次[売上]:*?データ_0123456789012345678901.dat"
SHEETS = ["月次_売上____データ_012345678901234567", "月次_売上____データ_0123456789012345_2"]


def fail(message):
    print(message)
    sys.exit(1)


def main():
    sample = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        definition = os.path.join(folder, "layout.def")
        source = os.path.join(folder, SOURCE_NAME)
        output = os.path.join(folder, "out.XLSX")
        with open(definition, "wb") as file:
            file.write(DEFINITION)
        with open(source, "wb") as file:
            for fields, _ in RECORDS:
                file.write(b"".join(fields) + b"\r\n")
        run = subprocess.run([sample, "3", definition, source, output], capture_output=True, text=True)
        if run.returncode != 0:
            fail(f"workbook_sample failed: {run.stdout}{run.stderr}")
        if run.stdout != REPORT:
            fail(f"report: {run.stdout!r}")
        if sorted(os.listdir(folder)) != sorted(["layout.def", SOURCE_NAME, "out.XLSX"]):
            fail(f"files left: {os.listdir(folder)}")

        book = openpyxl.load_workbook(output)
        if book.sheetnames != SHEETS:
            fail(f"sheets: {book.sheetnames}")
        rows = [row for sheet in book.worksheets for row in sheet.iter_rows()]
        header = ["code", "amount", "account", "day", "month", "摘要"]
        expected = [header] + [RECORDS[0][1], RECORDS[1][1], header, RECORDS[2][1]]
        for number, (row, cells) in enumerate(zip(rows, expected), start=1):
            values = [cell.value for cell in row] + [None] * (len(cells) - len(row))
            if values != cells:
                fail(f"row {number}: {values} != {cells}")
        if len(rows) != len(expected):
            fail(f"{len(rows)} rows")
        for sheet in book.worksheets:
            if sheet.freeze_panes != "A2" or not all(cell.font.b for cell in sheet[1]):
                fail(f"header of {sheet.title}: frozen at {sheet.freeze_panes}")
            if any(cell.font.b for cell in sheet[2]):
                fail(f"second row of {sheet.title} is bold")
        for cell, shown in zip(rows[1], FORMATS):
            if shown and cell.number_format != shown:
                fail(f"{cell.coordinate} shown as {cell.number_format}")


main()

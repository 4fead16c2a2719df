#!/usr/bin/python3
"""The benchmark's peer for workbooks: the same cells written by Python's xlsxwriter.

Reads CP932 records ending in CR LF from SOURCE, cuts them into fields of the given widths in
characters, and writes the chosen fields in order as the text cells of one row a record to the
workbook OUTPUT, streaming rows as the core does (constant_memory); an empty field is no cell.

Usage: workbook_peer.py WIDTHS ORDER SOURCE OUTPUT   (WIDTHS and ORDER: comma-separated)
"""
import sys

import xlsxwriter


def main():
    widths = [int(width) for width in sys.argv[1].split(",")]
    order = [int(field) for field in sys.argv[2].split(",")]
    starts = [sum(widths[:index]) for index in range(len(widths))]
    book = xlsxwriter.Workbook(sys.argv[4], {"constant_memory": True, "strings_to_numbers": False})
    sheet = book.add_worksheet("peer")
    with open(sys.argv[3], "rb") as source:
        for row, record in enumerate(source):
            text = record.removesuffix(b"\r\n").decode("cp932", errors="replace")
            for column, field in enumerate(order):
                value = text[starts[field - 1]:starts[field - 1] + widths[field - 1]]
                if value:
                    sheet.write_string(row, column, value)
    book.close()


main()

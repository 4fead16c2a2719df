#!/usr/bin/env python3
"""The benchmark's independent check of trimming and quoting.

Reads CP932 records ending in CR LF from standard input, cuts them into fields of the given
widths in characters, and writes the chosen fields in order, joined by commas, to standard
output in CP932, each line ending in CR LF: with --trim less the half-width and full-width blanks
at both ends, with --quote in double quotes (inner ones doubled) when a field holds a comma, a
double quote, CR or LF.

Usage: options_peer.py WIDTHS ORDER [--trim] [--quote]   (WIDTHS and ORDER: comma-separated)
"""
import sys


def main():
    widths = [int(width) for width in sys.argv[1].split(",")]
    order = [int(field) for field in sys.argv[2].split(",")]
    trim = "--trim" in sys.argv[3:]
    quote = "--quote" in sys.argv[3:]
    starts = [sum(widths[:index]) for index in range(len(widths))]
    out = sys.stdout.buffer
    for record in sys.stdin.buffer:
        text = record.removesuffix(b"\r\n").decode("cp932")
        columns = []
        for field in order:
            column = text[starts[field - 1]:starts[field - 1] + widths[field - 1]]
            if trim:
                column = column.strip(" \u3000")
            if quote and any(special in column for special in ',"\r\n'):
                column = '"' + column.replace('"', '""') + '"'
            columns.append(column)
        out.write((",".join(columns) + "\r\n").encode("cp932"))


if __name__ == "__main__":
    main()

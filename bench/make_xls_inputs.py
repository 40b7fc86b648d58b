#!/usr/bin/python3
"""Writes the benchmark workbook with python3-xlwt: 4 worksheets of 50,000 rows by 8 columns
(200,000 rows): text from a shared vocabulary, whole numbers, decimals, percentages, dates.
Usage: /usr/bin/python3 bench/make_xls_inputs.py OUT_DIR"""
import datetime
import os
import random
import sys

import xlwt

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
random.seed(5)
words = ("alpha beta gamma delta epsilon invoice order customer region north south east west "
         "total net gross caf\u00e9 \u0437\u0430\u043a\u0430\u0437").split()
book = xlwt.Workbook(encoding="utf-8")
decimal = xlwt.easyxf(num_format_str="#,##0.00")
percent = xlwt.easyxf(num_format_str="0.0%")
date = xlwt.easyxf(num_format_str="yyyy-mm-dd")
start = datetime.date(2000, 1, 1)
for s in range(4):
    sheet = book.add_sheet("Sheet%d" % (s + 1))
    for r in range(50000):
        sheet.write(r, 0, "%s %s" % (random.choice(words), random.choice(words)))
        sheet.write(r, 1, r + s * 50000)
        sheet.write(r, 2, random.randint(-100000, 100000))
        sheet.write(r, 3, random.random() * 10000, decimal)
        sheet.write(r, 4, random.random(), percent)
        sheet.write(r, 5, start + datetime.timedelta(days=random.randint(0, 9000)), date)
        sheet.write(r, 6, random.choice(words))
        sheet.write(r, 7, random.random() * 1e6)
book.save(os.path.join(out, "big.xls"))

#!/usr/bin/python3
# Writes the benchmarks' river workbook (as bench/river_workbook lays it out: four header
# rows, taxon codes and names in columns A and B, a count in every cell of the taxon
# block, about one in eight not 0) through another program, the way users' files come:
#   openpyxl      openpyxl's normal mode (a <dimension>, inline strings)
#   write-only    openpyxl's write-only mode, as pandas writes (no <dimension>)
#   openxlsx      R's openxlsx (shared strings, a <dimension> of "A1")
#   libreoffice   LibreOffice re-saving the write-only file (soffice --convert-to xlsx)
#   gnumeric      gnumeric re-saving it (ssconvert)
#
#   bench/writer_workbook.py WRITER OUT.xlsx [SAMPLES [TAXA [TAXON-LIST.csv]]]
# Exit status 3 when the writer is not installed.
import csv, os, random, shutil, subprocess, sys, tempfile


def table(samples, taxa, listed):
    rng = random.Random(12345)
    codes = []
    if listed:
        with open(listed, encoding='utf-8') as f:
            rows = csv.reader(f)
            next(rows, None)
            codes = [r[1] for r in rows if len(r) > 1 and r[1]]
    codes = (codes + ['BENCH%d' % t for t in range(len(codes), taxa)])[:taxa]
    rows = [['Sample', None] + ['S%d' % (s + 1) for s in range(samples)],
            ['Site code', None] + ['SITE%d' % (s // 5) for s in range(samples)],
            ['Sampling date', None] + [44927 + (s * 7) % 365 for s in range(samples)],
            ['Alkalinity (mg/l)', None] + [round(rng.uniform(10, 200), 9) for _ in range(samples)]]
    for t in range(taxa):
        rows.append([codes[t], 'Taxon %d' % t]
                    + [rng.randint(1, 60) if rng.getrandbits(3) == 0 else 0 for _ in range(samples)])
    return rows


def openpyxl_book(rows, out, write_only):
    import openpyxl
    book = openpyxl.Workbook(write_only=write_only)
    if write_only:
        sheet = book.create_sheet('Samples')
    else:
        sheet = book.active
        sheet.title = 'Samples'
    for row in rows:
        sheet.append(row)
    book.save(out)


R_WRITER = r'''
args <- commandArgs(TRUE)
suppressMessages(library(openxlsx))
lines <- readLines(args[1], encoding = "UTF-8")
cells <- strsplit(lines, "\t", fixed = TRUE)
samples <- length(cells[[1]]) - 2
wb <- createWorkbook()
addWorksheet(wb, "Samples")
header <- lapply(1:4, function(i) cells[[i]][-(1:2)])
writeData(wb, 1, data.frame(c("Sample", "Site code", "Sampling date", "Alkalinity (mg/l)")), startRow = 1, colNames = FALSE)
writeData(wb, 1, t(header[[1]]), startRow = 1, startCol = 3, colNames = FALSE)
writeData(wb, 1, t(header[[2]]), startRow = 2, startCol = 3, colNames = FALSE)
writeData(wb, 1, t(as.numeric(header[[3]])), startRow = 3, startCol = 3, colNames = FALSE)
writeData(wb, 1, t(as.numeric(header[[4]])), startRow = 4, startCol = 3, colNames = FALSE)
body <- cells[-(1:4)]
writeData(wb, 1, data.frame(code = sapply(body, `[`, 1), name = sapply(body, `[`, 2)), startRow = 5, colNames = FALSE)
counts <- matrix(as.integer(unlist(lapply(body, function(r) r[-(1:2)]))), nrow = length(body), byrow = TRUE)
writeData(wb, 1, counts, startRow = 5, startCol = 3, colNames = FALSE)
saveWorkbook(wb, args[2], overwrite = TRUE)
'''


def main():
    if len(sys.argv) < 3:
        sys.exit('usage: writer_workbook.py WRITER OUT.xlsx [SAMPLES [TAXA [TAXON-LIST.csv]]]')
    writer, out = sys.argv[1], os.path.abspath(sys.argv[2])
    samples = int(sys.argv[3]) if len(sys.argv) > 3 else 5000
    taxa = int(sys.argv[4]) if len(sys.argv) > 4 else 1000
    listed = sys.argv[5] if len(sys.argv) > 5 else None
    rows = table(samples, taxa, listed)
    if writer in ('openpyxl', 'write-only'):
        openpyxl_book(rows, out, writer == 'write-only')
        return
    with tempfile.TemporaryDirectory() as work:
        if writer == 'openxlsx':
            if not shutil.which('Rscript') or subprocess.run(
                    ['Rscript', '-e', 'quit(status = !requireNamespace("openxlsx", quietly = TRUE))'],
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode:
                sys.exit(3)
            tsv = os.path.join(work, 'table.tsv')
            with open(tsv, 'w', encoding='utf-8') as f:
                for row in rows:
                    f.write('\t'.join('' if v is None else str(v) for v in row) + '\n')
            script = os.path.join(work, 'write.R')
            with open(script, 'w', encoding='utf-8') as f:
                f.write(R_WRITER)
            subprocess.run(['Rscript', script, tsv, out], check=True)
            return
        if writer not in ('libreoffice', 'gnumeric'):
            sys.exit('unknown writer ' + writer)
        if not shutil.which('soffice' if writer == 'libreoffice' else 'ssconvert'):
            sys.exit(3)
        source = os.path.join(work, 'in', 'river.xlsx')
        os.makedirs(os.path.dirname(source))
        openpyxl_book(rows, source, True)
        if writer == 'libreoffice':
            subprocess.run(['soffice', '--headless', '--norestore',
                            '-env:UserInstallation=file://' + os.path.join(work, 'profile'),
                            '--convert-to', 'xlsx', '--outdir', work, source],
                           check=True, stdout=subprocess.DEVNULL)
            shutil.move(os.path.join(work, 'river.xlsx'), out)
        else:
            subprocess.run(['ssconvert', source, out], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


main()

#!/usr/bin/python3
"""Writes the bundled example sample workbooks: river, lake and DAM, each as .xlsx and .xls.

Run with Debian's python3 (it has openpyxl and xlwt):

    /usr/bin/python3 data/examples/make_examples.py [--refdb DIR] [--out DIR]

The taxa come from the bundled master taxon list (DIR/NBSMasterTaxonList_PhaseII.csv) and
the lake types from the bundled boundaries (DIR/Boundaries.csv), so that the examples match
the bundled database; a few taxa that the list lacks are added on purpose. Everything is
drawn from a seeded generator and the .xlsx packages carry fixed time stamps, so the same
inputs always give the same files, byte for byte.

Layout of every sheet: row 1 the sample names from column C, row 2 the site codes, row 3
the sampling dates (date cells), row 4 "Alkalinity (mg/l)" (rivers, DAM) or "Lake type"
(lakes), rows 5 and 6 "Calcium (ueq/l)" and "DOC (mg/l)" (DAM only); then one row per
taxon: its code in column A, its name in column B, its counts from column C (empty for
none). Column B stays empty above the taxa, so the worksheet dialog finds the first taxon
row by itself.
"""

import argparse
import csv
import datetime
import io
import os
import random
import sys
import zipfile

import openpyxl
import xlwt

FIXED_TIME = datetime.datetime(2024, 1, 1, 0, 0, 0)

# Codes that the reference list does not hold: the job reports them as lacking scores.
UNLISTED_TAXA = [
    ("ZZ990001", "Unlisted diatom A (field name)"),
    ("ZZ990002", "Unlisted diatom B (field name)"),
]


def read_table(path):
    """Rows of a bundled reference CSV as dicts keyed by column name (types dropped)."""
    with open(path, newline="", encoding="utf-8") as f:
        reader = csv.reader(f)
        header = [field.split(":", 1)[0] for field in next(reader)]
        rows = [dict(zip(header, row)) for row in reader]
    return header, rows


def positive(text):
    try:
        return float(text) > 0
    except ValueError:
        return False


def scored_taxa(refdb, indices):
    """(code, name) of the listed taxa that have a score for every one of indices.

    The code is the list's second field (the code system that does not begin with NBN or
    NHM); the name is the first text column whose name says it is one."""
    header, rows = read_table(os.path.join(refdb, "NBSMasterTaxonList_PhaseII.csv"))
    code_column = header[1]
    name_column = next((c for c in header if "name" in c.lower()), None)
    taxa = []
    for row in rows:
        code = row.get(code_column, "").strip()
        if not code or code.startswith(("NBN", "NHM")):
            continue
        if all(positive(row.get(index, "")) for index in indices):
            name = row.get(name_column, "") if name_column else ""
            taxa.append((code, name or code))
    return taxa


def lake_types(refdb):
    header, rows = read_table(os.path.join(refdb, "Boundaries.csv"))
    types = []
    for row in rows:
        if row.get("SiteType") == "LTDI1":
            value = row.get(header[1], "").strip()
            if len(value) == 2 and value not in types:
                types.append(value)
    return types


def season_dates(rng, year, count):
    """count sampling dates spread over the seasons of year (and into the next)."""
    months = [3, 5, 7, 9, 11, 1]
    dates = []
    for i in range(count):
        month = months[i % len(months)]
        y = year + (1 if month == 1 else 0)
        dates.append(datetime.date(y, month, rng.randint(2, 27)))
    return dates


def assemblage(rng, taxa, present):
    """Counts of one sample: a few dominant taxa and a tail of rare ones, about 300 valves."""
    chosen = rng.sample(range(len(taxa)), present)
    counts = {}
    remaining = 300
    for rank, t in enumerate(chosen):
        if rank == len(chosen) - 1:
            share = remaining
        else:
            share = max(1, int(remaining * rng.uniform(0.15, 0.45)))
        share = min(share, remaining)
        if share <= 0:
            break
        counts[t] = share
        remaining -= share
    return counts


class Sheet:
    """A workbook sheet in memory: header rows, then taxa with their counts."""

    def __init__(self, name):
        self.name = name
        self.labels = []   # (label, values per sample), values None for an empty cell
        self.taxa = []     # (code, name)
        self.counts = []   # per sample: {taxon index: count}


def river_sheet(rng, taxa):
    sheet = Sheet("River samples")
    sites = [("TAMAR01", 38.0), ("TAMAR02", 52.0), ("EXE03", 118.0), ("OTTER04", 210.0)]
    names, codes, dates, alkalinity = [], [], [], []
    for s, (site, alk) in enumerate(sites):
        for i, day in enumerate(season_dates(rng, 2023, 4)):
            names.append("%s-%d" % (site, i + 1))
            codes.append(site)
            dates.append(day)
            alkalinity.append(round(alk * rng.uniform(0.85, 1.15), 1))
    # A few gaps and slips, as field sheets have them: missing values (the default is
    # used) and an alkalinity beyond both indices' ranges.
    alkalinity[2] = None
    alkalinity[9] = 0
    alkalinity[14] = 320.0
    # A sample without a site code takes no part in the site tables.
    codes[7] = ""
    sheet.labels = [("Sample", names), ("Site code", codes), ("Sampling date", dates),
                    ("Alkalinity (mg/l)", alkalinity)]
    fill_taxa(rng, sheet, taxa, len(names), present=(8, 16))
    return sheet


def lake_sheet(rng, taxa, types):
    sheet = Sheet("Lake samples")
    lakes = [("WINDER01", types[0]), ("BASSEN02", types[1 % len(types)]), ("LOMOND03", types[2 % len(types)]),
             ("TARN04", "ZZ")]
    names, codes, dates, kinds = [], [], [], []
    for lake, kind in lakes:
        for i, day in enumerate(season_dates(rng, 2022, 3)):
            names.append("%s-%d" % (lake, i + 1))
            codes.append(lake)
            dates.append(day)
            kinds.append(kind)
    sheet.labels = [("Sample", names), ("Site code", codes), ("Sampling date", dates), ("Lake type", kinds)]
    fill_taxa(rng, sheet, taxa, len(names), present=(7, 14))
    return sheet


def dam_sheet(rng, taxa):
    sheet = Sheet("DAM samples")
    sites = [("DUDDON01", 60.0, 3.2), ("ESK02", 140.0, 6.5), ("LIZA03", 35.0, 9.8)]
    names, codes, dates, alkalinity, calcium, doc = [], [], [], [], [], []
    for site, ca, dissolved in sites:
        for i, day in enumerate(season_dates(rng, 2021, 4)):
            names.append("%s-%d" % (site, i + 1))
            codes.append(site)
            dates.append(day)
            alkalinity.append(round(rng.uniform(1.0, 12.0), 1))
            calcium.append(round(ca * rng.uniform(0.8, 1.2), 1))
            doc.append(round(dissolved * rng.uniform(0.8, 1.2), 2))
    calcium[1] = None     # missing: the default is used
    calcium[6] = 2.5      # below the calcium range
    doc[10] = 64.0        # above the DOC range
    sheet.labels = [("Sample", names), ("Site code", codes), ("Sampling date", dates),
                    ("Alkalinity (mg/l)", alkalinity), ("Calcium (ueq/l)", calcium), ("DOC (mg/l)", doc)]
    fill_taxa(rng, sheet, taxa, len(names), present=(6, 12))
    return sheet


def fill_taxa(rng, sheet, taxa, samples, present):
    listed = rng.sample(taxa, min(len(taxa), 30))
    sheet.taxa = listed + UNLISTED_TAXA
    for _ in range(samples):
        counts = assemblage(rng, listed, rng.randint(*present))
        # The unlisted taxa turn up now and then, in small numbers.
        for u in range(len(UNLISTED_TAXA)):
            if rng.random() < 0.3:
                counts[len(listed) + u] = rng.randint(1, 6)
        sheet.counts.append(counts)


def write_xlsx(sheet, path):
    book = openpyxl.Workbook()
    ws = book.active
    ws.title = sheet.name
    for r, (label, values) in enumerate(sheet.labels, start=1):
        ws.cell(row=r, column=1, value=label)
        for s, value in enumerate(values):
            if value is None or value == "":
                continue
            cell = ws.cell(row=r, column=3 + s, value=value)
            if isinstance(value, datetime.date):
                cell.number_format = "dd/mm/yyyy"
    first = len(sheet.labels) + 1
    for t, (code, name) in enumerate(sheet.taxa):
        ws.cell(row=first + t, column=1, value=code)
        ws.cell(row=first + t, column=2, value=name)
        for s, counts in enumerate(sheet.counts):
            if t in counts:
                ws.cell(row=first + t, column=3 + s, value=counts[t])
    book.properties.created = FIXED_TIME
    book.properties.modified = FIXED_TIME
    buffer = io.BytesIO()
    book.save(buffer)
    repack_with_fixed_times(buffer.getvalue(), path)


def repack_with_fixed_times(package, path):
    """The package again, every member stamped with the same time, so reruns match."""
    stamp = FIXED_TIME.strftime("%Y-%m-%dT%H:%M:%SZ")
    source = zipfile.ZipFile(io.BytesIO(package))
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as target:
        for info in source.infolist():
            data = source.read(info.filename)
            if info.filename == "docProps/core.xml":
                text = data.decode("utf-8")
                for tag in ("dcterms:created", "dcterms:modified"):
                    start = text.find("<" + tag)
                    if start >= 0:
                        open_end = text.find(">", start) + 1
                        close = text.find("</" + tag + ">", open_end)
                        text = text[:open_end] + stamp + text[close:]
                data = text.encode("utf-8")
            member = zipfile.ZipInfo(info.filename, date_time=FIXED_TIME.timetuple()[:6])
            member.compress_type = zipfile.ZIP_DEFLATED
            member.external_attr = 0o644 << 16
            target.writestr(member, data)
    with open(path, "wb") as f:
        f.write(out.getvalue())


def write_xls(sheet, path):
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet(sheet.name)
    date_style = xlwt.easyxf(num_format_str="dd/mm/yyyy")
    for r, (label, values) in enumerate(sheet.labels):
        ws.write(r, 0, label)
        for s, value in enumerate(values):
            if value is None or value == "":
                continue
            if isinstance(value, datetime.date):
                ws.write(r, 2 + s, value, date_style)
            else:
                ws.write(r, 2 + s, value)
    first = len(sheet.labels)
    for t, (code, name) in enumerate(sheet.taxa):
        ws.write(first + t, 0, code)
        ws.write(first + t, 1, name)
        for s, counts in enumerate(sheet.counts):
            if t in counts:
                ws.write(first + t, 2 + s, counts[t])
    book.save(path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--refdb", default=os.path.join(here, "..", "refdb"))
    parser.add_argument("--out", default=here)
    args = parser.parse_args()

    try:
        river_taxa = scored_taxa(args.refdb, ["TDI3", "TDI4"])
        lake_taxa = scored_taxa(args.refdb, ["LTDI1", "LTDI2"])
        dam_taxa = scored_taxa(args.refdb, ["DAM"])
        types = lake_types(args.refdb)
    except (OSError, StopIteration) as error:
        sys.exit("make_examples.py: cannot read the bundled reference data: %s" % error)
    for family, found in (("river", river_taxa), ("lake", lake_taxa), ("DAM", dam_taxa)):
        if len(found) < 12:
            sys.exit("make_examples.py: the master taxon list has only %d taxa scored for %s" % (len(found), family))
    if not types:
        sys.exit("make_examples.py: Boundaries.csv holds no two-character LTDI1 lake types")

    rng = random.Random(20240101)
    sheets = {
        "river": river_sheet(rng, river_taxa),
        "lake": lake_sheet(rng, lake_taxa, types),
        "dam": dam_sheet(rng, dam_taxa),
    }
    for base, sheet in sheets.items():
        write_xlsx(sheet, os.path.join(args.out, base + ".xlsx"))
        write_xls(sheet, os.path.join(args.out, base + ".xls"))
        print("wrote %s.xlsx and %s.xls: %d samples, %d taxa"
              % (base, base, len(sheet.counts), len(sheet.taxa)))


if __name__ == "__main__":
    main()

"""The Python module torven: the CSV files' values, typed; the program's messages as
exceptions, with nothing printed and the interpreter alive."""

import csv
import datetime
import math
import os
import subprocess

import pandas as pd
import pytest

import torven

CLI = os.environ["TORVEN_CLI"]
DB = os.environ["TORVEN_DB"]
EXAMPLES = os.environ["TORVEN_EXAMPLES"]

# The bundled examples: workbook and metric.
JOBS = [(name + ext, metric) for name, metric in (("river", "TDI"), ("lake", "LTDI"), ("dam", "DAM"))
        for ext in (".xlsx", ".xls")]


def csv_rows(path):
    with open(path, newline="", encoding="utf-8") as f:
        return list(csv.reader(f))


def field(value):
    """A value written as the CSV export writes it."""
    if value is None or value is pd.NA or value is pd.NaT:
        return ""
    if isinstance(value, (pd.Timestamp, datetime.date)):
        return value.strftime("%Y-%m-%d")
    if isinstance(value, float):
        return "" if math.isnan(value) else "%.17g" % value
    return str(value)


def expect_frame_is_csv(frame, path):
    rows = csv_rows(path)
    assert list(frame.columns) == rows[0], path
    assert len(frame) == len(rows) - 1, path
    for r, record in enumerate(frame.itertuples(index=False)):
        assert [field(v) for v in record] == rows[r + 1], "%s row %d" % (path, r + 1)


@pytest.mark.parametrize("workbook,metric", JOBS)
def test_every_value_is_the_csv_files(tmp_path, workbook, metric):
    path = os.path.join(EXAMPLES, workbook)
    folder = tmp_path / "csv"
    subprocess.run([CLI, "assess", path, "--metric", metric, "--db", DB, "--csv", str(folder), "--quiet"],
                   check=True)
    job = torven.assess(path, metric=metric, db=DB)
    expect_frame_is_csv(job.samples, folder / "sample-summary.csv")
    expect_frame_is_csv(job.quality, folder / "sample-quality.csv")
    assert job.sites, "no site tables"
    for index, table in job.sites.items():
        expect_frame_is_csv(table, folder / ("uncertainty-%s.csv" % index.lower()))
    text = (folder / "job-summary.txt").read_text(encoding="utf-8")
    assert text.startswith(job.summary)
    # The provenance lines but the time of the analysis, which differs between the runs.
    for line in job.provenance:
        if not line.startswith("Analysed:"):
            assert line + "\n" in text


def test_columns_are_typed():
    job = torven.assess(os.path.join(EXAMPLES, "river.xlsx"), db=DB)
    samples = job.samples
    assert pd.api.types.is_datetime64_any_dtype(samples["Sampling date"])
    assert isinstance(samples["Sampling date"].iloc[0], datetime.date)
    assert samples["TDI3"].dtype == float
    assert pd.api.types.is_string_dtype(samples["Sample"])
    assert set(job.sites) == {"TDI3", "TDI4"}
    assert job.provenance[0].startswith("Program: TORVEN II")
    assert job.messages == []


def test_save_writes_the_workbook_and_refuses_the_samples(tmp_path):
    job = torven.assess(os.path.join(EXAMPLES, "dam.xls"), metric="DAM", db=DB)
    job.save(tmp_path / "dam-results.xls")
    assert (tmp_path / "dam-results.xls").stat().st_size > 1000
    with pytest.raises(torven.TorvenError) as refused:
        job.save(os.path.join(EXAMPLES, "dam.xls"))
    assert str(refused.value).startswith(
        "The results cannot be saved over the sample workbook they were read from. Choose another file.")
    assert refused.value.status == 2


def test_failures_raise_with_the_programs_messages(tmp_path, capfd):
    bad = tmp_path / "samples.xlsx"
    bad.write_text("this is no workbook\n")
    bad_map = tmp_path / "map.csv"
    bad_map.write_text("not,the,header\nA,B\n")
    river = os.path.join(EXAMPLES, "river.xlsx")

    with pytest.raises(torven.TorvenError) as unread:
        torven.assess(bad, db=DB)
    assert unread.value.messages[0][0] == "Error reading file"
    assert unread.value.messages[0][1].startswith(str(bad) + ": ")
    assert unread.value.status == 1

    with pytest.raises(torven.TorvenError) as no_database:
        torven.assess(river, db=tmp_path / "no-such.mdb")
    # The database layer's report, then the messages of a start-up without a database.
    texts = [text for text, detail in no_database.value.messages]
    assert "Could not find file" in texts[0]
    assert texts[1:] == ["Error opening database", "Error retrieving taxon list"]

    with pytest.raises(torven.TorvenError) as refused_map:
        torven.assess(river, db=DB, taxon_map=bad_map)
    assert str(refused_map.value).startswith("the taxon map is not used: ")

    with pytest.raises(torven.TorvenError, match="Please enter a number between"):
        torven.assess(river, db=DB, alkalinity=-5)
    with pytest.raises(torven.TorvenError, match="--first-row needs a row number of 1 or more, not '0'"):
        torven.assess(river, db=DB, first_row=0)

    out, err = capfd.readouterr()
    assert out == "" and err == ""
    # Still alive, and still working.
    assert len(torven.assess(river, db=DB).samples) > 0


def test_suggestions_are_torven_cli_suggests(tmp_path):
    """Two taxa of the lake workbook mistyped, as labs do: the suggested rows, ranks, scores
    and reasons are those torven-cli suggest prints."""
    import openpyxl
    book = openpyxl.load_workbook(os.path.join(EXAMPLES, "lake.xlsx"))
    sheet = book.worksheets[0]
    sheet["A5"], sheet["B5"] = "PI294", "Pinnularia  viridis"
    sheet["A6"], sheet["B6"] = "XX000001", "fallacia monoculata"
    path = tmp_path / "typed.xlsx"
    book.save(path)

    suggestions = torven.suggest(path, metric="LTDI", db=DB, limit=2)
    assert list(suggestions.columns) == ["code", "name", "rank", "suggested code", "suggested name", "score",
                                         "reason"]
    printed = subprocess.run([CLI, "suggest", str(path), "--metric", "LTDI", "--db", DB, "--limit", "2"],
                             check=True, capture_output=True, text=True).stdout.splitlines()
    assert printed[0].split("\t") == list(suggestions.columns)
    rows = [[field(v) for v in record] for record in suggestions.itertuples(index=False)]
    assert rows == [line.split("\t") for line in printed[1:]]
    assert "PI294A" in set(suggestions["suggested code"])
    assert suggestions["rank"].dtype == float


def test_taxa_is_the_master_list():
    listed = torven.taxa(db=DB)
    printed = subprocess.run([CLI, "taxa", "--db", DB], check=True, capture_output=True,
                             text=True).stdout.splitlines()
    assert list(listed.columns) == printed[0].split("\t")
    assert len(listed) == len(printed) - 1
    assert list(listed["TaxonCode"]) == [line.split("\t")[1] for line in printed[1:]]
    assert listed["Motile"].dtype == bool
    printed = subprocess.run([CLI, "--version"], check=True, capture_output=True, text=True).stdout
    assert printed == "TORVEN II Version %s\n" % torven.version()


def split_columns(source, folder, parts):
    """The sample workbook source cut by its sample columns into len(parts) workbooks in
    folder: part k keeps the taxon columns A and B and the sample columns parts[k] (0-based
    among the samples), every row in place. Their paths."""
    import openpyxl
    sheet = openpyxl.load_workbook(source).worksheets[0]
    paths = []
    for k, samples in enumerate(parts):
        book = openpyxl.Workbook()
        out = book.active
        out.title = "Samples"
        for row in sheet.iter_rows():
            for cell in row:
                column = cell.column - 1
                if cell.value is None:
                    continue
                if column < 2:
                    target = column
                elif column - 2 in samples:
                    target = 2 + samples.index(column - 2)
                else:
                    continue
                written = out.cell(row=cell.row, column=target + 1, value=cell.value)
                written.number_format = cell.number_format
        path = folder / ("part-%d.xlsx" % (k + 1))
        book.save(path)
        paths.append(path)
    return paths


def expect_same_frame(expected, actual):
    assert list(actual.columns) == list(expected.columns)
    assert list(actual.dtypes) == list(expected.dtypes)
    assert len(actual) == len(expected)
    for r, (want, got) in enumerate(zip(expected.itertuples(index=False), actual.itertuples(index=False))):
        assert [field(v) for v in got] == [field(v) for v in want], "row %d" % (r + 1)


def test_several_workbooks_give_the_whole_workbooks_samples(tmp_path):
    river = os.path.join(EXAMPLES, "river.xlsx")
    whole = torven.assess(river, db=DB)
    count = len(whole.samples)
    first, second = list(range(0, count, 2)), list(range(1, count, 2))
    paths = split_columns(river, tmp_path, [first, second])
    pooled = torven.assess(paths, db=DB)
    # The samples in job order: the first workbook's, then the second's.
    order = first + second
    expected = whole.samples.iloc[order].reset_index(drop=True)
    expect_same_frame(expected, pooled.samples)
    for index in whole.sites:
        expect_same_frame(whole.sites[index], pooled.sites[index])

    assert list(pooled.sources.columns) == ["Workbook", "SHA-256", "Sheet", "First row", "First column",
                                            "Samples", "Taxa"]
    assert list(pooled.sources["Workbook"]) == ["part-1.xlsx", "part-2.xlsx"]
    assert list(pooled.sources["Samples"]) == [len(first), len(second)]
    assert list(pooled.sources["Sheet"]) == ["Samples", "Samples"]
    assert list(whole.sources["Workbook"]) == ["river.xlsx"]
    # A tuple and os.PathLike paths are taken as well, and a list of one is one workbook.
    assert len(torven.assess(tuple(str(p) for p in paths), db=DB).samples) == count
    expect_same_frame(whole.samples, torven.assess([river], db=DB).samples)


def test_a_job_file_and_the_refusals_of_a_job(tmp_path, capfd):
    river = os.path.join(EXAMPLES, "river.xlsx")
    whole = torven.assess(river, db=DB)
    count = len(whole.samples)
    half = count // 2
    (tmp_path / "books").mkdir()
    paths = split_columns(river, tmp_path / "books", [list(range(half)), list(range(half, count))])

    # Paths relative to the job file's folder, whatever the working folder is.
    (tmp_path / "jobs").mkdir()
    job_file = tmp_path / "jobs" / "period.csv"
    job_file.write_text("workbook,sheet,first row,first column\n"
                        "../books/part-1.xlsx,Samples,,\n"
                        "../books/part-2.xlsx,,,C\n", encoding="utf-8")
    expect_same_frame(whole.samples, torven.assess(job=job_file, db=DB).samples)

    # A sample in two workbooks weighs double: refused, naming both places; no job.
    again = tmp_path / "books" / "again.xlsx"
    again.write_bytes(paths[0].read_bytes())
    with pytest.raises(torven.TorvenError) as twice:
        torven.assess([paths[0], paths[1], again], db=DB)
    assert twice.value.status == 1
    text = twice.value.messages[0][0]
    assert "occurs twice in the job: in part-1.xlsx (sheet \"Samples\", column C)" in text
    assert "and in again.xlsx (sheet \"Samples\", column C). Nothing was added." in text

    with pytest.raises(torven.TorvenError) as none:
        torven.assess([], db=DB)
    assert none.value.status == 2 and none.value.messages == [("no workbook given", "")]
    with pytest.raises(torven.TorvenError) as neither:
        torven.assess(db=DB)
    assert neither.value.status == 2
    with pytest.raises(torven.TorvenError) as both:
        torven.assess(river, job=job_file, db=DB)
    assert both.value.status == 2
    bad = tmp_path / "jobs" / "bad.csv"
    bad.write_text("workbook,sheet\nriver.xlsx,Samples\n", encoding="utf-8")
    with pytest.raises(torven.TorvenError) as malformed:
        torven.assess(job=bad, db=DB)
    assert malformed.value.status == 2
    assert str(malformed.value) == str(bad) + ': the first line must be "workbook,sheet,first row,first column"'
    out, err = capfd.readouterr()
    assert out == "" and err == ""

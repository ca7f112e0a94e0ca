"""TORVEN II from Python: the assessment of benthic diatom samples, as torven-cli runs it.

One call runs the whole job on a sample workbook (or several, pooled into one job, or
those a job file names) and gives its results as pandas DataFrames, typed as the results
workbook holds them: numbers as floats (NaN where a value is missing), sampling dates as dates (datetime64, NaT where missing), texts as
strings (pandas' string type, <NA> where a cell is empty). The columns carry the names of
the CSV files that ``torven-cli assess --csv`` writes, and every value, written as those
files write it, is the file's field.

    >>> import torven
    >>> job = torven.assess("lake.xlsx", metric="LTDI")
    >>> job.samples[["Sample", "LTDI1", "EQR LTDI1"]].head()
    >>> sites = job.sites["LTDI1"]     # the site table of LTDI1, with its confidence of class
    >>> sites[sites["Class"].isin(["Moderate", "Poor", "Bad"])]     # the sites below Good
    >>> lomond = job.samples[job.samples["Site code"] == "LOMOND03"]
    >>> lomond.plot(x="Sampling date", y="EQR LTDI1", marker="o")  # with matplotlib
    >>> print(job.summary)
    >>> job.save("results.xlsx")

A job that cannot be done raises :class:`TorvenError`, carrying the messages the desktop
program would have shown; nothing is printed.
"""

import ctypes
import os

import numpy as np
import pandas as pd

from torven._library import LIBRARY

__all__ = ["assess", "suggest", "taxa", "version", "Assessment", "TorvenError"]

_OK, _FAILED, _USAGE, _NOT_WRITTEN = 0, 1, 2, 3
_NUMBER, _TEXT, _DATE, _LOGICAL = 0, 1, 2, 3


class TorvenError(Exception):
    """A job that could not be done.

    ``str(error)`` is the program's messages, each followed by its detail line (the file
    and the reason) where it has one. ``messages`` holds them as (text, detail) pairs and
    ``status`` the torven-cli exit status it stands for: 1 the import or analysis failed,
    2 an option or argument was refused, 3 the results could not be written.
    """

    def __init__(self, status, messages):
        self.status = status
        self.messages = messages
        lines = []
        for text, detail in messages:
            lines.append(text)
            if detail:
                lines.append(detail)
        super().__init__("\n".join(lines) if lines else "the job failed")


def _load():
    lib = ctypes.CDLL(LIBRARY)
    p, s, i, z = ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int, ctypes.c_size_t
    pp = ctypes.POINTER(ctypes.c_void_p)
    signatures = {
        "torven_version": (s, []),
        "torven_messages_new": (p, []),
        "torven_messages_free": (None, [p]),
        "torven_messages_count": (z, [p]),
        "torven_messages_text": (s, [p, z]),
        "torven_messages_detail": (s, [p, z]),
        "torven_options_new": (p, []),
        "torven_options_free": (None, [p]),
        "torven_options_set": (i, [p, s, s, p]),
        "torven_table_free": (None, [p]),
        "torven_table_rows": (z, [p]),
        "torven_table_columns": (z, [p]),
        "torven_table_column_name": (s, [p, z]),
        "torven_table_column_type": (i, [p, z]),
        "torven_table_numbers": (ctypes.POINTER(ctypes.c_double), [p, z]),
        "torven_table_text": (s, [p, z, z]),
        "torven_assess": (i, [s, p, pp, p]),
        "torven_assess_workbooks": (i, [ctypes.POINTER(s), z, p, pp, p]),
        "torven_assess_job_file": (i, [s, p, pp, p]),
        "torven_job_free": (None, [p]),
        "torven_job_summary": (s, [p]),
        "torven_job_provenance_count": (z, [p]),
        "torven_job_provenance_line": (s, [p, z]),
        "torven_job_messages": (p, [p]),
        "torven_job_site_table_count": (z, [p]),
        "torven_job_site_index": (s, [p, z]),
        "torven_job_samples": (p, [p]),
        "torven_job_sites": (p, [p, z]),
        "torven_job_quality": (p, [p]),
        "torven_job_unscored_taxa": (p, [p]),
        "torven_job_sources": (p, [p]),
        "torven_job_save": (i, [p, s, p]),
        "torven_job_write_csv": (i, [p, s, p]),
        "torven_suggest": (i, [s, p, pp, p]),
        "torven_taxa": (i, [p, pp, p]),
    }
    for name, (restype, argtypes) in signatures.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes
    return lib


_lib = _load()


def _text(value):
    return value.decode("utf-8") if value is not None else None


def _bytes(value):
    return os.fsencode(value) if isinstance(value, os.PathLike) else str(value).encode("utf-8")


class _Messages:
    def __init__(self):
        self.handle = _lib.torven_messages_new()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        _lib.torven_messages_free(self.handle)

    def list(self):
        return _message_list(self.handle)


def _message_list(handle):
    return [(_text(_lib.torven_messages_text(handle, k)), _text(_lib.torven_messages_detail(handle, k)))
            for k in range(_lib.torven_messages_count(handle))]


def _check(status, messages):
    if status != _OK:
        raise TorvenError(status, messages.list())


def _number_text(value):
    # repr gives the shortest text that reads back as the same float.
    return repr(float(value)) if isinstance(value, float) else str(value)


class _Options:
    """The options of torven-cli assess and suggest, by their command-line names."""

    def __init__(self, **given):
        self.handle = _lib.torven_options_new()
        try:
            with _Messages() as messages:
                for name, value in given.items():
                    if value is None:
                        continue
                    if isinstance(value, os.PathLike):
                        encoded = os.fsencode(value)
                    elif isinstance(value, (int, float)) and not isinstance(value, bool):
                        encoded = _number_text(value).encode("ascii")
                    else:
                        encoded = str(value).encode("utf-8")
                    _check(_lib.torven_options_set(self.handle, name.encode("ascii"), encoded, messages.handle),
                           messages)
        except BaseException:
            _lib.torven_options_free(self.handle)
            raise

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        _lib.torven_options_free(self.handle)


def _frame(table):
    """A libtorven table as a DataFrame (and the table freed)."""
    if not table:
        return pd.DataFrame()
    try:
        rows = _lib.torven_table_rows(table)
        names, columns = [], []
        for c in range(_lib.torven_table_columns(table)):
            names.append(_text(_lib.torven_table_column_name(table, c)))
            kind = _lib.torven_table_column_type(table, c)
            if kind == _TEXT:
                values = [_text(_lib.torven_table_text(table, r, c)) for r in range(rows)]
                columns.append(pd.array(values, dtype="string"))
                continue
            pointer = _lib.torven_table_numbers(table, c)
            numbers = np.ctypeslib.as_array(pointer, shape=(rows,)).copy() if rows else np.empty(0)
            if kind == _DATE:
                columns.append(pd.to_datetime(numbers, unit="D"))
            elif kind == _LOGICAL:
                columns.append(numbers != 0)
            else:
                columns.append(numbers)
        # By position: two columns of a sheet may carry the same heading.
        frame = pd.DataFrame(dict(enumerate(columns)), index=pd.RangeIndex(rows))
        frame.columns = names
        return frame
    finally:
        _lib.torven_table_free(table)


class Assessment:
    """The results of one job, as :func:`assess` returns them.

    Attributes:
        samples: one row per sample, the "Sample Summary" sheet (sample-summary.csv).
        sites: a dict from index name ("TDI3", "TDI4", "LTDI1", "LTDI2", "DAM") to its site
            table (mean EQR, class and confidence of class per site; uncertainty-tdi3.csv).
        unscored_taxa: the taxa that lack scores, as the "Job Summary" sheet lists them
            (no columns when every taxon has its scores).
        quality: the "Sample quality" sheet (sample-quality.csv).
        sources: one row per workbook of the job, in job order, the "Sources" sheet
            (sources.csv): Workbook, SHA-256, Sheet, First row, First column, Samples, Taxa.
        summary: the job's summary text, as torven-cli prints it.
        provenance: the provenance lines: program, time, each workbook and its SHA-256, the
            reference database's identity.
        messages: the messages shown while the job ran, as (text, detail) pairs.
    """

    def __init__(self, handle):
        self._handle = handle
        self.summary = _text(_lib.torven_job_summary(handle))
        self.provenance = [_text(_lib.torven_job_provenance_line(handle, k))
                           for k in range(_lib.torven_job_provenance_count(handle))]
        self.messages = _message_list(_lib.torven_job_messages(handle))
        self.samples = _frame(_lib.torven_job_samples(handle))
        self.sites = {_text(_lib.torven_job_site_index(handle, k)): _frame(_lib.torven_job_sites(handle, k))
                      for k in range(_lib.torven_job_site_table_count(handle))}
        self.unscored_taxa = _frame(_lib.torven_job_unscored_taxa(handle))
        self.quality = _frame(_lib.torven_job_quality(handle))
        self.sources = _frame(_lib.torven_job_sources(handle))

    def __del__(self):
        handle, self._handle = getattr(self, "_handle", None), None
        if handle and _lib is not None:
            _lib.torven_job_free(handle)

    def save(self, path):
        """Writes the results workbook to path: .xls when its extension is exactly "xls",
        else .xlsx; written whole or not at all. Raises TorvenError when it cannot be."""
        with _Messages() as messages:
            _check(_lib.torven_job_save(self._handle, _bytes(path), messages.handle), messages)

    def write_csv(self, folder):
        """Writes the CSV files and job-summary.txt into folder, as torven-cli assess --csv."""
        with _Messages() as messages:
            _check(_lib.torven_job_write_csv(self._handle, _bytes(folder), messages.handle), messages)

    def __repr__(self):
        return "<torven.Assessment: %d samples, site tables %s>" % (len(self.samples), ", ".join(self.sites))


def assess(path=None, metric=None, sheet=None, first_row=None, first_col=None, alkalinity=None, calcium=None,
           doc=None, db=None, taxon_map=None, job=None):
    """Assesses the sample workbook at path (.xlsx or .xls) and returns an :class:`Assessment`.

    path may also be a list or tuple of workbooks: one job of them all, as ``torven-cli
    assess WORKBOOK WORKBOOK ...`` runs it. Each is imported with the options, and their
    samples are pooled in the order given: the taxa are the union by code (a taxon missing
    from a workbook counts 0 in its samples), and a sample name found in two workbooks is
    refused, naming both places. Instead of path, job names a job file, as ``torven-cli
    assess --job FILE``: a CSV file with the header line "workbook,sheet,first row,first
    column" and one line per workbook, its path relative to the job file's folder, an empty
    field taking the option's value. The ``sources`` of the result list the workbooks.

    The options are torven-cli assess's: metric "TDI" (rivers, the default), "LTDI" (lakes)
    or "DAM"; sheet by name (the first by default); first_row, the first data row (1-based;
    guessed as the worksheet dialog guesses it by default); first_col, a letter name or a
    1-based number (default "C"); the job's defaults for missing chemistry alkalinity (mg/L,
    default 100), calcium (default 100) and doc (mg/L, default 1), checked as the Default
    values dialog checks them; db, the reference database (by default the one the programs
    find); taxon_map, a taxon map file of confirmed matches.

    Raises TorvenError with the program's messages when a workbook cannot be read or
    analysed, the workbooks cannot be pooled, or an option is refused (status 2 also when
    no workbook is given, or both path and job are).

        >>> job = torven.assess(["spring.xlsx", "autumn.xlsx"])
        >>> job = torven.assess(job="period.csv", metric="LTDI")
        >>> job.sources[["Workbook", "Samples"]]
    """
    if path is not None and job is not None:
        raise TorvenError(_USAGE, [("give the workbooks or job, not both", "")])
    with _Options(metric=metric, sheet=sheet, **{"first-row": first_row, "first-col": first_col},
                  alkalinity=alkalinity, calcium=calcium, doc=doc, db=db, **{"taxon-map": taxon_map}) as options, \
            _Messages() as messages:
        made = ctypes.c_void_p()
        if job is not None:
            status = _lib.torven_assess_job_file(_bytes(job), options.handle, ctypes.byref(made), messages.handle)
        elif isinstance(path, (list, tuple)):
            paths = [_bytes(one) for one in path]
            array = (ctypes.c_char_p * max(len(paths), 1))(*paths)
            status = _lib.torven_assess_workbooks(array, len(paths), options.handle, ctypes.byref(made),
                                                  messages.handle)
        elif path is None:
            status = _lib.torven_assess_workbooks(None, 0, options.handle, ctypes.byref(made), messages.handle)
        else:
            status = _lib.torven_assess(_bytes(path), options.handle, ctypes.byref(made), messages.handle)
        _check(status, messages)
        return Assessment(made.value)


def suggest(path, metric=None, sheet=None, first_row=None, first_col=None, db=None, limit=None):
    """The rows of the master taxon list suggested for each taxon of the workbook that
    matches none (limit of 1 to 5 per taxon, default 3), best first, as torven-cli suggest
    lists them: columns code, name, rank, suggested code, suggested name, score, reason.
    A taxon without a suggestion has one row with the rest missing."""
    with _Options(metric=metric, sheet=sheet, **{"first-row": first_row, "first-col": first_col},
                  db=db, limit=limit) as options, _Messages() as messages:
        table = ctypes.c_void_p()
        _check(_lib.torven_suggest(_bytes(path), options.handle, ctypes.byref(table), messages.handle), messages)
        return _frame(table.value)


def taxa(db=None):
    """The master taxon list of the reference database (db, or the one the programs find),
    every column by its kind."""
    with _Options(db=db) as options, _Messages() as messages:
        table = ctypes.c_void_p()
        _check(_lib.torven_taxa(options.handle, ctypes.byref(table), messages.handle), messages)
        return _frame(table.value)


def version():
    """The version of the library and of the programs: "2.0.13.0"."""
    return _text(_lib.torven_version())

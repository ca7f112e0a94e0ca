/* libtorven: the TORVEN II assessment from other languages, through plain C.
 *
 * One job's road, as torven-cli assess runs it: the options (the command line's, by the
 * same names), one workbook or several (pooled) imported, analysed and its sites
 * summarised; then its results read as typed tables, its summary and provenance, and the
 * results workbook or the CSV files written. Also the suggestions for a workbook's unmatched taxa and the master taxon
 * list.
 *
 * Nothing crosses this boundary as an exception or an exit, and nothing is printed: every
 * call that can fail returns a status, and every message the desktop program would show
 * (its own text, and for a file that could not be read or written a detail line naming the
 * file and the reason) is kept in the torven_messages the caller passed.
 *
 * Every object is made by a torven_..._new or a call that returns it, and freed by its
 * torven_..._free (which takes NULL). Texts returned are UTF-8 and live as long as the
 * object they were read from. No object may be used from two threads at once.
 */
#ifndef TORVEN_H
#define TORVEN_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The statuses, the same numbers as torven-cli's exit statuses. */
enum torven_status {
    TORVEN_OK = 0,
    TORVEN_FAILED = 1,      /* the import or the analysis failed; its messages say why */
    TORVEN_USAGE = 2,       /* an option was refused, or an argument makes no sense */
    TORVEN_NOT_WRITTEN = 3  /* the results could not be written */
};

/* "2.0.13.0": the programs' version, which is also the library's. */
const char* torven_version(void);

/* ---- Messages: what the desktop program would have shown, in order. ---- */

typedef struct torven_messages torven_messages;

torven_messages* torven_messages_new(void);
void torven_messages_free(torven_messages* messages);
size_t torven_messages_count(const torven_messages* messages);
/* The message's text; NULL for an index past the end. */
const char* torven_messages_text(const torven_messages* messages, size_t index);
/* Its detail line ("samples.ods: it is an OpenDocument spreadsheet ..."), "" when none. */
const char* torven_messages_detail(const torven_messages* messages, size_t index);

/* ---- Options: those of torven-cli assess and suggest. ---- */

typedef struct torven_options torven_options;

torven_options* torven_options_new(void);
void torven_options_free(torven_options* options);
/* Sets one option by its command-line name without the dashes, from its text as it would be
 * typed there: "sheet", "first-row", "first-col" (a letter name or a number), "metric"
 * (TDI, LTDI or DAM), "alkalinity", "calcium", "doc", "db", "taxon-map", "limit" (1 to 5, for
 * suggestions). TORVEN_USAGE with the reason in messages for an unknown name or a value the
 * command line refuses; the chemistry defaults and the taxon map are checked when the job
 * runs, as the command line checks them before it reads the workbook. */
int torven_options_set(torven_options* options, const char* name, const char* value, torven_messages* messages);

/* ---- Tables: results as typed columns. ---- */

typedef struct torven_table torven_table;

enum torven_column_type {
    TORVEN_NUMBER = 0, /* torven_table_numbers; NaN where the value is missing */
    TORVEN_TEXT = 1,   /* torven_table_text; NULL where the cell is empty */
    TORVEN_DATE = 2,   /* torven_table_numbers: days since 1970-01-01; NaN where missing */
    TORVEN_LOGICAL = 3 /* torven_table_numbers: 1 or 0 */
};

void torven_table_free(torven_table* table);
/* "Sample Summary", "Uncertainty TDI3", "Sample quality", "Unscored taxa", "Suggestions",
 * the master list's table name. */
const char* torven_table_name(const torven_table* table);
size_t torven_table_rows(const torven_table* table);
size_t torven_table_columns(const torven_table* table);
const char* torven_table_column_name(const torven_table* table, size_t column);
int torven_table_column_type(const torven_table* table, size_t column);
/* The column's rows values of a TORVEN_NUMBER, TORVEN_DATE or TORVEN_LOGICAL column; NULL
 * for a text column or a column past the end. */
const double* torven_table_numbers(const torven_table* table, size_t column);
/* A cell of a TORVEN_TEXT column; NULL when it is empty or out of the table. */
const char* torven_table_text(const torven_table* table, size_t row, size_t column);

/* ---- The assessment of a job: one workbook, or several pooled. ---- */

typedef struct torven_job torven_job;

/* Opens the reference database (the option "db", else the one the programs find), imports
 * the workbook with the options (NULL: every default), analyses it and summarises its
 * sites. TORVEN_OK with *job set; else *job is NULL and messages say why. An analysis that
 * failed after a good import is TORVEN_FAILED too. */
int torven_assess(const char* workbook, const torven_options* options, torven_job** job, torven_messages* messages);
/* One job of several workbooks, as torven-cli assess WORKBOOK WORKBOOK ... runs it: each
 * imported with the options, side by side, and their samples pooled (taxa the union by
 * code; a sample name in two workbooks is refused, naming both). In a job of several each
 * message about one workbook names it, and the import stops at the first that fails. One
 * workbook is the job torven_assess runs. TORVEN_USAGE, "no workbook given", when
 * workbooks is NULL, count is 0 or one of them is NULL. */
int torven_assess_workbooks(const char* const* workbooks, size_t count, const torven_options* options,
                            torven_job** job, torven_messages* messages);
/* The job a job file names, as torven-cli assess --job FILE runs it: a CSV file with the
 * header line "workbook,sheet,first row,first column" and one line per workbook, its path
 * relative to the job file's folder, an empty field taking the option's value. A file that
 * cannot be read or a malformed line is TORVEN_USAGE, the message naming the file and line. */
int torven_assess_job_file(const char* job_file, const torven_options* options, torven_job** job,
                           torven_messages* messages);
void torven_job_free(torven_job* job);

/* The job summary text, lines ended by line feeds, as torven-cli prints it. */
const char* torven_job_summary(const torven_job* job);
/* The provenance lines (program, time, each workbook and its SHA-256, the reference database). */
size_t torven_job_provenance_count(const torven_job* job);
const char* torven_job_provenance_line(const torven_job* job, size_t index);
/* The messages shown while the job ran although it succeeded (none, usually). */
const torven_messages* torven_job_messages(const torven_job* job);

/* The index names of the site tables, in order: "TDI3", "TDI4"; "LTDI1", "LTDI2"; "DAM".
 * None when the confidence of class could not be worked out. */
size_t torven_job_site_table_count(const torven_job* job);
const char* torven_job_site_index(const torven_job* job, size_t index);

/* Tables of the job; each is the caller's, to be freed. Their columns are the CSV files'
 * (sample-summary.csv, uncertainty-tdi3.csv, sample-quality.csv), and each value formatted
 * as those files format it (numbers "%.17g", dates ISO 8601) is the file's field. */
torven_table* torven_job_samples(const torven_job* job);
/* Site table index (0-based, as torven_job_site_index); NULL past the end. */
torven_table* torven_job_sites(const torven_job* job, size_t index);
torven_table* torven_job_quality(const torven_job* job);
/* The taxa of the workbook that lack scores, as the "Job Summary" sheet lists them. */
torven_table* torven_job_unscored_taxa(const torven_job* job);

/* Where the samples came from, as the "Sources" sheet (and sources.csv) lists them: one row
 * per workbook of the job, in job order, with the columns Workbook, SHA-256, Sheet, First row,
 * First column (its letters), Samples and Taxa. */
torven_table* torven_job_sources(const torven_job* job);

/* Writes the results workbook (an extension of exactly "xls" gives .xls, else .xlsx) whole or
 * not at all. TORVEN_NOT_WRITTEN with the message and its detail, TORVEN_USAGE when path is
 * one of the job's sample workbooks, another file the job read (its reference database, job
 * file or taxon map, under any name: "my.mdb: it is the reference database this job reads") or no regular file. */
int torven_job_save(const torven_job* job, const char* path, torven_messages* messages);
/* Writes the CSV files and job-summary.txt into folder, as torven-cli assess --csv does;
 * TORVEN_USAGE, nothing written, when one of them would replace a file the job read. */
int torven_job_write_csv(const torven_job* job, const char* folder, torven_messages* messages);

/* ---- The taxa assistant and the master taxon list. ---- */

/* For each taxon of the workbook that matches no row of the master taxon list, the
 * suggested rows (option "limit", 3 by default), as torven-cli suggest lists them: columns
 * code, name, rank, suggested code, suggested name, score, reason; a taxon without any
 * suggestion has one row with the rest empty. */
int torven_suggest(const char* workbook, const torven_options* options, torven_table** table,
                   torven_messages* messages);

/* The master taxon list of the reference database (option "db", else the programs' own),
 * every column by its kind. */
int torven_taxa(const torven_options* options, torven_table** table, torven_messages* messages);

#ifdef __cplusplus
}
#endif

#endif

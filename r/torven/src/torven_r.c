/* The R interface to libtorven: .Call entry points in plain C. A failure comes back to R as
 * a list of the status and the messages, from which the R code raises its condition: no
 * R error is raised here while a libtorven object is held, so that nothing leaks. */

#include <math.h>
#include <string.h>

#include <R.h>
#include <Rinternals.h>
#include <R_ext/Rdynload.h>

#include <torven.h>

static SEXP text_or_na(const char* text)
{
    return text ? mkCharCE(text, CE_UTF8) : NA_STRING;
}

/* Sets the options from a named character vector (NA values skipped). */
static int set_options(torven_options* options, SEXP given, torven_messages* messages)
{
    SEXP names = getAttrib(given, R_NamesSymbol);
    for (R_xlen_t i = 0; i < XLENGTH(given); ++i) {
        if (STRING_ELT(given, i) == NA_STRING)
            continue;
        int status = torven_options_set(options, translateCharUTF8(STRING_ELT(names, i)),
                                        translateCharUTF8(STRING_ELT(given, i)), messages);
        if (status != TORVEN_OK)
            return status;
    }
    return TORVEN_OK;
}

static SEXP messages_list(const torven_messages* messages)
{
    size_t n = torven_messages_count(messages);
    SEXP texts = PROTECT(allocVector(STRSXP, (R_xlen_t)n));
    SEXP details = PROTECT(allocVector(STRSXP, (R_xlen_t)n));
    for (size_t i = 0; i < n; ++i) {
        SET_STRING_ELT(texts, (R_xlen_t)i, text_or_na(torven_messages_text(messages, i)));
        SET_STRING_ELT(details, (R_xlen_t)i, text_or_na(torven_messages_detail(messages, i)));
    }
    SEXP out = PROTECT(allocVector(VECSXP, 2));
    SET_VECTOR_ELT(out, 0, texts);
    SET_VECTOR_ELT(out, 1, details);
    SEXP names = PROTECT(allocVector(STRSXP, 2));
    SET_STRING_ELT(names, 0, mkChar("text"));
    SET_STRING_ELT(names, 1, mkChar("detail"));
    setAttrib(out, R_NamesSymbol, names);
    UNPROTECT(4);
    return out;
}

/* list(status = , messages = list(text, detail)): what the R side turns into a condition. */
static SEXP failure(int status, const torven_messages* messages)
{
    SEXP out = PROTECT(allocVector(VECSXP, 2));
    SET_VECTOR_ELT(out, 0, ScalarInteger(status));
    SET_VECTOR_ELT(out, 1, messages_list(messages));
    SEXP names = PROTECT(allocVector(STRSXP, 2));
    SET_STRING_ELT(names, 0, mkChar("status"));
    SET_STRING_ELT(names, 1, mkChar("messages"));
    setAttrib(out, R_NamesSymbol, names);
    setAttrib(out, R_ClassSymbol, mkString("torven_failure"));
    UNPROTECT(2);
    return out;
}

/* A table as a named list of columns with the attribute "types" (libtorven's column
 * types); the R side makes the data frame. The table is freed. */
static SEXP table_list(torven_table* table)
{
    size_t columns = torven_table_columns(table), rows = torven_table_rows(table);
    SEXP out = PROTECT(allocVector(VECSXP, (R_xlen_t)columns));
    SEXP names = PROTECT(allocVector(STRSXP, (R_xlen_t)columns));
    SEXP types = PROTECT(allocVector(INTSXP, (R_xlen_t)columns));
    for (size_t c = 0; c < columns; ++c) {
        int type = torven_table_column_type(table, c);
        SET_STRING_ELT(names, (R_xlen_t)c, text_or_na(torven_table_column_name(table, c)));
        INTEGER(types)[c] = type;
        SEXP column;
        if (type == TORVEN_TEXT) {
            column = PROTECT(allocVector(STRSXP, (R_xlen_t)rows));
            for (size_t r = 0; r < rows; ++r)
                SET_STRING_ELT(column, (R_xlen_t)r, text_or_na(torven_table_text(table, r, c)));
        } else {
            const double* numbers = torven_table_numbers(table, c);
            column = PROTECT(allocVector(REALSXP, (R_xlen_t)rows));
            /* NaN, libtorven's missing value, becomes R's NA. */
            for (size_t r = 0; r < rows; ++r)
                REAL(column)[r] = isnan(numbers[r]) ? NA_REAL : numbers[r];
        }
        SET_VECTOR_ELT(out, (R_xlen_t)c, column);
        UNPROTECT(1);
    }
    setAttrib(out, R_NamesSymbol, names);
    setAttrib(out, install("types"), types);
    torven_table_free(table);
    UNPROTECT(3);
    return out;
}

static void job_finalizer(SEXP handle)
{
    torven_job* job = R_ExternalPtrAddr(handle);
    if (job) {
        torven_job_free(job);
        R_ClearExternalPtr(handle);
    }
}

static torven_job* job_of(SEXP handle)
{
    if (TYPEOF(handle) != EXTPTRSXP || !R_ExternalPtrAddr(handle))
        error("not a TORVEN II assessment (or one from an earlier R session)");
    return R_ExternalPtrAddr(handle);
}

/* paths: the workbooks (a character vector, possibly empty); jobFile: a job file (one
 * string) or NULL, which takes the place of paths. */
static SEXP torven_r_assess(SEXP paths, SEXP jobFile, SEXP given)
{
    torven_messages* messages = torven_messages_new();
    torven_options* options = torven_options_new();
    torven_job* job = NULL;
    int status = set_options(options, given, messages);
    if (status == TORVEN_OK) {
        if (isString(jobFile) && XLENGTH(jobFile) == 1) {
            status = torven_assess_job_file(translateCharUTF8(STRING_ELT(jobFile, 0)), options, &job, messages);
        } else {
            R_xlen_t count = XLENGTH(paths);
            /* R_alloc'd: freed by R when the call returns, also after an error. */
            const char** workbooks = (const char**)R_alloc((size_t)(count > 0 ? count : 1), sizeof(const char*));
            for (R_xlen_t i = 0; i < count; ++i)
                workbooks[i] = translateCharUTF8(STRING_ELT(paths, i));
            status = torven_assess_workbooks(workbooks, (size_t)count, options, &job, messages);
        }
    }
    torven_options_free(options);
    if (status != TORVEN_OK) {
        SEXP out = PROTECT(failure(status, messages));
        torven_messages_free(messages);
        UNPROTECT(1);
        return out;
    }
    torven_messages_free(messages);

    SEXP handle = PROTECT(R_MakeExternalPtr(job, R_NilValue, R_NilValue));
    R_RegisterCFinalizerEx(handle, job_finalizer, TRUE);
    size_t siteCount = torven_job_site_table_count(job);
    SEXP sites = PROTECT(allocVector(VECSXP, (R_xlen_t)siteCount));
    SEXP siteNames = PROTECT(allocVector(STRSXP, (R_xlen_t)siteCount));
    for (size_t i = 0; i < siteCount; ++i) {
        SET_VECTOR_ELT(sites, (R_xlen_t)i, table_list(torven_job_sites(job, i)));
        SET_STRING_ELT(siteNames, (R_xlen_t)i, text_or_na(torven_job_site_index(job, i)));
    }
    setAttrib(sites, R_NamesSymbol, siteNames);
    size_t lines = torven_job_provenance_count(job);
    SEXP provenance = PROTECT(allocVector(STRSXP, (R_xlen_t)lines));
    for (size_t i = 0; i < lines; ++i)
        SET_STRING_ELT(provenance, (R_xlen_t)i, text_or_na(torven_job_provenance_line(job, i)));

    const char* fields[] = {"samples", "sites", "unscored_taxa", "quality", "summary", "provenance", "messages",
                            "handle", "sources"};
    SEXP out = PROTECT(allocVector(VECSXP, 9));
    SET_VECTOR_ELT(out, 0, table_list(torven_job_samples(job)));
    SET_VECTOR_ELT(out, 1, sites);
    SET_VECTOR_ELT(out, 2, table_list(torven_job_unscored_taxa(job)));
    SET_VECTOR_ELT(out, 3, table_list(torven_job_quality(job)));
    SET_VECTOR_ELT(out, 4, ScalarString(text_or_na(torven_job_summary(job))));
    SET_VECTOR_ELT(out, 5, provenance);
    SET_VECTOR_ELT(out, 6, messages_list(torven_job_messages(job)));
    SET_VECTOR_ELT(out, 7, handle);
    SET_VECTOR_ELT(out, 8, table_list(torven_job_sources(job)));
    SEXP names = PROTECT(allocVector(STRSXP, 9));
    for (int i = 0; i < 9; ++i)
        SET_STRING_ELT(names, i, mkChar(fields[i]));
    setAttrib(out, R_NamesSymbol, names);
    UNPROTECT(6);
    return out;
}

/* what: 0 the results workbook, 1 the CSV files. NULL when written, else the failure. */
static SEXP torven_r_write(SEXP handle, SEXP path, SEXP what)
{
    torven_job* job = job_of(handle);
    torven_messages* messages = torven_messages_new();
    const char* target = translateCharUTF8(STRING_ELT(path, 0));
    int status = asInteger(what) == 0 ? torven_job_save(job, target, messages)
                                      : torven_job_write_csv(job, target, messages);
    SEXP out = status == TORVEN_OK ? R_NilValue : failure(status, messages);
    torven_messages_free(messages);
    return out;
}

static SEXP torven_r_suggest(SEXP path, SEXP given)
{
    torven_messages* messages = torven_messages_new();
    torven_options* options = torven_options_new();
    torven_table* table = NULL;
    int status = set_options(options, given, messages);
    if (status == TORVEN_OK)
        status = torven_suggest(translateCharUTF8(STRING_ELT(path, 0)), options, &table, messages);
    torven_options_free(options);
    SEXP out = status == TORVEN_OK ? table_list(table) : failure(status, messages);
    torven_messages_free(messages);
    return out;
}

static SEXP torven_r_taxa(SEXP given)
{
    torven_messages* messages = torven_messages_new();
    torven_options* options = torven_options_new();
    torven_table* table = NULL;
    int status = set_options(options, given, messages);
    if (status == TORVEN_OK)
        status = torven_taxa(options, &table, messages);
    torven_options_free(options);
    SEXP out = status == TORVEN_OK ? table_list(table) : failure(status, messages);
    torven_messages_free(messages);
    return out;
}

static SEXP torven_r_version(void)
{
    return mkString(torven_version());
}

static const R_CallMethodDef callMethods[] = {
    {"torven_r_assess", (DL_FUNC)&torven_r_assess, 3},
    {"torven_r_write", (DL_FUNC)&torven_r_write, 3},
    {"torven_r_suggest", (DL_FUNC)&torven_r_suggest, 2},
    {"torven_r_taxa", (DL_FUNC)&torven_r_taxa, 1},
    {"torven_r_version", (DL_FUNC)&torven_r_version, 0},
    {NULL, NULL, 0}};

void R_init_torven(DllInfo* info)
{
    R_registerRoutines(info, NULL, callMethods, NULL, NULL);
    R_useDynamicSymbols(info, FALSE);
}

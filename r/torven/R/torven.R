# The R side of the package: options as the command line's texts, tables as data frames,
# failures as conditions of class "torven_error".

# libtorven's column types.
.number <- 0L
.text <- 1L
.date <- 2L
.logical <- 3L

.option_text <- function(value) {
  if (is.null(value)) return(NA_character_)
  if (is.numeric(value)) return(format(value, digits = 17, scientific = FALSE, trim = TRUE))
  as.character(value)[1]
}

.options <- function(...) {
  given <- list(...)
  values <- vapply(given, .option_text, character(1))
  names(values) <- names(given)
  values
}

.raise <- function(failure, call) {
  texts <- failure$messages$text
  details <- failure$messages$detail
  lines <- character(0)
  for (i in seq_along(texts)) {
    lines <- c(lines, texts[i])
    if (!is.na(details[i]) && nzchar(details[i])) lines <- c(lines, details[i])
  }
  message <- if (length(lines)) paste(lines, collapse = "\n") else "the job failed"
  condition <- structure(
    class = c("torven_error", "error", "condition"),
    list(message = message, call = call, status = failure$status,
         messages = data.frame(text = texts, detail = details, stringsAsFactors = FALSE)))
  stop(condition)
}

.path <- function(path) {
  if (!is.character(path) || length(path) != 1 || is.na(path))
    stop("a file name is needed: one character string", call. = FALSE)
  path.expand(path)
}

.result <- function(value, call) {
  if (inherits(value, "torven_failure")) .raise(value, call)
  value
}

.frame <- function(columns) {
  types <- attr(columns, "types")
  attr(columns, "types") <- NULL
  for (i in seq_along(columns)) {
    if (types[i] == .date) {
      columns[[i]] <- as.Date(columns[[i]], origin = "1970-01-01")
    } else if (types[i] == .logical) {
      columns[[i]] <- columns[[i]] != 0
    }
  }
  if (!length(columns)) return(data.frame())
  as.data.frame(columns, stringsAsFactors = FALSE, check.names = FALSE, optional = TRUE)
}

# The workbooks of a job: a character vector, none missing (empty when none are given).
.paths <- function(paths) {
  if (is.null(paths)) return(character(0))
  if (!is.character(paths) || anyNA(paths))
    stop("the workbooks are needed as a character vector of file names", call. = FALSE)
  path.expand(paths)
}

assess <- function(path = NULL, metric = NULL, sheet = NULL, first_row = NULL, first_col = NULL,
                   alkalinity = NULL, calcium = NULL, doc = NULL, db = NULL, taxon_map = NULL, job = NULL) {
  if (!is.null(path) && !is.null(job))
    .raise(list(status = 2L, messages = list(text = "give the workbooks or job, not both", detail = "")),
           sys.call())
  options <- .options(metric = metric, sheet = sheet, "first-row" = first_row, "first-col" = first_col,
                      alkalinity = alkalinity, calcium = calcium, doc = doc,
                      db = if (is.null(db)) NULL else .path(db),
                      "taxon-map" = if (is.null(taxon_map)) NULL else .path(taxon_map))
  job_file <- if (is.null(job)) NULL else .path(job)
  job <- .result(.Call(torven_r_assess, .paths(path), job_file, options), sys.call())
  structure(list(samples = .frame(job$samples),
                 sites = lapply(job$sites, .frame),
                 unscored_taxa = .frame(job$unscored_taxa),
                 quality = .frame(job$quality),
                 sources = .frame(job$sources),
                 summary = job$summary,
                 provenance = job$provenance,
                 messages = data.frame(text = job$messages$text, detail = job$messages$detail,
                                       stringsAsFactors = FALSE),
                 handle = job$handle),
            class = "torven_assessment")
}

save_results <- function(job, path) {
  stopifnot(inherits(job, "torven_assessment"))
  .result(.Call(torven_r_write, job$handle, .path(path), 0L), sys.call())
  invisible(path)
}

write_csv_results <- function(job, folder) {
  stopifnot(inherits(job, "torven_assessment"))
  .result(.Call(torven_r_write, job$handle, .path(folder), 1L), sys.call())
  invisible(folder)
}

suggest <- function(path, metric = NULL, sheet = NULL, first_row = NULL, first_col = NULL, db = NULL,
                    limit = NULL) {
  options <- .options(metric = metric, sheet = sheet, "first-row" = first_row, "first-col" = first_col,
                      db = if (is.null(db)) NULL else .path(db), limit = limit)
  .frame(.result(.Call(torven_r_suggest, .path(path), options), sys.call()))
}

taxa <- function(db = NULL) {
  options <- .options(db = if (is.null(db)) NULL else .path(db))
  .frame(.result(.Call(torven_r_taxa, options), sys.call()))
}

torven_version <- function() .Call(torven_r_version)

print.torven_assessment <- function(x, ...) {
  cat("TORVEN II assessment: ", nrow(x$samples), " samples; site tables: ",
      paste(names(x$sites), collapse = ", "), "\n", sep = "")
  cat(x$summary)
  invisible(x)
}

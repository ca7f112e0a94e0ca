# Where the program, its database and the bundled examples are: set by the build's tests.
# Without them (a check outside the build tree) the tests that need them are skipped.
torven_test_paths <- function() {
  paths <- Sys.getenv(c("TORVEN_CLI", "TORVEN_DB", "TORVEN_EXAMPLES"), unset = NA)
  if (anyNA(paths)) skip("TORVEN_CLI, TORVEN_DB and TORVEN_EXAMPLES are not set")
  as.list(stats::setNames(paths, c("cli", "db", "examples")))
}

# A value written as the CSV export writes it.
csv_field <- function(x) {
  if (inherits(x, "Date")) return(ifelse(is.na(x), "", format(x, "%Y-%m-%d")))
  if (is.numeric(x)) return(ifelse(is.na(x), "", sprintf("%.17g", x)))
  ifelse(is.na(x), "", as.character(x))
}

expect_frame_is_csv <- function(frame, path) {
  csv <- utils::read.csv(path, colClasses = "character", check.names = FALSE, na.strings = character(0),
                         encoding = "UTF-8")
  expect_identical(names(frame), names(csv), label = path)
  expect_identical(nrow(frame), nrow(csv), label = path)
  for (column in names(csv))
    expect_identical(csv_field(frame[[column]]), csv[[column]], label = paste(path, column))
}

# The sample workbook source cut by its sample columns into one workbook per element of
# parts, written into folder as part-1.xlsx, part-2.xlsx, ...: each keeps the taxon columns
# A and B and the sample columns parts[[k]] (1-based among the samples), every row in
# place; date cells stay date cells. Their paths.
split_columns <- function(source, folder, parts) {
  skip_if_not_installed("readxl")
  skip_if_not_installed("openxlsx")
  cells <- readxl::read_excel(source, col_names = FALSE, col_types = "list", .name_repair = "minimal")
  paths <- character(0)
  for (k in seq_along(parts)) {
    book <- openxlsx::createWorkbook()
    openxlsx::addWorksheet(book, "Samples")
    columns <- c(1, 2, 2 + parts[[k]])
    for (target in seq_along(columns)) {
      for (row in seq_len(nrow(cells))) {
        value <- cells[[columns[target]]][[row]]
        if (is.null(value) || (length(value) == 1 && is.na(value))) next
        if (inherits(value, "POSIXct")) value <- as.Date(value)
        openxlsx::writeData(book, "Samples", value, startCol = target, startRow = row, colNames = FALSE)
      }
    }
    path <- file.path(folder, sprintf("part-%d.xlsx", k))
    openxlsx::saveWorkbook(book, path, overwrite = TRUE)
    paths <- c(paths, path)
  }
  paths
}

# Every value of two data frames, as the CSV export writes it, the same.
expect_same_frame <- function(actual, expected) {
  expect_identical(names(actual), names(expected))
  expect_identical(nrow(actual), nrow(expected))
  for (column in names(expected))
    expect_identical(csv_field(actual[[column]]), csv_field(expected[[column]]), label = column)
}

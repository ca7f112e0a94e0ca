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

test_that("several workbooks give the whole workbook's samples, and their sources", {
  paths <- torven_test_paths()
  river <- file.path(paths$examples, "river.xlsx")
  whole <- assess(river, db = paths$db)
  count <- nrow(whole$samples)
  folder <- tempfile("parts")
  dir.create(folder)
  on.exit(unlink(folder, recursive = TRUE))
  first <- seq(1, count, by = 2)
  second <- seq(2, count, by = 2)
  parts <- split_columns(river, folder, list(first, second))

  job <- assess(parts, db = paths$db)
  # In job order: the first workbook's samples, then the second's.
  expected <- whole$samples[c(first, second), , drop = FALSE]
  rownames(expected) <- NULL
  expect_same_frame(job$samples, expected)
  for (index in names(whole$sites))
    expect_same_frame(job$sites[[index]], whole$sites[[index]])

  expect_identical(names(job$sources),
                   c("Workbook", "SHA-256", "Sheet", "First row", "First column", "Samples", "Taxa"))
  expect_identical(job$sources$Workbook, c("part-1.xlsx", "part-2.xlsx"))
  expect_identical(job$sources$Samples, c(length(first), length(second)) + 0)
  expect_identical(whole$sources$Workbook, "river.xlsx")
})

test_that("a job file names its workbooks relative to itself", {
  paths <- torven_test_paths()
  river <- file.path(paths$examples, "river.xlsx")
  whole <- assess(river, db = paths$db)
  count <- nrow(whole$samples)
  folder <- tempfile("job")
  dir.create(file.path(folder, "books"), recursive = TRUE)
  dir.create(file.path(folder, "jobs"))
  on.exit(unlink(folder, recursive = TRUE))
  half <- count %/% 2
  split_columns(river, file.path(folder, "books"), list(seq_len(half), seq(half + 1, count)))
  job_file <- file.path(folder, "jobs", "period.csv")
  writeLines(c("workbook,sheet,first row,first column", "../books/part-1.xlsx,Samples,,",
               "../books/part-2.xlsx,,,C"), job_file)
  job <- assess(job = job_file, db = paths$db)
  expect_same_frame(job$samples, whole$samples)
  expect_identical(job$sources$Workbook, c("part-1.xlsx", "part-2.xlsx"))
})

test_that("a sample in two workbooks, no workbook or both path and job are refused", {
  paths <- torven_test_paths()
  river <- file.path(paths$examples, "river.xlsx")
  folder <- tempfile("twice")
  dir.create(folder)
  on.exit(unlink(folder, recursive = TRUE))
  again <- file.path(folder, "again.xlsx")
  file.copy(river, again)
  bad_job <- file.path(folder, "job.csv")
  writeLines(c("workbook,sheet", "river.xlsx,Samples"), bad_job)

  output <- capture.output(type = "output", {
    twice <- tryCatch(assess(c(river, again), db = paths$db), torven_error = function(e) e)
    none <- tryCatch(assess(character(0), db = paths$db), torven_error = function(e) e)
    neither <- tryCatch(assess(db = paths$db), torven_error = function(e) e)
    both <- tryCatch(assess(river, job = again, db = paths$db), torven_error = function(e) e)
    malformed <- tryCatch(assess(job = bad_job, db = paths$db), torven_error = function(e) e)
  })
  expect_identical(output, character(0))
  expect_s3_class(twice, "torven_error")
  expect_identical(twice$status, 1L)
  expect_match(conditionMessage(twice),
               paste("occurs twice in the job: in river.xlsx (sheet \"River samples\", column C)",
                     "and in again.xlsx (sheet \"River samples\", column C). Nothing was added."),
               fixed = TRUE)
  expect_identical(none$status, 2L)
  expect_identical(conditionMessage(none), "no workbook given")
  expect_identical(neither$status, 2L)
  expect_identical(both$status, 2L)
  expect_identical(malformed$status, 2L)
  expect_match(conditionMessage(malformed), "the first line must be", fixed = TRUE)
})

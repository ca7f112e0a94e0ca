test_that("results are typed data frames", {
  paths <- torven_test_paths()
  job <- assess(file.path(paths$examples, "river.xlsx"), db = paths$db)
  expect_s3_class(job, "torven_assessment")
  expect_s3_class(job$samples, "data.frame")
  expect_s3_class(job$samples$`Sampling date`, "Date")
  expect_type(job$samples$TDI3, "double")
  expect_type(job$samples$Sample, "character")
  expect_identical(names(job$sites), c("TDI3", "TDI4"))
  expect_match(job$provenance[1], "^Program: TORVEN II")
  expect_identical(nrow(job$messages), 0L)
})

test_that("the results workbook is written, never over the samples", {
  paths <- torven_test_paths()
  workbook <- file.path(paths$examples, "lake.xls")
  job <- assess(workbook, metric = "LTDI", db = paths$db)
  target <- tempfile(fileext = ".xlsx")
  on.exit(unlink(target))
  save_results(job, target)
  expect_gt(file.size(target), 1000)
  before <- readBin(workbook, "raw", file.size(workbook))
  err <- expect_error(save_results(job, workbook), class = "torven_error")
  expect_match(conditionMessage(err),
               "The results cannot be saved over the sample workbook they were read from. Choose another file.",
               fixed = TRUE)
  expect_identical(readBin(workbook, "raw", file.size(workbook)), before)
})

test_that("failures are conditions with the program's messages, nothing printed", {
  paths <- torven_test_paths()
  river <- file.path(paths$examples, "river.xlsx")
  bad <- tempfile(fileext = ".xlsx")
  writeLines("this is no workbook", bad)
  bad_map <- tempfile(fileext = ".csv")
  writeLines(c("not,the,header", "A,B"), bad_map)
  on.exit(unlink(c(bad, bad_map)))

  output <- capture.output(type = "output", {
    unread <- tryCatch(assess(bad, db = paths$db), torven_error = function(e) e)
    no_database <- tryCatch(assess(river, db = tempfile(fileext = ".mdb")), torven_error = function(e) e)
    refused_map <- tryCatch(assess(river, db = paths$db, taxon_map = bad_map), torven_error = function(e) e)
    refused_default <- tryCatch(assess(river, db = paths$db, alkalinity = -5), torven_error = function(e) e)
  })
  expect_identical(output, character(0))
  expect_identical(unread$messages$text[1], "Error reading file")
  expect_true(startsWith(unread$messages$detail[1], paste0(bad, ": ")))
  expect_identical(unread$status, 1L)
  expect_match(no_database$messages$text[1], "Could not find file", fixed = TRUE)
  expect_identical(no_database$messages$text[-1], c("Error opening database", "Error retrieving taxon list"))
  expect_match(conditionMessage(refused_map), "^the taxon map is not used: ")
  expect_match(conditionMessage(refused_default), "^Please enter a number between")
  expect_identical(refused_default$status, 2L)
  expect_gt(nrow(assess(river, db = paths$db)$samples), 0)
})

test_that("suggestions and the master list", {
  paths <- torven_test_paths()
  expect_gt(nrow(taxa(db = paths$db)), 100)
  suggestions <- suggest(file.path(paths$examples, "lake.xlsx"), metric = "LTDI", db = paths$db, limit = 1)
  expect_identical(names(suggestions),
                   c("code", "name", "rank", "suggested code", "suggested name", "score", "reason"))
  expect_match(torven_version(), "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
})

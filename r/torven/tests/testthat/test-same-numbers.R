jobs <- list(c("river.xlsx", "TDI"), c("river.xls", "TDI"), c("lake.xlsx", "LTDI"), c("lake.xls", "LTDI"),
             c("dam.xlsx", "DAM"), c("dam.xls", "DAM"))

for (job_of in jobs) {
  test_that(paste("every value of", job_of[1], "is the CSV files'"), {
    paths <- torven_test_paths()
    workbook <- file.path(paths$examples, job_of[1])
    folder <- tempfile("csv")
    on.exit(unlink(folder, recursive = TRUE))
    status <- system2(paths$cli, c("assess", shQuote(workbook), "--metric", job_of[2], "--db", shQuote(paths$db),
                                   "--csv", shQuote(folder), "--quiet"))
    expect_equal(status, 0)
    job <- assess(workbook, metric = job_of[2], db = paths$db)
    expect_frame_is_csv(job$samples, file.path(folder, "sample-summary.csv"))
    expect_frame_is_csv(job$quality, file.path(folder, "sample-quality.csv"))
    expect_true(length(job$sites) > 0)
    for (index in names(job$sites))
      expect_frame_is_csv(job$sites[[index]], file.path(folder, paste0("uncertainty-", tolower(index), ".csv")))
    text <- readLines(file.path(folder, "job-summary.txt"), encoding = "UTF-8")
    summary <- strsplit(job$summary, "\n", fixed = TRUE)[[1]]
    expect_identical(text[seq_along(summary)], summary)
    for (line in job$provenance[!startsWith(job$provenance, "Analysed:")])
      expect_true(line %in% text, label = line)
  })
}

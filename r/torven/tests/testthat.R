library(testthat)
library(torven)

test_check("torven")

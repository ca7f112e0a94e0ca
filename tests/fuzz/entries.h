#pragma once

// The readers of untrusted files, each fed with one input held in memory. The fuzz targets
// call these from LLVMFuzzerTestOneInput; the corpus replay test calls them with every
// stored input, so that a crash once found stays fixed.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fuzz {

// An .xlsx package: zip container, relationships, workbook, shared strings, sheets.
void readXlsx(const std::uint8_t* data, std::size_t size);
// An .xls file: compound file, then the BIFF records of its workbook stream.
void readXls(const std::uint8_t* data, std::size_t size);
// An Access database through libmdb and our own row and long-value reading: every table.
void readAccess(const std::uint8_t* data, std::size_t size);
// A table file of torven-mkrefdb (CSV with a Name:type header).
void readCsvTable(const std::uint8_t* data, std::size_t size);

// A taxon map file, then each of its names against a small list of taxa, and the map
// written out again, which must read back the same.
void readTaxonMap(const std::uint8_t* data, std::size_t size);

// An .xlsx file imported for a preset choice (its counts streamed into the count matrix)
// and imported from the loaded book with the same choice: the samples and the messages
// must be the same, else it aborts.
void importPreset(const std::uint8_t* data, std::size_t size);

// A job file: the workbooks it names, each with a path and a worksheet choice in range, or
// a refusal; else it aborts.
void readJobFile(const std::uint8_t* data, std::size_t size);

// The entry for a corpus folder name ("xlsx", "xls", "access", "csv", "taxonmap", "preset",
// "jobfile"), or nullptr.
using Entry = void (*)(const std::uint8_t*, std::size_t);
Entry entryNamed(std::string_view target);

}  // namespace fuzz

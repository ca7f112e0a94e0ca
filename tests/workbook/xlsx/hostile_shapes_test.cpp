// Large shapes that fuzzing never reaches (its inputs stay a few kilobytes): workbooks of
// a few hundred kilobytes whose parts inflate to hundreds of megabytes of one pattern.
// Each is read in a child process limited to 512 MiB and 10 s of CPU, and is either read
// whole or refused with a reason that names the limit it met.
//
// The sizes here keep the suite quick; TORVEN_HOSTILE_FULL=1 makes the four shapes of
// the report that led to these tests at their reported sizes and prints what each cost:
//   TORVEN_HOSTILE_FULL=1 build/bin/xlsx_tests --gtest_filter='HostileShapes.*'
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/memory_limit.h"
#include "tests/support/temp_dir.h"
#include "tests/workbook/xlsx/shapes.h"
#include "workbook/book.h"
#include "workbook/sheet_stream.h"

using testing_support::TempDir;
namespace shapes = xlsx_shapes;

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr std::size_t kMemoryLimit = 512 * kMiB;
constexpr unsigned kCpuSeconds = 10;

bool fullSize()
{
    const char* full = std::getenv("TORVEN_HOSTILE_FULL");
    return full && *full && std::string(full) != "0";
}

// Quick sizes, smaller again under the sanitizers (which run every cell ten times slower).
std::size_t sized(std::size_t quick, std::size_t sanitized, std::size_t full)
{
    if (fullSize())
        return full;
    return testing_support::SanitizedBuild() ? sanitized : quick;
}

struct Outcome {
    bool finished = false;  // not killed for time or memory
    bool loaded = false;
    std::string error;      // the refusal, or why the child did not finish
    std::string detail;     // what the child's check says of a loaded book
    double cpuSeconds = 0;
    double peakMiB = 0;
};

// Counts the cells of a streamed sheet and keeps the number in A1.
class CountingVisitor : public wb::CellVisitor {
public:
    std::size_t cells = 0;
    double a1 = 0.0;
    bool cell(const wb::StreamedCell& cell) override
    {
        ++cells;
        if (cell.row == 0 && cell.col == 0 && cell.type == wb::CellType::Number)
            a1 = cell.number;
        return true;
    }
    void restart() override
    {
        cells = 0;
        a1 = 0.0;
    }
};

// What a streamed read of every sheet found: "L" and the first sheet's cells and A1, or
// "R" and the refusal.
std::string streamReport(const std::string& path)
{
    wb::WorkbookStream stream(wb::Book::FileFormat::Xlsx);
    if (!stream.open(path))
        return "R" + stream.errorMessage();
    std::string summary = "L";
    for (int i = 0; i < stream.sheetCount(); ++i) {
        CountingVisitor visitor;
        if (stream.readSheet(i, visitor) != wb::StreamEnd::Done)
            return "R" + stream.errorMessage();
        if (i == 0)
            summary += std::to_string(visitor.cells) + " " + std::to_string(visitor.a1);
    }
    return summary;
}

// Loads the file in a child process under the limits, measuring its CPU time and peak
// memory; `check` sees a loaded book and says what it found ("" when right). With
// `streamed`, the child streams every sheet instead (see streamReport).
Outcome readInChild(const std::string& path, const std::function<std::string(const wb::Book&)>& check = nullptr,
                    bool streamed = false)
{
    Outcome outcome;
    int channel[2];
    if (::pipe(channel) != 0) {
        outcome.error = "no pipe";
        return outcome;
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (!testing_support::SanitizedBuild()) {
            rlimit memory{kMemoryLimit, kMemoryLimit};
            ::setrlimit(RLIMIT_AS, &memory);
            rlimit cpu{kCpuSeconds, kCpuSeconds + 1};
            ::setrlimit(RLIMIT_CPU, &cpu);
        }
        std::string report;
        try {
            if (streamed) {
                report = streamReport(path);
            } else {
                auto book = wb::xlCreateXMLBook();
                const bool loaded = book->load(path);
                report = loaded ? "L" + (check ? check(*book) : std::string()) : "R" + book->errorMessage();
            }
        } catch (const std::bad_alloc&) {
            report = "Xout of memory";
        }
        const char* p = report.data();
        std::size_t left = report.size();
        while (left > 0) {
            const ssize_t n = ::write(channel[1], p, left);
            if (n <= 0)
                break;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string report;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(channel[0], buffer, sizeof buffer)) > 0)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(channel[0]);
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child) {
        outcome.error = "no child process";
        return outcome;
    }
    outcome.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    outcome.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    if (WIFSIGNALED(status)) {
        outcome.error = WTERMSIG(status) == SIGXCPU ? "out of CPU time" : "killed by signal " + std::to_string(WTERMSIG(status));
        return outcome;
    }
    if (report.empty() || report[0] == 'X') {
        outcome.error = report.empty() ? "no report" : report.substr(1);
        return outcome;
    }
    outcome.finished = true;
    outcome.loaded = report[0] == 'L';
    (outcome.loaded ? outcome.detail : outcome.error) = report.substr(1);
    return outcome;
}

// Writes the shape, reads it under the limits and says what it cost.
Outcome readShape(const TempDir& dir, const std::string& name, const shapes::Shape& shape,
                  const std::function<std::string(const wb::Book&)>& check = nullptr)
{
    const std::string path = dir.file(name + ".xlsx");
    const std::size_t bytes = shapes::writeShape(path, shape);
    Outcome outcome = readInChild(path, check);
    std::printf("%-28s %8.1f KB  %s  %6.2f s CPU  %7.1f MiB peak\n", name.c_str(), static_cast<double>(bytes) / 1024.0,
                outcome.loaded ? "read   " : "refused", outcome.cpuSeconds, outcome.peakMiB);
    if (!outcome.loaded && !outcome.error.empty())
        std::printf("%28s %s\n", "", outcome.error.c_str());
    std::fflush(stdout);
    return outcome;
}

// A refusal that names the limit met: "... (1 MiB)", "(16384)" and so on.
testing::AssertionResult refusedNaming(const Outcome& outcome, const std::string& limit)
{
    if (!outcome.finished)
        return testing::AssertionFailure() << "did not finish: " << outcome.error;
    if (outcome.loaded)
        return testing::AssertionFailure() << "was read";
    if (outcome.error.find(limit) == std::string::npos)
        return testing::AssertionFailure() << "refused without naming " << limit << ": " << outcome.error;
    return testing::AssertionSuccess();
}

// Read whole, the check content with what it found.
testing::AssertionResult readWhole(const Outcome& outcome)
{
    if (!outcome.finished)
        return testing::AssertionFailure() << "did not finish: " << outcome.error;
    if (!outcome.loaded)
        return testing::AssertionFailure() << "refused: " << outcome.error;
    if (!outcome.detail.empty())
        return testing::AssertionFailure() << outcome.detail;
    return testing::AssertionSuccess();
}

// Read whole, or refused for its size (and saying which limit): both are answers.
testing::AssertionResult answered(const Outcome& outcome)
{
    if (!outcome.finished)
        return testing::AssertionFailure() << "did not finish: " << outcome.error;
    if (outcome.loaded)
        return readWhole(outcome);
    if (outcome.error.find("MiB") == std::string::npos && outcome.error.find("reader accepts") == std::string::npos)
        return testing::AssertionFailure() << "refused without naming the limit: " << outcome.error;
    return testing::AssertionSuccess();
}

// A check of a loaded book: its first sheet holds `cells` cells and A1 is `a1`.
std::function<std::string(const wb::Book&)> holds(std::size_t cells, double a1)
{
    return [cells, a1](const wb::Book& book) -> std::string {
        const wb::Sheet* sheet = book.getSheet(0);
        if (!sheet)
            return "no sheet";
        if (sheet->data().cellCount() != cells)
            return "holds " + std::to_string(sheet->data().cellCount()) + " cells, not " + std::to_string(cells);
        if (sheet->readNum(0, 0) != a1)
            return "A1 is " + std::to_string(sheet->readNum(0, 0));
        return "";
    };
}

}  // namespace

TEST(HostileShapes, OneStartTagOfManyAttributesIsReadOnce)
{
    // Each attribute was compared with all before it, and a tag cut at a chunk's end was
    // scanned again from its start: 200,000 attributes took 290 s.
    TempDir dir;
    const std::size_t attributes = 200000;
    EXPECT_TRUE(readWhole(readShape(dir, "many-attributes", shapes::manyAttributes(attributes), holds(1, 7))));
    // The same tag with its first attribute given again at the end is still refused.
    EXPECT_TRUE(refusedNaming(readShape(dir, "duplicate-attribute", shapes::manyAttributes(attributes, true)),
                              "duplicate attribute"));
    // A tag longer than the reader holds is refused naming the limit.
    EXPECT_TRUE(refusedNaming(readShape(dir, "long-tag", shapes::manyAttributes(500000)), "(4 MiB)"));
}

TEST(HostileShapes, ARowWrittenAgainAndAgainIsRefusedAtItsFirstRepeat)
{
    // <row r="1"> with 16,000 cells again and again: each repeat's cells were held aside
    // until the end (a 2 MB file peaked at 6.5 GB). Its cells are given twice, which the
    // reader refuses as damage when the repeat is merged with the row.
    TempDir dir;
    const std::size_t repeats = sized(200, 20, 4400);
    EXPECT_TRUE(refusedNaming(readShape(dir, "repeated-row", shapes::repeatedRow(16000, repeats)), "cell A1 is given twice"));
    // The same cells in fresh rows, for comparison: these are many cells indeed.
    EXPECT_TRUE(answered(readShape(dir, "fresh-rows", shapes::freshRows(16000, repeats))));
    // A full row, then its first cell alone again and again: merging each into the row
    // would cost the whole row each time; they are kept aside and refused when merged.
    const std::size_t again = sized(200000, 50000, 5000000);
    EXPECT_TRUE(refusedNaming(readShape(dir, "row-then-one-cell", shapes::rowThenRepeats(16384, again)),
                              "cell A1 is given twice"));
    // Cells of two rows interleaved, each cell once: merged, and read whole.
    EXPECT_TRUE(readWhole(readShape(dir, "interleaved-rows", shapes::interleavedRows(16384), holds(2 * 16384, 1))));
}

TEST(HostileShapes, ManySheetsOverALargeTableIndexItOnce)
{
    // 16 M empty shared strings and one-cell sheets: each sheet made an index as large as
    // the table (10,000 sheets took 8 minutes).
    TempDir dir;
    const std::size_t strings = sized(2000000, 200000, std::size_t{16} << 20);
    const std::size_t sheets = sized(2000, 300, 10000);
    EXPECT_TRUE(readWhole(readShape(dir, "sheets-over-table", shapes::manySheetsOverTable(strings, sheets),
                                    [sheets](const wb::Book& book) -> std::string {
                                        if (book.sheetCount() != static_cast<int>(sheets))
                                            return "not every sheet";
                                        const auto text = book.getSheet(static_cast<int>(sheets) - 1)->readStr(0, 0);
                                        return text && text->empty() ? "" : "the last sheet lacks its text";
                                    })));
}

TEST(HostileShapes, EmptyFormulaTextCellsAreCountedInTheBudget)
{
    // <c t="str"><v></v></c> by the million: each took an empty string object (a 4.9 MB
    // file took 5.2 GB). All empty texts now share one entry, and the cells are counted.
    TempDir dir;
    const std::size_t rows = sized(300, 20, 5800);
    EXPECT_TRUE(answered(readShape(dir, "empty-formula-text", shapes::emptyFormulaText(16000, rows))));
}

TEST(HostileShapes, RelativesAreReadOrRefusedNamingTheLimit)
{
    TempDir dir;
    // Long texts: the longest a cell may hold is read; one byte more than the reader keeps is refused.
    EXPECT_TRUE(readWhole(readShape(dir, "long-text", shapes::longText(32767), [](const wb::Book& book) -> std::string {
        const auto text = book.getSheet(0)->readStr(0, 0);
        return text && text->size() == 32767 ? "" : "the text is not whole";
    })));
    EXPECT_TRUE(refusedNaming(readShape(dir, "too-long-text", shapes::longText((std::size_t{1} << 20) + 1)), "(over 1 MiB)"));
    // Deep nesting: refused past the depth, read below it.
    EXPECT_TRUE(readWhole(readShape(dir, "nested", shapes::deepNesting(200), holds(1, 1))));
    EXPECT_TRUE(refusedNaming(readShape(dir, "too-deep", shapes::deepNesting(100000)), "(over 256 levels)"));
    // Row numbers: the last row of a sheet is read, the next one and a huge one refused.
    EXPECT_TRUE(readWhole(readShape(dir, "last-row", shapes::rowNumbers({"1", "1048576"}), holds(2, 0))));
    EXPECT_TRUE(refusedNaming(readShape(dir, "past-last-row", shapes::rowNumbers({"1048577"})), "(1 to 1048576)"));
    EXPECT_TRUE(refusedNaming(readShape(dir, "huge-row", shapes::rowNumbers({"99999999999999999999999"})), "row number"));
    // Elements by the million that hold nothing: read, and past the book's number refused.
    EXPECT_TRUE(readWhole(readShape(dir, "many-elements", shapes::manyElements(sized(2000000, 200000, 2000000)), holds(1, 1))));
    if (fullSize()) {
        EXPECT_TRUE(refusedNaming(readShape(dir, "too-many-elements", shapes::manyElements(std::size_t{1} << 28)),
                                  "(134217728)"));
    }
    // Many columns: the whole width is read, one more refused.
    EXPECT_TRUE(readWhole(readShape(dir, "all-columns", shapes::manyColumns(16384), holds(16384, 0))));
    EXPECT_TRUE(refusedNaming(readShape(dir, "too-many-columns", shapes::manyColumns(16385)), "(16384)"));
    // A shared-string table larger than the budget: refused naming it.
    EXPECT_TRUE(refusedNaming(readShape(dir, "large-table", shapes::largeTable(140, kMiB - 16)), "MiB)"));
    if (fullSize()) {
        // More shared strings than a table may hold (SharedStrings' own test checks the
        // count quicker).
        EXPECT_TRUE(refusedNaming(readShape(dir, "too-many-strings", shapes::manySheetsOverTable((std::size_t{16} << 20) + 1, 1)),
                                  "(16777216)"));
    }
}

TEST(HostileShapes, PartsOutsideTheCellsHaveAnElementBudget)
{
    // 250 million empty elements in the workbook's relationships took 27 s; bombs of a few
    // megabytes in the workbook part and a relationships part ran for seconds before
    // being refused. Each part outside the cells now stops at its own number.
    TempDir dir;
    for (const char* part : {"xl/_rels/workbook.xml.rels", "xl/workbook.xml"}) {
        SCOPED_TRACE(part);
        EXPECT_TRUE(readWhole(readShape(dir, "some-elements", shapes::manyElementsInPart(part, 200000), holds(1, 1))));
        EXPECT_TRUE(refusedNaming(readShape(dir, "part-bomb", shapes::manyElementsInPart(part, sized(4000000, 2000000, 250000000))),
                                  "for one part (262144)"));
    }
}

TEST(HostileShapes, StreamedAsLoaded)
{
    // The streamed read keeps no cells, but meets the same limits on what it reads: each
    // shape is read by both, or refused by both for the same reason.
    TempDir dir;
    const auto summary = [](const wb::Book& book) {
        const wb::Sheet* sheet = book.getSheet(0);
        return std::to_string(sheet->data().cellCount()) + " " + std::to_string(sheet->readNum(0, 0));
    };
    const std::pair<const char*, shapes::Shape> cases[] = {
        {"many-attributes", shapes::manyAttributes(200000)},
        {"long-tag", shapes::manyAttributes(500000)},
        {"repeated-row", shapes::repeatedRow(16000, sized(50, 10, 50))},
        {"row-then-one-cell", shapes::rowThenRepeats(16384, sized(50000, 10000, 50000))},
        {"interleaved-rows", shapes::interleavedRows(16384)},
        {"empty-formula-text", shapes::emptyFormulaText(16000, sized(50, 10, 50))},
        {"too-long-text", shapes::longText((std::size_t{1} << 20) + 1)},
        {"too-deep", shapes::deepNesting(100000)},
        {"past-last-row", shapes::rowNumbers({"1048577"})},
        {"last-row", shapes::rowNumbers({"1", "1048576"})},
        {"many-elements", shapes::manyElements(sized(500000, 100000, 500000))},
        {"too-many-columns", shapes::manyColumns(16385)},
        {"large-table", shapes::largeTable(140, kMiB - 16)},
        {"sheets-over-table", shapes::manySheetsOverTable(sized(200000, 50000, 200000), sized(300, 50, 300))},
        {"rels-bomb", shapes::manyElementsInPart("xl/_rels/workbook.xml.rels", 2000000)},
        {"workbook-bomb", shapes::manyElementsInPart("xl/workbook.xml", 2000000)},
    };
    for (const auto& [name, shape] : cases) {
        const std::string path = dir.file(std::string(name) + ".xlsx");
        shapes::writeShape(path, shape);
        const Outcome loaded = readInChild(path, summary);
        const Outcome streamed = readInChild(path, nullptr, true);
        std::printf("%-20s loaded %6.2f s %7.1f MiB, streamed %6.2f s %7.1f MiB\n", name, loaded.cpuSeconds,
                    loaded.peakMiB, streamed.cpuSeconds, streamed.peakMiB);
        ASSERT_TRUE(loaded.finished && streamed.finished) << name << ": " << loaded.error << " / " << streamed.error;
        EXPECT_EQ(streamed.loaded, loaded.loaded) << name << ": " << loaded.error << " / " << streamed.error;
        EXPECT_EQ(streamed.error, loaded.error) << name;
        EXPECT_EQ(streamed.detail, loaded.detail) << name;
    }
}

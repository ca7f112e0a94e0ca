// Reading a large river workbook's sheet four ways, each in a process of its own (so that
// its peak resident memory is its own), the least time of three runs each:
//   inflate floor   the sheet part inflated and thrown away (minizip, 256 KiB chunks)
//   Book::load      the whole book read into the cell store
//   stream, null    the sheet streamed to a visitor that keeps nothing
//   stream, matrix  the sheet streamed to a visitor that keeps what an import needs: the
//                   header rows, the taxon codes and names (columns A and B) and the counts
//                   in a samples x taxa Matrix
//
//   stream_bench BOOK.xlsx [FIRST-ROW [FIRST-COL]]     (rows and columns from 1; 5 and 3)
// BOOK.xlsx as bench/river_workbook writes it; bench/read_bench runs this after its steps.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unzip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/count_tiles.h"
#include "matrix/matrix.h"
#include "workbook/book.h"
#include "workbook/sheet_stream.h"

namespace {

constexpr const char* kSheetPart = "xl/worksheets/sheet1.xml";

bool inflateFloor(const std::string& path)
{
    unzFile zip = unzOpen64(path.c_str());
    if (!zip)
        return false;
    bool ok = unzLocateFile(zip, kSheetPart, 0) == UNZ_OK && unzOpenCurrentFile(zip) == UNZ_OK;
    std::vector<char> chunk(256 * 1024);
    unsigned long long bytes = 0;
    int n = 0;
    while (ok && (n = unzReadCurrentFile(zip, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0)
        bytes += static_cast<unsigned long long>(n);
    ok = ok && n == 0 && unzCloseCurrentFile(zip) == UNZ_OK;
    unzClose(zip);
    std::fprintf(stderr, "%.1f MB of XML", static_cast<double>(bytes) / 1e6);
    return ok;
}

bool load(const std::string& path)
{
    auto book = wb::xlCreateXMLBook();
    if (!book->load(path)) {
        std::fprintf(stderr, "%s\n", book->errorMessage().c_str());
        return false;
    }
    std::fprintf(stderr, "%zu cells", book->getSheet(0)->data().cellCount());
    return true;
}

class NullVisitor : public wb::CellVisitor {
public:
    std::size_t cells = 0;
    bool cell(const wb::StreamedCell&) override
    {
        ++cells;
        return true;
    }
    void restart() override { cells = 0; }
};

// Keeps what an import of the sheet needs. The sheet comes row by row, one taxon a row
// and one sample a column, but the Matrix keeps one block of doubles per row, a sample's
// counts: written as they come, each count would land in another sample's block, a page
// apart from the last, and 5,000 pages are more than the processor's address cache holds.
// So the counts go in through the import's CountTiles, a few taxa at a time, a sample's
// taxa side by side.
class MatrixVisitor : public wb::CellVisitor {
public:
    MatrixVisitor(int firstRow, int firstCol) : firstRow_(firstRow), firstCol_(firstCol) {}

    void extent(int rows, int cols) override
    {
        samples_ = cols - firstCol_;
        taxa_ = rows - firstRow_;
        if (samples_ > 0 && taxa_ > 0) {
            counts = std::make_unique<Matrix>(samples_, taxa_, 0.0);
            tiles_.emplace(*counts);
        }
        headers.assign(static_cast<std::size_t>(firstRow_), std::vector<std::string>(static_cast<std::size_t>(cols)));
        codes.assign(static_cast<std::size_t>(std::max(taxa_, 0)), {});
        names.assign(static_cast<std::size_t>(std::max(taxa_, 0)), {});
    }

    bool cell(const wb::StreamedCell& cell) override
    {
        if (cell.row >= firstRow_ && cell.col >= firstCol_) {
            const int taxon = cell.row - firstRow_, sample = cell.col - firstCol_;
            if (cell.type == wb::CellType::Number && counts && taxon < taxa_ && sample < samples_) {
                tiles_->set(sample, taxon, cell.number);
                return true;
            }
            if (cell.type == wb::CellType::Blank)
                return true;
            badRow = cell.row + 1;
            badCol = cell.col + 1;
            return false;  // outside the stated extent, or not a count
        }
        if (cell.row < firstRow_) {
            if (static_cast<std::size_t>(cell.col) < headers[static_cast<std::size_t>(cell.row)].size())
                headers[static_cast<std::size_t>(cell.row)][static_cast<std::size_t>(cell.col)] = std::string(cell.text);
        } else if (cell.row - firstRow_ < taxa_ && cell.col < 2) {
            (cell.col == 0 ? codes : names)[static_cast<std::size_t>(cell.row - firstRow_)] = std::string(cell.text);
        }
        return true;
    }
    // A run of numbers in one row, as the import takes it: the counts within the extent in
    // one step, anything else cell by cell.
    bool numbers(int row, int col, const double* values, int count) override
    {
        const int end = col + count;
        const int from = std::max(col, firstCol_), to = std::min(end, firstCol_ + samples_);
        if (!counts || row < firstRow_ || row - firstRow_ >= taxa_ || from >= to)
            return CellVisitor::numbers(row, col, values, count);
        if (from > col && !CellVisitor::numbers(row, col, values, from - col))
            return false;
        tiles_->setSamples(from - firstCol_, row - firstRow_, values + (from - col), to - from);
        return to == end || CellVisitor::numbers(row, to, values + (to - col), end - to);
    }
    void restart() override
    {
        tiles_.reset();
        counts.reset();
        badRow = badCol = 0;
    }
    // Writes the last counts; call when the read is done.
    void finish()
    {
        if (tiles_)
            tiles_->flush();
    }

    std::unique_ptr<Matrix> counts;
    std::vector<std::vector<std::string>> headers;
    std::vector<std::string> codes, names;
    int badRow = 0, badCol = 0;

private:
    int firstRow_, firstCol_;
    int samples_ = 0, taxa_ = 0;
    std::optional<CountTiles> tiles_;  // into counts, as the import writes them
};

bool stream(const std::string& path, wb::CellVisitor& visitor)
{
    wb::WorkbookStream book(wb::Book::FileFormat::Xlsx);
    if (!book.open(path)) {
        std::fprintf(stderr, "%s\n", book.errorMessage().c_str());
        return false;
    }
    const wb::StreamEnd end = book.readSheet(0, visitor);
    if (end != wb::StreamEnd::Done) {
        std::fprintf(stderr, "the stream ended %d: %s\n", static_cast<int>(end), book.errorMessage().c_str());
        return false;
    }
    return true;
}

// One step in this process; the exit status says whether it worked.
int runStep(const std::string& step, const std::string& path, int firstRow, int firstCol)
{
    bool ok = false;
    if (step == "floor") {
        ok = inflateFloor(path);
    } else if (step == "load") {
        ok = load(path);
    } else if (step == "null") {
        NullVisitor visitor;
        ok = stream(path, visitor);
        std::fprintf(stderr, "%zu cells", visitor.cells);
    } else if (step == "matrix") {
        MatrixVisitor visitor(firstRow - 1, firstCol - 1);
        ok = stream(path, visitor) && visitor.counts;
        visitor.finish();
        if (ok) {
            double total = 0;
            for (int s = 0; s < visitor.counts->nRows(); ++s)
                for (int t = 0; t < visitor.counts->nCols(); ++t)
                    total += (*visitor.counts)(s, t);
            std::fprintf(stderr, "%d samples x %d taxa, %.0f counted", visitor.counts->nRows(), visitor.counts->nCols(), total);
        }
    } else if (step == "nothing") {
        ok = true;
    }
    return ok ? 0 : 1;
}

struct Run {
    bool ok = false;
    double seconds = 0;
    double cpuSeconds = 0;  // both threads' user and system time
    double peakMB = 0;
    std::string detail;     // what the step wrote (cells read, or why it failed)
};

Run runChild(const char* self, const std::string& step, const std::string& path, int firstRow, int firstCol)
{
    Run run;
    int channel[2];
    if (::pipe(channel) != 0)
        return run;
    std::fflush(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        // What the step found (cells read, ...) goes back to the parent on its own channel.
        ::close(channel[0]);
        ::dup2(channel[1], 2);
        const std::string rowText = std::to_string(firstRow), colText = std::to_string(firstCol);
        ::execl(self, self, "--step", step.c_str(), path.c_str(), rowText.c_str(), colText.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(channel[1]);
    char buffer[512];
    ssize_t n;
    while ((n = ::read(channel[0], buffer, sizeof buffer)) > 0)
        run.detail.append(buffer, static_cast<std::size_t>(n));
    ::close(channel[0]);
    while (!run.detail.empty() && run.detail.back() == '\n')
        run.detail.pop_back();
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return run;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::string(argv[1]) == "--step")
        return runStep(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 5, argc > 5 ? std::atoi(argv[5]) : 3);
    if (argc < 2) {
        std::fprintf(stderr, "usage: stream_bench BOOK.xlsx [FIRST-ROW [FIRST-COL]]\n");
        return 2;
    }
    const std::string path = argv[1];
    const int firstRow = argc > 2 ? std::atoi(argv[2]) : 5;
    const int firstCol = argc > 3 ? std::atoi(argv[3]) : 3;
    struct Step {
        const char* name;
        const char* label;
    };
    const Step steps[] = {{"nothing", "the process alone"},
                          {"floor", "inflate floor (sheet part)"},
                          {"load", "Book::load"},
                          {"null", "stream, null visitor"},
                          {"matrix", "stream, samples x taxa matrix"}};
    // On a machine shared with other work the wall time of a run varies more than its CPU
    // time; both are shown (the reading itself uses two threads: inflating and scanning).
    std::printf("%-32s %8s  %8s  %10s  %s\n", "step (least of 3 runs)", "time", "CPU", "peak RSS", "x floor");
    double floor = 0;
    for (const Step& step : steps) {
        Run best;
        for (int i = 0; i < 3; ++i) {
            const Run run = runChild("/proc/self/exe", step.name, path, firstRow, firstCol);
            if (!run.ok) {
                std::printf("%-32s failed: %s\n", step.label, run.detail.c_str());
                best.ok = false;
                break;
            }
            if (!best.ok || run.seconds < best.seconds)
                best = run;
        }
        if (!best.ok)
            continue;
        if (std::string(step.name) == "floor")
            floor = best.seconds;
        std::printf("%-32s %6.3f s  %6.3f s  %7.1f MB", step.label, best.seconds, best.cpuSeconds, best.peakMB);
        if (floor > 0)
            std::printf("  %5.2f", best.seconds / floor);
        std::printf("   %s\n", best.detail.c_str());
    }
    return 0;
}

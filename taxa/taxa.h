#pragma once

// Taxa of a job that have no row in the master taxon list: what they might be, and the
// user's choices kept in a taxon map. Nothing here changes a match by itself; the caller
// shows the suggestions, the user accepts one, and only an accepted choice, written to the
// map, ever reaches an analysis. (The whole library's interface is in this one header, so
// that a caller reads one file; taxon_name.h holds the name rules it uses.)
//
//   Suggester suggester(rows);                         // once per master list
//   Suggestions s = suggester.suggest({code, name});   // per unmatched taxon
//   TaxonMap map; std::string error;
//   if (!ReadTaxonMap(path, map, error)) ...           // refuse the file, show error
//   for (const MapProblem& p : CheckTaxonMap(map, rows)) ...   // report, line by line

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace taxa {

// A row of the master taxon list: its code (whichever field the job matches on) and name.
struct ListRow {
    std::string code;
    std::string name;
};

// A taxon of the workbook: its code and its name (column B, empty when there is none).
struct Taxon {
    std::string code;
    std::string name;
};

struct Suggestion {
    std::size_t row = 0;  // index into the master list
    std::string code;     // the row's code and name
    std::string name;
    int score = 0;        // see Suggester: name evidence scores above 40, a code's likeness 40 or less
    int rank = 1;         // 1 for the best; suggestions with equal scores share a rank
    bool tied = false;    // another suggestion (shown or left off) has the same score
    std::string reason;   // in plain words: "same name apart from case and spacing"
};

struct Suggestions {
    std::vector<Suggestion> best;  // best first; rows with equal scores in list order
    // Rows with the same score as the last one shown that the limit left off: a tie is
    // never cut without saying so.
    std::size_t tiedLeftOff = 0;
};

// The evidence and its score, strongest first. A row takes the score of its best evidence.
//   100  same name
//    98  same name apart from case and spacing
//    96  ... apart from accents or punctuation too
//    94  ... apart from the authority, the rank's abbreviation (var./v.), cf./aff., sp./spp.
//    92  ... apart from the rank (var. against f., or none written)
//    90  same species, variety named after it ("X y" against "X y var. y", either way)
//    80  name differs by one letter (or two letters swapped)
//    70  the species of this variety ("X y var. z" against "X y")
//    65  name differs by two letters
//    55  a variety of this species ("X y" against "X y var. z")
//    50  same species, another variety
//    45  name differs by three letters (names of 15 bytes or more)
// Only for a taxon without a name, the code's likeness:
//    40  same code apart from spacing or punctuation
//    30  same code apart from a letter or a digit (or two characters swapped)
//    20  same code apart from two characters
class Suggester {
public:
    explicit Suggester(std::vector<ListRow> list);
    ~Suggester();
    Suggester(Suggester&&) noexcept;
    Suggester& operator=(Suggester&&) noexcept;

    // Up to limit rows (1 to 5), best first; none when nothing is alike.
    Suggestions suggest(const Taxon& taxon, std::size_t limit = 5) const;

    const std::vector<ListRow>& list() const;

private:
    struct Index;
    std::unique_ptr<Index> index_;
};

// ---- The taxon map ------------------------------------------------------------------------
// A small UTF-8 CSV file, "code,mapped code,name,mapped name,reason" and one line for
// each choice the user accepted: the workbook's code and name, the list's code and name,
// and the reason shown when it was accepted.

struct MapLine {
    std::string code;
    std::string mappedCode;
    std::string name;
    std::string mappedName;
    std::string reason;
    std::size_t line = 0;  // where it stands in the file, from 1 (the header is line 1)
};

struct TaxonMap {
    std::vector<MapLine> lines;
};

inline constexpr std::string_view kTaxonMapHeader = "code,mapped code,name,mapped name,reason";

// A malformed map is refused as a whole: false, with "line N: reason", and map left as it
// was. Codes are compared without regard to case, as the list matches them.
bool ParseTaxonMap(std::string_view text, TaxonMap& map, std::string& error);
// The same for a file; the error then begins with the path.
bool ReadTaxonMap(const std::string& path, TaxonMap& map, std::string& error);

// Where the desktop program keeps a workbook's map: beside it, named after it
// ("river.xlsx" keeps "river.taxa.csv"), so that it comes back when the workbook does.
std::string TaxonMapBeside(const std::string& workbookPath);

// The file's text: the header and one line per map line, LF line ends.
std::string TaxonMapText(const TaxonMap& map);
// Written whole or not at all (an existing file is never left half-written).
bool WriteTaxonMap(const std::string& path, const TaxonMap& map, std::string& error);

// The map line for a workbook code, or nullptr.
const MapLine* FindMapLine(const TaxonMap& map, std::string_view code);

// A map line that is not used, and why.
struct MapProblem {
    enum class Kind {
        TargetNotInList,   // its mapped code is not in the master list
        CodeMatchesList,   // its code is itself in the list: the exact match wins
    };
    Kind kind;
    std::size_t index = 0;  // into map.lines
    std::size_t line = 0;   // in the file
    std::string message;    // "line 3: mapped code XX999A is not in the master taxon list"
};

// The lines of the map that an analysis against this list must not use, in map order.
std::vector<MapProblem> CheckTaxonMap(const TaxonMap& map, const std::vector<ListRow>& list);

}  // namespace taxa

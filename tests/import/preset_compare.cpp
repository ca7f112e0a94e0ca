#include "tests/import/preset_compare.h"

#include <gtest/gtest.h>

#include "tests/import/import_fixture.h"
#include "tests/support/scripted_user.h"
#include "tests/support/stand_in_tables.h"

namespace preset_compare {

using testing_support::StandInTables;

Outcome loaded(const std::string& path, const PresetChoice& preset, int sheetIndex)
{
    StandInTables tables;
    ScriptedUser user;
    user.worksheetChoices.push_back(
        import_fixture::choose(preset.firstDataRow, preset.firstDataColumn, preset.family, sheetIndex));
    Outcome outcome;
    outcome.samples = ImportSamples(path, tables, user);
    outcome.messages = user.messages;
    return outcome;
}

Outcome streamed(const std::string& path, const PresetChoice& preset, int sheetIndex)
{
    StandInTables tables;
    ScriptedUser user;
    // Asked only when the sheet goes back to the import of the loaded book.
    user.worksheetChoices.push_back(
        import_fixture::choose(preset.firstDataRow, preset.firstDataColumn, preset.family, sheetIndex));
    Outcome outcome;
    outcome.samples = ImportPresetSamples(path, preset, tables, user, &outcome.route);
    outcome.messages = user.messages;
    outcome.choicesAsked = user.worksheetChoices.empty() ? 1 : 0;
    return outcome;
}

void expectSame(const Outcome& a, const Outcome& b)
{
    EXPECT_EQ(a.messages, b.messages);
    ASSERT_EQ(a.samples.has_value(), b.samples.has_value());
    if (!a.samples)
        return;
    const ImportedSamples& x = *a.samples;
    const ImportedSamples& y = *b.samples;
    EXPECT_EQ(x.title, y.title);
    EXPECT_EQ(x.sheetName, y.sheetName);
    EXPECT_EQ(x.workbookSha256, y.workbookSha256);
    EXPECT_EQ(x.family, y.family);
    EXPECT_EQ(x.familyName, y.familyName);
    EXPECT_EQ(x.sampleCount, y.sampleCount);
    EXPECT_EQ(x.taxonCount, y.taxonCount);
    EXPECT_EQ(x.headerRowCount, y.headerRowCount);
    EXPECT_EQ(x.headerLabels, y.headerLabels);
    EXPECT_EQ(x.headerValues, y.headerValues);
    ASSERT_EQ(x.taxa.size(), y.taxa.size());
    for (std::size_t t = 0; t < x.taxa.size(); ++t) {
        EXPECT_EQ(x.taxa[t].code, y.taxa[t].code) << t;
        EXPECT_EQ(x.taxa[t].name, y.taxa[t].name) << t;
    }
    ASSERT_TRUE(x.counts && y.counts);
    ASSERT_EQ(x.counts->nRows(), y.counts->nRows());
    ASSERT_EQ(x.counts->nCols(), y.counts->nCols());
    for (int s = 0; s < x.counts->nRows(); ++s)
        for (int t = 0; t < x.counts->nCols(); ++t)
            EXPECT_EQ((*x.counts)(s, t), (*y.counts)(s, t)) << s << "," << t;
    EXPECT_EQ(x.summary, y.summary);
    EXPECT_EQ(x.cocAvailable, y.cocAvailable);
}

Outcome compare(const std::string& path, const PresetChoice& preset, int sheetIndex, bool streams)
{
    SCOPED_TRACE(path + " sheet " + std::to_string(sheetIndex) + " row " + std::to_string(preset.firstDataRow));
    const Outcome a = loaded(path, preset, sheetIndex);
    Outcome b = streamed(path, preset, sheetIndex);
    expectSame(a, b);
    if (streams) {
        EXPECT_TRUE(b.samples.has_value());
    }
    // A sheet that imports is streamed without reading the book; one that fails a check
    // is read again so that the loaded book's import says what is wrong.
    EXPECT_EQ(b.choicesAsked, streams ? 0 : 1);
    EXPECT_EQ(b.route.streamed, streams) << b.route.loadedBecause;
    EXPECT_EQ(b.route.loadedBecause.empty(), streams);
    return b;
}

}  // namespace preset_compare

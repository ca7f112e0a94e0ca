#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "import/user_interaction.h"

// A user for tests: records every message and question in order, and answers from
// scripts set up beforehand. An unscripted question fails the test.
class ScriptedUser : public UserInteraction {
public:
    void showMessage(const std::string& text, const std::string& detail = std::string()) override;
    Answer askYesNoCancel(const std::string& question) override;
    std::optional<WorksheetChoice> chooseWorksheet(const wb::Book& book, const std::vector<std::string>& sheetNames,
                                                   int family) override;
    std::optional<std::string> chooseResultsFile() override;
    void beginBusy() override { ++busyDepth; ++busyCount; }
    void endBusy() override { --busyDepth; }

    // Everything the user was shown or asked, in order (questions as they were asked).
    std::vector<std::string> messages;
    std::vector<std::string> details;  // one per message, empty where none was given
    std::vector<std::string> questions;

    std::deque<Answer> answers;
    std::deque<std::optional<WorksheetChoice>> worksheetChoices;
    std::deque<std::optional<std::string>> resultsFiles;

    // What the last worksheet choice was given.
    std::vector<std::string> offeredSheetNames;
    int offeredFamily = -1;
    int worksheetChoiceCount = 0;

    int busyDepth = 0;
    int busyCount = 0;
};

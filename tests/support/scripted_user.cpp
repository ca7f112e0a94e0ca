#include "tests/support/scripted_user.h"

#include <gtest/gtest.h>

void ScriptedUser::showMessage(const std::string& text, const std::string& detail)
{
    messages.push_back(text);
    details.push_back(detail);
}

UserInteraction::Answer ScriptedUser::askYesNoCancel(const std::string& question)
{
    questions.push_back(question);
    if (answers.empty()) {
        ADD_FAILURE() << "unscripted question: " << question;
        return Answer::Cancel;
    }
    Answer a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<WorksheetChoice> ScriptedUser::chooseWorksheet(const wb::Book&, const std::vector<std::string>& sheetNames,
                                                             int family)
{
    ++worksheetChoiceCount;
    offeredSheetNames = sheetNames;
    offeredFamily = family;
    if (worksheetChoices.empty()) {
        ADD_FAILURE() << "unscripted worksheet choice";
        return std::nullopt;
    }
    std::optional<WorksheetChoice> c = worksheetChoices.front();
    worksheetChoices.pop_front();
    return c;
}

std::optional<std::string> ScriptedUser::chooseResultsFile()
{
    if (resultsFiles.empty()) {
        ADD_FAILURE() << "unscripted results file choice";
        return std::nullopt;
    }
    std::optional<std::string> f = resultsFiles.front();
    resultsFiles.pop_front();
    return f;
}

#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "import/reference_source.h"
#include "import/user_interaction.h"

// The workbooks of a job read side by side: several at once, up to the machine's cores,
// under one long work with one progress and one Cancel. Whatever each read tells the user
// comes out afterwards, workbook by workbook in job order, exactly as reading them one
// after another would have told it.
//
// Each read talks to the user through a stand-in of its own:
// - its messages are kept, and shown once every read has ended, in workbook order, up to
//   and including the first workbook that failed (reading one after another would have
//   stopped there; a workbook after it is not started, or its messages are dropped);
// - its questions (a worksheet choice the options answer) go to its own user, one
//   question at a time; a user that asks with windows must not be asked from a read;
// - its long work runs where it is, its progress counted into the whole reading's;
// - the reference tables come through one source that loads each table once and lets
//   one read at a time in.

// One workbook's read: index is its place in the job; user and references are the
// stand-ins to use. True when it read the workbook (its result kept by the caller).
using SideBySideRead = std::function<bool(std::size_t index, UserInteraction& user, ReferenceSource& references)>;

struct SideBySideOutcome {
    // The first workbook whose read failed (its messages shown), or the count when all
    // were read.
    std::size_t firstFailed = 0;
    // The user stopped the reading (nothing was shown for the workbooks stopped).
    bool stopped = false;
    bool allRead(std::size_t count) const { return !stopped && firstFailed == count; }
};

// Runs read for the workbooks 0 .. users.size()-1 (users[i] answers workbook i) on up to
// threads workers (0: std::thread::hardware_concurrency()), under ui.runLong(what, ...).
SideBySideOutcome ReadSideBySide(const std::vector<UserInteraction*>& users, const SideBySideRead& read,
                                 ReferenceSource& references, UserInteraction& ui, const std::string& what,
                                 unsigned threads = 0);

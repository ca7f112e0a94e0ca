#pragma once

#include <QString>
#include <QWidget>
#include <functional>

#include "import/user_interaction.h"

// Long work of the desktop program (reading a large workbook, analysing, saving) runs on a
// worker thread while the window thread goes on painting. Until it ends, the windows take
// no input (a click cannot start a second job under the first); when it takes longer than
// kProgressDelayMs a progress dialog shows what it is doing and how far it has come, with
// Cancel when the work can be stopped.
namespace longwork {

inline constexpr int kProgressDelayMs = 500;
// How often the window thread looks at the work: the bar moves at least this often.
inline constexpr int kPollMs = 50;

// Runs work on a worker thread; true when it ran to its end, false when the user pressed
// Cancel (the work has ended by then: it saw report() return false, or it finished anyway).
// label is the dialog's text. parent is the window the dialog belongs to (may be null).
bool Run(QWidget* parent, const QString& label, const std::function<void(WorkProgress&)>& work, bool stoppable);

// Set by tests: the dialog of the work now running, once shown (else null).
QWidget* ActiveProgressDialog();

}  // namespace longwork

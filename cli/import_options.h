#pragma once

#include <optional>
#include <string>

#include "cli/cli_user.h"
#include "import/job_options.h"

class Application;

namespace cli {

// Opens the reference database of the options in app: --db, else TORVENII.mdb beside the
// program or in the installed data folder. The file's path, which the run then reads.
std::string OpenReferenceDatabase(Application& app, const ImportOptions& options);

}  // namespace cli

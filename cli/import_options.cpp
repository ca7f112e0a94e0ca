#include "cli/import_options.h"

#include "app/application.h"
#include "cli/commands.h"

namespace cli {

void OpenReferenceDatabase(Application& app, const ImportOptions& options)
{
    if (options.databasePath) {
        app.OpenReferenceData(*options.databasePath);
        return;
    }
    const torven::DataFileSearch database = findReferenceDatabase();
    app.OpenReferenceData(database.path, database.notFoundDetail());
}

}  // namespace cli

#include "cli/import_options.h"

#include "app/application.h"
#include "cli/commands.h"

namespace cli {

std::string OpenReferenceDatabase(Application& app, const ImportOptions& options)
{
    if (options.databasePath) {
        app.OpenReferenceData(*options.databasePath);
        return *options.databasePath;
    }
    const torven::DataFileSearch database = findReferenceDatabase();
    app.OpenReferenceData(database.path, database.notFoundDetail());
    return database.path;
}

}  // namespace cli

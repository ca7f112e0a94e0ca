#include "ui/results_file_name.h"

std::string ResultsFileNameForType(const std::string& typed, bool xlsx)
{
    // Both separators count, so a Windows path pasted into the box loses its folder too.
    const std::size_t slash = typed.find_last_of("/\\");
    std::string base = slash == std::string::npos ? typed : typed.substr(slash + 1);
    // A drive letter typed without a separator ("C:Results.xls").
    if (base.size() >= 2 && base[1] == ':')
        base.erase(0, 2);
    const std::size_t dot = base.rfind('.');
    // A leading dot is part of the name, not an extension.
    if (dot != std::string::npos && dot > 0)
        base.erase(dot);
    return base + (xlsx ? ".xlsx" : ".xls");
}

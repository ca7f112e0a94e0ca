#include "workbook/xlsx/package.h"

#include <cstdint>
#include <map>

#include "workbook/xlsx/values.h"
#include "workbook/xlsx/xml.h"

namespace wb::xlsx {

namespace {

struct Relationship {
    std::string type;
    std::string target;
    bool external = false;
};

// The relationships part of `sourcePart`: "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
std::string relationshipsPartOf(const std::string& sourcePart)
{
    std::size_t slash = sourcePart.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : sourcePart.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? sourcePart : sourcePart.substr(slash + 1);
    return folder + "_rels/" + file + ".rels";
}

// Relationship types are URIs that differ between transitional and strict files;
// their last segment names the kind alike in both.
bool typeIs(const std::string& type, const std::string& kind)
{
    return type.size() > kind.size() && type.compare(type.size() - kind.size(), kind.size(), kind) == 0
        && type[type.size() - kind.size() - 1] == '/';
}

// Elements a part outside the cells may hold (a relationships part, the workbook part).
// Real ones have a few per sheet; the cell parts have the book's own budget. A small file
// whose part inflates to millions of empty elements would otherwise take seconds of work
// per megabyte before anything could say no.
constexpr std::uint64_t kMaxPartElements = std::uint64_t{1} << 18;

// Counts one more element of a part; false (and the parse stopped, naming the limit)
// past kMaxPartElements.
bool takePartElement(XmlHandler& handler, std::uint64_t& elements)
{
    if (++elements <= kMaxPartElements)
        return true;
    handler.failTooLarge("more XML elements than the reader accepts for one part (" + std::to_string(kMaxPartElements)
                         + ")");
    return false;
}

class RelationshipsHandler : public XmlHandler {
public:
    std::map<std::string, Relationship> byId;

    void start(std::string_view name, const char** attributes) override
    {
        if (!takePartElement(*this, elements_))
            return;
        if (name != "Relationship")
            return;
        const char* id = attribute(attributes, "Id");
        const char* type = attribute(attributes, "Type");
        const char* target = attribute(attributes, "Target");
        const char* mode = attribute(attributes, "TargetMode");
        if (!id || !target)
            return;
        Relationship& r = byId[id];
        r.type = type ? type : "";
        r.target = target;
        r.external = mode && std::string_view(mode) == "External";
    }
    void end(std::string_view) override {}

private:
    std::uint64_t elements_ = 0;
};

// Sheets one workbook may list; spreadsheet programs stop at a few thousand, and each
// listed sheet costs memory whether or not it has a part.
constexpr std::size_t kMaxSheets = 10000;

class WorkbookHandler : public XmlHandler {
public:
    struct Listed {
        std::string name;
        std::string relationshipId;
    };
    std::vector<Listed> sheets;
    bool date1904 = false;
    std::string root;  // the part's root element: "workbook" in a workbook

    void start(std::string_view name, const char** attributes) override
    {
        if (!takePartElement(*this, elements_))
            return;
        if (root.empty())
            root = name;
        if (name == "workbookPr") {
            const char* flag = attribute(attributes, "date1904");
            date1904 = flag && (std::string_view(flag) == "1" || std::string_view(flag) == "true");
            return;
        }
        if (name == "sheets")
            inSheets_ = true;
        if (name != "sheet" || !inSheets_)
            return;
        const char* sheetName = attribute(attributes, "name");
        const char* id = attribute(attributes, "id");
        if (!sheetName || !id) {
            fail("a sheet without a name or relationship");
            return;
        }
        if (sheets.size() == kMaxSheets) {
            fail("more sheets than the reader accepts (over " + std::to_string(kMaxSheets) + ")");
            return;
        }
        sheets.push_back({sheetName, id});
    }
    void end(std::string_view name) override
    {
        if (name == "sheets")
            inSheets_ = false;
    }

private:
    bool inSheets_ = false;
    std::uint64_t elements_ = 0;
};

bool readRelationships(ZipArchive& zip, const std::string& sourcePart, std::map<std::string, Relationship>& out,
                       std::string& error)
{
    std::string part = relationshipsPartOf(sourcePart);
    if (!zip.has(part))
        return true;  // a part without relationships
    RelationshipsHandler handler;
    if (!parsePart(zip, part, handler, error))
        return false;
    out = std::move(handler.byId);
    return true;
}


}  // namespace

std::string resolveTarget(const std::string& sourcePart, const std::string& target)
{
    std::string decoded;
    for (std::size_t i = 0; i < target.size(); ++i) {
        if (target[i] == '%' && i + 2 < target.size() && hexDigit(target[i + 1]) >= 0 && hexDigit(target[i + 2]) >= 0) {
            decoded.push_back(static_cast<char>(hexDigit(target[i + 1]) * 16 + hexDigit(target[i + 2])));
            i += 2;
        } else {
            decoded.push_back(target[i] == '\\' ? '/' : target[i]);
        }
    }
    std::string path;
    if (decoded.empty() || decoded.front() != '/') {
        std::size_t slash = sourcePart.rfind('/');
        if (slash != std::string::npos)
            path = sourcePart.substr(0, slash + 1);
    }
    path += decoded;

    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        std::string segment = path.substr(start, slash - start);
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = slash + 1;
    }
    std::string resolved;
    for (const std::string& s : segments)
        resolved += (resolved.empty() ? "" : "/") + s;
    return resolved;
}

bool readPackageLayout(ZipArchive& zip, PackageLayout& layout, std::string& error)
{
    std::map<std::string, Relationship> packageRels;
    if (!readRelationships(zip, "", packageRels, error))
        return false;
    std::string workbookPart;
    for (const auto& [id, r] : packageRels) {
        if (typeIs(r.type, "officeDocument") && !r.external) {
            workbookPart = resolveTarget("", r.target);
            break;
        }
    }
    if (workbookPart.empty() && zip.has("xl/workbook.xml"))
        workbookPart = "xl/workbook.xml";  // a package that lost its root relationships
    if (workbookPart.empty() || !zip.has(workbookPart)) {
        error = "the file is not an .xlsx workbook (it has no workbook part)";
        return false;
    }

    WorkbookHandler workbook;
    if (!parsePart(zip, workbookPart, workbook, error))
        return false;
    // Word and PowerPoint files are packages of the same kind, with a main part of their
    // own: such a file holds no workbook, rather than a workbook without sheets.
    if (workbook.root != "workbook") {
        error = workbook.root == "document"       ? "the file is not a workbook (it is a Word document)"
                : workbook.root == "presentation" ? "the file is not a workbook (it is a PowerPoint presentation)"
                                                  : "the file is not an .xlsx workbook (it has no workbook part)";
        return false;
    }
    std::map<std::string, Relationship> rels;
    if (!readRelationships(zip, workbookPart, rels, error))
        return false;

    for (const auto& [id, r] : rels) {
        if (typeIs(r.type, "sharedStrings") && !r.external) {
            layout.sharedStringsPart = resolveTarget(workbookPart, r.target);
            break;
        }
    }
    layout.date1904 = workbook.date1904;
    // A part belongs to one sheet; a file listing one part for many sheets would have it
    // read again for each of them.
    std::map<std::string, std::string> sheetOfPart;
    for (const WorkbookHandler::Listed& listed : workbook.sheets) {
        auto found = rels.find(listed.relationshipId);
        if (found == rels.end() || found->second.external) {
            error = "the file is damaged (the sheet \"" + listed.name + "\" has no part)";
            return false;
        }
        PackageLayout::SheetPart sheet;
        sheet.name = listed.name;
        if (typeIs(found->second.type, "worksheet")) {
            sheet.part = resolveTarget(workbookPart, found->second.target);
            if (!zip.has(sheet.part)) {
                error = "the file is damaged (the part of sheet \"" + listed.name + "\" is missing)";
                return false;
            }
            // A sheet led to the workbook part, the shared strings, a relationships part
            // or the document properties would read as a sheet without cells.
            const std::string part = ZipArchive::normalise(sheet.part);
            if (part == ZipArchive::normalise(workbookPart)
                || (!layout.sharedStringsPart.empty() && part == ZipArchive::normalise(layout.sharedStringsPart))
                || part.ends_with(".rels") || part.starts_with("docprops/")
                || part == ZipArchive::normalise("[Content_Types].xml")) {
                error = "the file is damaged (the part of sheet \"" + listed.name + "\" is " + sheet.part
                        + ", which is not a worksheet)";
                return false;
            }
            auto [owner, added] = sheetOfPart.try_emplace(ZipArchive::normalise(sheet.part), listed.name);
            if (!added) {
                error = "the file is damaged (the sheets \"" + owner->second + "\" and \"" + listed.name
                        + "\" share one part)";
                return false;
            }
        }
        layout.sheets.push_back(std::move(sheet));
    }
    return true;
}

}  // namespace wb::xlsx

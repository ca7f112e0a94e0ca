#pragma once

#include <string>

#include "workbook/xlsx/xml.h"
#include "workbook/xlsx/zip.h"

namespace wb::xlsx {

// A streaming reader of its own for the one large part of a workbook, the worksheet: the
// same events, limits and refusals as parsePart (no document type declaration, so no
// entities beyond the five predefined ones and character references; names, tags and
// nesting bounded; text checked as UTF-8 XML characters; tags matched), several times
// faster than a general parser, and with a large part inflated on a second thread meanwhile.
// A part in another encoding than UTF-8 is handed to parsePart.
bool scanPart(ZipArchive& zip, const std::string& part, XmlHandler& handler, std::string& error);

}  // namespace wb::xlsx

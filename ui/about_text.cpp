#include "ui/about_text.h"

#include <algorithm>

static std::string dotted(std::string version)
{
    std::replace(version.begin(), version.end(), ',', '.');
    return version;
}

std::string AboutText(const std::string& productVersion)
{
    std::string text = "TORVEN II Version " + dotted(productVersion) + "\r\n";
    text += "\r\n";
    text += "TORVEN II assesses the ecological status of rivers and lakes from counts of benthic "
            "diatoms: for each sample it computes the Trophic Diatom Indices TDI3 and TDI4 for "
            "rivers, LTDI1 and LTDI2 for lakes, or the Diatom Acidification Metric DAM, with "
            "their Ecological Quality Ratio and status class, and for each site the confidence "
            "of class.";
    text += "\r\n\r\n";
    text += "TORVEN II is free software: you can redistribute it and/or modify it under the terms "
            "of the GNU General Public License as published by the Free Software Foundation, "
            "either version 3 of the License, or (at your option) any later version. It comes "
            "with no warranty; see the file LICENSE for details.";
    text += "\r\n\r\n";
    text += "It is built on Qt, mdbtools (libmdb) for the reference database, libxlsxwriter, "
            "expat, minizip and zlib for the workbooks.";
    text += "\r\n\r\n";
    text += "The class boundaries, index scores and confidence-of-class coefficients are those of "
            "the reference database TORVENII.mdb beside the program.";
    text += "\r\n\r\n";
    text += "Questions and suggestions are welcome on the project's issue tracker.";
    text += "\r\n\r\n";
    text += "Please report bugs on the project's issue tracker, with the workbook that shows them "
            "where you can.";
    return text;
}

std::string SplashVersionLine(const std::string& productVersion)
{
    return "Version " + dotted(productVersion);
}

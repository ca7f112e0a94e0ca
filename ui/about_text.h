#pragma once

#include <string>

// The text of the About box, lines separated by CR LF: the version line, then what the
// program is for, its licence, what it is built on, and where to report bugs. The
// version is written with dots ("2,0,13,0" and "2.0.13.0" both give 2.0.13.0); an empty
// version leaves the first line as "TORVEN II Version ".
std::string AboutText(const std::string& productVersion);

// "Version " and the product version with dots, as the splash window draws it.
std::string SplashVersionLine(const std::string& productVersion);

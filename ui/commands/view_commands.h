#pragma once

// What a view offers the main window's Edit > Copy, File > Print... and File > Print
// Preview: the grid windows (data view, master taxon list, results window) and the site
// chart implement it, and the main window enables the three commands for the active
// child window when its widget does.
class ViewCommands {
public:
    // Edit > Copy: the selection (or the picture) to the clipboard.
    virtual void copy() = 0;
    // File > Print...: the print dialog, then the printout.
    virtual void print() = 0;
    // File > Print Preview.
    virtual void printPreview() = 0;

protected:
    ViewCommands() = default;
    ViewCommands(const ViewCommands&) = default;
    ViewCommands& operator=(const ViewCommands&) = default;
    ~ViewCommands() = default;
};

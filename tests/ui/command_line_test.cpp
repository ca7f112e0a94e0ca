#include <gtest/gtest.h>

#include "ui/command_line.h"

using Action = DesktopCommandLine::Action;

TEST(DesktopCommandLine, AWorkbookOpensAtStartAndOptionsAreKnownOrRefused)
{
    EXPECT_EQ(ParseDesktopCommandLine({}).action, Action::run);
    EXPECT_EQ(ParseDesktopCommandLine({}).workbook, "");

    // What a file manager passes for %f: one path, spaces and all.
    const DesktopCommandLine open = ParseDesktopCommandLine({"/home/a/My samples 2024.xlsx"});
    EXPECT_EQ(open.action, Action::run);
    EXPECT_EQ(open.workbook, "/home/a/My samples 2024.xlsx");

    EXPECT_EQ(ParseDesktopCommandLine({"--help"}).action, Action::help);
    EXPECT_EQ(ParseDesktopCommandLine({"-h"}).action, Action::help);
    EXPECT_EQ(ParseDesktopCommandLine({"river.xls", "--version"}).action, Action::version);

    const DesktopCommandLine unknown = ParseDesktopCommandLine({"--metric", "TDI"});
    EXPECT_EQ(unknown.action, Action::usageError);
    EXPECT_EQ(unknown.error, "unknown option '--metric'");
    const DesktopCommandLine two = ParseDesktopCommandLine({"a.xls", "b.xls"});
    EXPECT_EQ(two.action, Action::usageError);
    EXPECT_EQ(two.error, "one workbook at a time");

    // After "--" a name that starts with a dash is a workbook.
    const DesktopCommandLine dashed = ParseDesktopCommandLine({"--", "-samples.xlsx"});
    EXPECT_EQ(dashed.action, Action::run);
    EXPECT_EQ(dashed.workbook, "-samples.xlsx");
    // A lone "-" is a name, not an option.
    EXPECT_EQ(ParseDesktopCommandLine({"-"}).workbook, "-");
}

TEST(DesktopCommandLine, HelpAndVersionAreFoundAmongQtsOwnOptions)
{
    // Before the application object exists Qt's options are still there; --help and
    // --version are answered all the same, and nothing after "--" is an option.
    EXPECT_EQ(InformationAsked({"-platform", "offscreen", "--version"}), Action::version);
    EXPECT_EQ(InformationAsked({"-style", "fusion", "-h"}), Action::help);
    EXPECT_EQ(InformationAsked({"river.xlsx"}), Action::run);
    EXPECT_EQ(InformationAsked({"-platform", "xcb"}), Action::run);
    EXPECT_EQ(InformationAsked({"--", "--version"}), Action::run);
}

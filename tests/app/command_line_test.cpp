// The command line: what each argument list asks for (read without any window system), and
// the program itself answering --help, --version and bad arguments before it opens a window
// or a socket, run in a network namespace without any interface.

#include "About_box.h"
#include "Command_line.h"
#include "program_run.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Action = CommandLine::Action;

TEST(CommandLine, EachArgumentListAsksForOneThing)
{
    const struct {
        QStringList args;
        Action action;
        QString file;
    } cases[] = {
        {{}, Action::MainWindow, {}},
        {{"prova.dmg"}, Action::ViewFile, "prova.dmg"},
        {{"--", "-strano.dmg"}, Action::ViewFile, "-strano.dmg"},
        {{"--help"}, Action::ShowHelp, {}},
        {{"--version"}, Action::ShowVersion, {}},
        // Qt's own options are the application object's; they are no error here.
        {{"-platform", "offscreen", "prova.dmg"}, Action::ViewFile, "prova.dmg"},
        {{"--bogus"}, Action::UsageError, {}},
        {{"-platform"}, Action::UsageError, {}}, // its value is missing
        {{"uno.dmg", "due.dmg"}, Action::UsageError, {}},
        {{""}, Action::UsageError, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CommandLine cl = parse_command_line(QStringList{"grafion"} + c.args);
        EXPECT_EQ(cl.action, c.action);
        EXPECT_EQ(cl.file, c.file);
        EXPECT_EQ(cl.error.isEmpty(), c.action != Action::UsageError) << cl.error.toStdString();
    }
    EXPECT_TRUE(parse_command_line({"grafion", "--bogus"}).error.contains("bogus"));
}

TEST(CommandLine, ExportsTakeTwoFilesAndOnlyTheirOwnOptions)
{
    const QSize defaultSize(1200, 700);
    const struct {
        const char* args; // split at the spaces
        Action action;
        bool semicolon = false;
        QSize size = {};
    } cases[] = {
        {"--export-csv a.dmg a.csv", Action::ExportCsv},
        {"a.dmg --export-csv --csv-semicolon a.csv", Action::ExportCsv, true},
        {"--export-pdf a.dmg a.pdf", Action::ExportPdf},
        {"--export-png a.dmg a.png", Action::ExportPng, false, defaultSize},
        {"--export-png --size 640x480 a.dmg a.png", Action::ExportPng, false, {640, 480}},
        {"--export-csv a.dmg", Action::UsageError},
        {"--export-pdf --csv-semicolon a.dmg a.pdf", Action::UsageError},
        {"--export-png --size 640x8001 a.dmg a.png", Action::UsageError},
        {"--export-png a.dmg a.png --size", Action::UsageError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const CommandLine cl =
            parse_command_line(QStringList{"grafion"} + QString(c.args).split(' '));
        EXPECT_EQ(cl.action, c.action) << cl.error.toStdString();
        if (c.action == Action::UsageError) {
            EXPECT_FALSE(cl.error.isEmpty());
            continue;
        }
        EXPECT_EQ(cl.file, "a.dmg");
        EXPECT_TRUE(cl.output.startsWith("a."));
        EXPECT_EQ(cl.csvSemicolon, c.semicolon);
        if (c.action == Action::ExportPng) {
            EXPECT_EQ(cl.size, c.size);
        }
    }
    EXPECT_EQ(parse_command_line({"grafion", "--export-csv", "", "a.csv"}).action,
              Action::UsageError);
}

// ---- The programs themselves -------------------------------------------------------------

// Whether this process may make a network namespace of its own (root, or root of a user
// namespace as the test runner makes).
bool can_unshare_network()
{
    QTemporaryDir dir;
    return run_program("unshare", {"-n", "true"}, dir.path()).code == 0;
}

struct ProgramCase {
    const char* program;
    QStringList args;
    int code;
    const char* out; // what standard output starts with ("" = nothing at all)
    const char* err; // what standard error holds ("" = nothing at all)
};

const ProgramCase kProgramCases[] = {
    {GRAFION_BIN, {"--help"}, 0, "Usage: grafion [options] [FILE]\n", ""},
    {GRAFION_BIN, {"--version"}, 0, "grafion " GRAFION_VERSION "\n", ""},
    {GRAFION_BIN, {"--bogus"}, 2, "", "Usage: grafion"},
    {GRAFION_BIN, {"manca.dmg"}, 1, "", "manca.dmg: no such file"},
    {GRAFION_BIN, {"--export-csv", "manca.dmg", "out.csv"}, 1, "", "manca.dmg: no such file"},
    {GRAFION_BIN, {"--export-pdf", "manca.dmg"}, 2, "", "Usage: grafion"},
    {GRAFION_SIM_BIN, {"--version"}, 0, "grafion-sim " GRAFION_VERSION "\n", ""},
};

void check(const ProgramCase& c, const ProgramOutcome& o, const QString& folder)
{
    EXPECT_EQ(o.code, c.code) << o.err.toStdString();
    if (*c.out)
        EXPECT_TRUE(o.out.startsWith(c.out)) << o.out.toStdString();
    else
        EXPECT_TRUE(o.out.isEmpty()) << o.out.toStdString();
    if (*c.err)
        EXPECT_TRUE(o.err.contains(c.err)) << o.err.toStdString();
    else
        EXPECT_TRUE(o.err.isEmpty()) << o.err.toStdString();
    // The main window would have read and written its settings file here.
    EXPECT_EQ(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
}

// Run in a network namespace without any interface, not even loopback: a program that tried
// the network would fail or hang.
TEST(Programs, AnswerWithoutAnyNetworkInterface)
{
    if (!can_unshare_network())
        GTEST_SKIP() << "no network namespace can be made here (not root)";
    for (const ProgramCase& c : kProgramCases) {
        SCOPED_TRACE((QString(c.program).section('/', -1) + ' ' + c.args.join(' ')).toStdString());
        QTemporaryDir folder;
        check(c, run_program("unshare", QStringList{"-n", c.program} + c.args, folder.path()),
              folder.path());
    }
}

} // namespace

int main(int argc, char** argv)
{
    // No window system: the command line is read before the program has one.
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

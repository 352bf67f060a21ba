#include "Command_line.h"

#include "About_box.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace {

const QString kProgram = QStringLiteral("grafion");

// Options the application object reads itself; accepted here so that they still work, and
// hidden from the help, which is about the program's own options.
struct ToolkitOption {
    const char* name;
    bool takesValue;
};
constexpr ToolkitOption kToolkitOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},
    {"qwindowtitle", true},    {"style", true},
    {"stylesheet", true},      {"session", true},
    {"display", true},         {"reverse", false},
};

// One parser for parsing and for the help text, so the two never disagree.
struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version and exit.")};

    Parser()
    {
        // -style, -platform and the like are single-dash words, as Qt's own options are.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(QStringLiteral(
            "Shows, saves and prints live signals of a machine controller on Ethernet."));
        parser.addOption(help);
        parser.addOption(version);
        for (const ToolkitOption& t : kToolkitOptions) {
            QCommandLineOption o(QString::fromLatin1(t.name));
            if (t.takesValue)
                o.setValueName(QStringLiteral("value"));
            o.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(o);
        }
        parser.addPositionalArgument(QStringLiteral("FILE"),
                                     QStringLiteral(
                                         "A saved diagram (*.dmg) to open in the viewer alone."),
                                     QStringLiteral("[FILE]"));
    }
};

} // namespace

CommandLine parse_command_line(const QStringList& arguments)
{
    Parser p;
    CommandLine result;
    if (!p.parser.parse(arguments)) {
        result.action = CommandLine::Action::UsageError;
        result.error = p.parser.errorText();
        return result;
    }
    if (p.parser.isSet(p.help)) {
        result.action = CommandLine::Action::ShowHelp;
        return result;
    }
    if (p.parser.isSet(p.version)) {
        result.action = CommandLine::Action::ShowVersion;
        return result;
    }
    const QStringList files = p.parser.positionalArguments();
    if (files.size() > 1) {
        result.action = CommandLine::Action::UsageError;
        result.error = QStringLiteral("Only one file can be opened at a time.");
    } else if (files.size() == 1) {
        if (files.constFirst().isEmpty()) {
            result.action = CommandLine::Action::UsageError;
            result.error = QStringLiteral("The file name is empty.");
        } else {
            result.action = CommandLine::Action::ViewFile;
            result.file = files.constFirst();
        }
    }
    return result;
}

QStringList command_line_arguments(int argc, char** argv)
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

QString usage_text()
{
    Parser p;
    // Qt names the program by its path, or not at all before the application object
    // exists; the usage line names it as a user types it.
    QString text = p.parser.helpText();
    const qsizetype firstLineEnd = text.indexOf(QLatin1Char('\n'));
    text.replace(0, firstLineEnd, QStringLiteral("Usage: %1 [options] [FILE]").arg(kProgram));
    text += QStringLiteral(
        "\n"
        "Without FILE, Grafion opens its main window and at once broadcasts for the\n"
        "controller on the network interface chosen in \"Imposta Connessione\" (UDP, from\n"
        "port 5000 to port 1645). With FILE, it opens only the viewer of saved diagrams:\n"
        "no main window, no network.\n"
        "\n"
        "The settings are kept in ethernet_set.dat in the working directory.\n"
        "Qt's standard options (-platform, -style, ...) are accepted. See grafion(1).\n");
    return text;
}

QString version_text()
{
    return QStringLiteral("%1 %2\nQt %3\n")
        .arg(kProgram, grafion_version(), QString::fromLatin1(qVersion()));
}

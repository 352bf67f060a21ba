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
    QCommandLineOption exportCsv{
        QStringLiteral("export-csv"),
        QStringLiteral("Write the samples of the diagram file IN to OUT as comma-separated "
                       "values (RFC 4180: comma separator, dot decimals), then exit.")};
    QCommandLineOption csvSemicolon{
        QStringLiteral("csv-semicolon"),
        QStringLiteral("With --export-csv: semicolon separator and comma decimals, as "
                       "spreadsheets in Italian locales read them.")};
    QCommandLineOption exportPdf{
        QStringLiteral("export-pdf"),
        QStringLiteral("Write the printed page of the diagram file IN (A4, every sample) to "
                       "the PDF file OUT, then exit.")};
    QCommandLineOption exportPng{
        QStringLiteral("export-png"),
        QStringLiteral("Write the diagram of the file IN (every sample) to the PNG picture "
                       "OUT, then exit.")};
    QCommandLineOption size{QStringLiteral("size"),
                            QStringLiteral("With --export-png: the picture's size in pixels "
                                           "(default 1200x700)."),
                            QStringLiteral("WxH")};

    Parser()
    {
        // -style, -platform and the like are single-dash words, as Qt's own options are.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(QStringLiteral(
            "Shows, saves and prints live signals of a machine controller on Ethernet."));
        parser.addOption(help);
        parser.addOption(version);
        for (const QCommandLineOption* o :
             {&exportCsv, &csvSemicolon, &exportPdf, &exportPng, &size})
            parser.addOption(*o);
        for (const ToolkitOption& t : kToolkitOptions) {
            QCommandLineOption o(QString::fromLatin1(t.name));
            if (t.takesValue)
                o.setValueName(QStringLiteral("value"));
            o.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(o);
        }
        parser.addPositionalArgument(QStringLiteral("FILE"),
                                     QStringLiteral(
                                         "A saved diagram or a recording (*.dmg or *.grec) "
                                         "to open in the viewer alone."),
                                     QStringLiteral("[FILE]"));
    }
};

// "WxH" with both sides in the accepted range.
bool parse_size(const QString& text, QSize& size)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2)
        return false;
    bool okW = false, okH = false;
    const int w = parts[0].toInt(&okW);
    const int h = parts[1].toInt(&okH);
    auto inRange = [](int v) { return v >= kMinPictureSide && v <= kMaxPictureSide; };
    if (!okW || !okH || !inRange(w) || !inRange(h))
        return false;
    size = QSize(w, h);
    return true;
}

// The export actions: one export option, its two files and its own options.
CommandLine parse_export(const Parser& p, CommandLine result)
{
    auto usage = [&result](const QString& error) {
        result.action = CommandLine::Action::UsageError;
        result.error = error;
        return result;
    };
    const bool csv = p.parser.isSet(p.exportCsv);
    const bool pdf = p.parser.isSet(p.exportPdf);
    const bool png = p.parser.isSet(p.exportPng);
    if (int(csv) + int(pdf) + int(png) > 1)
        return usage(QStringLiteral("Only one of --export-csv, --export-pdf and --export-png "
                                    "can be given."));
    const QString option = csv   ? QStringLiteral("--export-csv")
                           : pdf ? QStringLiteral("--export-pdf")
                                 : QStringLiteral("--export-png");
    if (p.parser.isSet(p.csvSemicolon) && !csv)
        return usage(QStringLiteral("--csv-semicolon goes with --export-csv only."));
    if (p.parser.isSet(p.size) && !png)
        return usage(QStringLiteral("--size goes with --export-png only."));
    const QStringList files = p.parser.positionalArguments();
    if (files.size() != 2)
        return usage(QStringLiteral("%1 needs two files: the diagram file and the file to "
                                    "write.")
                         .arg(option));
    if (files[0].isEmpty() || files[1].isEmpty())
        return usage(QStringLiteral("The file name is empty."));
    if (p.parser.isSet(p.size) && !parse_size(p.parser.value(p.size), result.size))
        return usage(QStringLiteral("--size wants WIDTHxHEIGHT in pixels, each from %1 to %2, "
                                    "not \"%3\".")
                         .arg(kMinPictureSide)
                         .arg(kMaxPictureSide)
                         .arg(p.parser.value(p.size)));
    result.action = csv   ? CommandLine::Action::ExportCsv
                    : pdf ? CommandLine::Action::ExportPdf
                          : CommandLine::Action::ExportPng;
    result.file = files[0];
    result.output = files[1];
    result.csvSemicolon = p.parser.isSet(p.csvSemicolon);
    return result;
}

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
    if (p.parser.isSet(p.exportCsv) || p.parser.isSet(p.exportPdf) || p.parser.isSet(p.exportPng))
        return parse_export(p, result);
    if (p.parser.isSet(p.csvSemicolon) || p.parser.isSet(p.size)) {
        result.action = CommandLine::Action::UsageError;
        result.error = QStringLiteral("--csv-semicolon and --size go with an export only.");
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
    text.replace(0, firstLineEnd,
                 QStringLiteral("Usage: %1 [options] [FILE]\n"
                                "       %1 --export-csv [--csv-semicolon] IN OUT.csv\n"
                                "       %1 --export-pdf IN OUT.pdf\n"
                                "       %1 --export-png [--size WxH] IN OUT.png")
                     .arg(kProgram));
    text += QStringLiteral(
        "\n"
        "Without FILE, Grafion opens its main window and at once broadcasts for the\n"
        "controller on the network interface chosen in \"Imposta Connessione\" (UDP, from\n"
        "port 5000 to port 1645). With FILE, it opens only the viewer of saved diagrams:\n"
        "no main window, no network.\n"
        "\n"
        "The exports write the whole of IN, a saved diagram (*.dmg) or a recording\n"
        "(*.grec, one CSV row per sample), to OUT and exit, without any window or\n"
        "network; they need no display. Exit status: 0 when OUT was written, 1 when IN\n"
        "cannot be read or OUT cannot be written (OUT is then left as it was), 2 for a\n"
        "usage error.\n"
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

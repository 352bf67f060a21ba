#include "CommandLineExport.h"

#include "DiagramRows.h"
#include "Dmg_file.h"
#include "OffscreenDiagram.h"
#include "PageExport.h"
#include "RecordingRows.h"
#include "Recording_view.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>

namespace {

void error_line(const QString& text)
{
    std::fputs(QStringLiteral("grafion: %1\n").arg(text).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

// Reads the whole diagram file; on failure says why on standard error and returns false.
bool read_input(const QString& path, DmgContents& contents)
{
    if (!QFileInfo(path).isFile()) {
        error_line(QStringLiteral("%1: no such file").arg(path));
        return false;
    }
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) {
        error_line(QStringLiteral("cannot read %1: %2").arg(path, probe.errorString()));
        return false;
    }
    probe.close();
    DmgReadResult result = DmgReadResult::Missing;
    try {
        result = dmg_read_contents(path, kDmgMaxCount, contents);
    } catch (const std::exception& e) {
        error_line(
            QStringLiteral("cannot read %1: %2").arg(path, QString::fromLocal8Bit(e.what())));
        return false;
    }
    switch (result) {
    case DmgReadResult::Loaded:
        return true;
    case DmgReadResult::Missing:
        error_line(QStringLiteral("%1: no such file").arg(path));
        return false;
    case DmgReadResult::BadFile:
        error_line(QStringLiteral("%1: not a diagram file, or a damaged one").arg(path));
        return false;
    case DmgReadResult::BadCount:
        error_line(QStringLiteral("%1: the sample count is 0 or more than %2")
                       .arg(path)
                       .arg(kDmgMaxCount));
        return false;
    }
    return false;
}

// Whether the file at `path` starts as a recording does (else it is taken for a diagram
// file, whose reader says what is wrong with it).
bool is_recording(const QString& path)
{
    QFile file(path);
    char magic[kRecordingMagic.size()] = {};
    return file.open(QIODevice::ReadOnly)
           && file.read(magic, qint64(sizeof magic)) == qint64(sizeof magic)
           && std::equal(std::begin(magic), std::end(magic), kRecordingMagic.begin());
}

// Opens a recording; on failure says why on standard error and returns null.
std::unique_ptr<RecordingFile> open_recording(const QString& path)
{
    std::string error;
    auto file = RecordingFile::open(QFile::encodeName(path).toStdString(), error);
    if (!file)
        error_line(QStringLiteral("cannot read %1: %2").arg(path, QString::fromStdString(error)));
    else if (file->count() == 0) {
        error_line(QStringLiteral("%1: the recording holds no samples").arg(path));
        file.reset();
    }
    return file;
}

// An output that is the diagram file itself would replace the data with its export.
bool refuse_same_file(const CommandLine& command)
{
    const QString in = QFileInfo(command.file).canonicalFilePath();
    if (in.isEmpty() || in != QFileInfo(command.output).canonicalFilePath())
        return false;
    error_line(
        QStringLiteral("%1 is the diagram file itself; it is not overwritten").arg(command.output));
    return true;
}

int written(const QString& path, const QString& failure)
{
    if (failure.isEmpty())
        return 0;
    error_line(QStringLiteral("cannot write %1: %2").arg(path, failure));
    return 1;
}

bool platform_given(int argc, char** argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-platform" || arg == "--platform" || arg.startsWith("-platform=")
            || arg.startsWith("--platform="))
            return true;
    }
    return false;
}

// Standard error carries the export's own lines only: the toolkit's notes on its set-up
// (no runtime folder, say) are no concern of a batch export; its criticals still show.
void keep_toolkit_quiet(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg)
        return;
    std::fputs(qFormatLogMessage(type, context, text).toLocal8Bit().append('\n').constData(),
               stderr);
}

} // namespace

int export_csv_from_command_line(const CommandLine& command)
{
    if (refuse_same_file(command))
        return 1;
    const CsvStyle style = command.csvSemicolon ? CsvStyle::Semicolon : CsvStyle::Comma;
    if (is_recording(command.file)) {
        const std::unique_ptr<RecordingFile> file = open_recording(command.file);
        if (!file)
            return 1;
        RecordingRows rows(*file);
        return written(command.output, csv_save(command.output, rows, style));
    }
    DmgContents contents;
    if (!read_input(command.file, contents))
        return 1;
    const DmgDisplaySettings settings = dmg_display_settings(contents.header);
    QStringList names;
    for (const QString& name : settings.names)
        names << name;
    SampleRows rows(contents.records.data(), contents.records.size(), names);
    return written(command.output, csv_save(command.output, rows, style));
}

int export_page_from_command_line(const CommandLine& command, int argc, char** argv)
{
    if (refuse_same_file(command))
        return 1;
    // A recording is drawn through its min/max summaries, read from beside it or built.
    DmgContents contents;
    std::unique_ptr<RecordingView> recording;
    if (is_recording(command.file)) {
        std::unique_ptr<RecordingFile> file = open_recording(command.file);
        if (!file)
            return 1;
        std::unique_ptr<RecordingSummary> summary = RecordingSummary::load_or_build(*file, {});
        recording = std::make_unique<RecordingView>(std::move(file), std::move(summary));
    } else if (!read_input(command.file, contents)) {
        return 1;
    }
    if (!platform_given(argc, argv))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(keep_toolkit_quiet);
    QApplication app(argc, argv);
    const std::unique_ptr<OffscreenDiagram> offscreen =
        recording ? std::make_unique<OffscreenDiagram>(std::move(recording))
                  : std::make_unique<OffscreenDiagram>(contents);
    OffscreenDiagram& loaded = *offscreen;
    if (command.action == CommandLine::Action::ExportPdf)
        return written(command.output,
                       export_pdf(command.output, loaded.diagram(), loaded.names(), true));
    return written(command.output, export_png(command.output, diagram_picture(loaded.diagram(),
                                                                              command.size, true)));
}

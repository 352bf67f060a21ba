// The viewer with a recording: the file is mapped, its min/max summaries read from beside it
// or built (a progress window shows when that takes more than a moment, and cancelling it
// leaves the viewer as it was), and the diagram draws from the recording through them.

#include "Load_dat.h"

#include "Diagramx.h"
#include "ProgressWindow.h"
#include "Recording_view.h"
#include "message_box.h"

#include <QFileInfo>

namespace {

// Shown when a recording cannot be taken; the library's reason stays in the log.
void refuse(const QString& text)
{
    message_box(text, QStringLiteral("Attenzione"), MessageIcon::Stop);
}

} // namespace

bool TForm_load_dat::load_recording(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return false; // as for a missing diagram file: nothing to say
    std::string error;
    std::unique_ptr<RecordingFile> file =
        RecordingFile::open(QFile::encodeName(path).toStdString(), error);
    if (!file) {
        qWarning("%s", error.c_str());
        refuse(info.isReadable() ? QStringLiteral("File Registrazione Errato!")
                                 : QStringLiteral("Impossibile leggere il file!"));
        return false;
    }
    if (file->count() == 0) {
        refuse(QStringLiteral("Registrazione senza campioni!"));
        return false;
    }

    ProgressWindow progress(QStringLiteral("Preparazione della registrazione..."),
                            QStringLiteral("Grafion"), this, 400);
    std::unique_ptr<RecordingSummary> summary =
        RecordingSummary::load_or_build(*file, [&progress](double share) {
            return progress.advance(share);
        });
    progress.close();
    if (!summary)
        return false; // cancelled: the viewer shows what it showed

    const RecordingHeader& header = file->header();
    for (int i = 0; i < kChannels; ++i) {
        const QString name = QString::fromStdString(header.name[std::size_t(i)]);
        Panel_dat_mis[i]->setCaption(name);
        dmg_set_name(names_[i], name);
        viewer_diagram->channelColor[i] = Color(header.colour[std::size_t(i)] & 0xFFFFFF);
    }
    auto view = std::make_unique<RecordingView>(std::move(file), std::move(summary));
    viewer_diagram->Clear();
    viewer_diagram->source = view.get();
    recording_ = std::move(view); // the one shown before goes only now
    show_loaded();
    return true;
}

#pragma once
// A diagram file in a diagram that is never shown, set up as the viewer shows the file: its
// colours and names, its fixed Y scale when the file has it switched on, every channel
// shown; or a recording, drawn through its summaries as the viewer draws it. The command
// line exports from it. Needs the application object (the diagram's controls are widgets,
// though no window ever appears).

#include "Dmg_file.h"

#include <QStringList>
#include <QWidget>

#include <memory>

class RecordingView;

class OffscreenDiagram {
public:
    // Takes the file's contents; its count must fit the diagram (dmg_read_contents with
    // kDmgMaxCount makes sure of it).
    explicit OffscreenDiagram(const DmgContents& contents);
    // Takes the recording: the diagram draws from it, its colours and names from its header.
    explicit OffscreenDiagram(std::unique_ptr<RecordingView> recording);
    ~OffscreenDiagram();
    OffscreenDiagram(const OffscreenDiagram&) = delete;
    OffscreenDiagram& operator=(const OffscreenDiagram&) = delete;

    Diagramx& diagram() { return *diagram_; }
    // The names as the printed legend takes them: 8 zero-padded slots of 50 bytes.
    const char* names() const { return &names_[0][0]; }

private:
    std::unique_ptr<RecordingView> recording_; // goes after the diagram that draws from it
    QWidget host_;
    std::unique_ptr<Diagramx> diagram_;
    char names_[kDmgChannels][kDmgNameSize] = {};
};

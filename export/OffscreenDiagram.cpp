#include "OffscreenDiagram.h"

#include "Diagramx.h"
#include "Recording_view.h"

OffscreenDiagram::OffscreenDiagram(const DmgContents& contents)
    : diagram_(std::make_unique<Diagramx>(&host_, kDmgChannels, 5000, kDmgMaxCount + 1))
{
    Diagramx& d = *diagram_;
    const DmgDisplaySettings settings = dmg_fill(d, contents);
    for (int i = 0; i < kDmgChannels; ++i)
        dmg_set_name(names_[i], settings.names[i]);
    d.view.fixedScale = std::uint8_t(settings.flags & 1u);
    d.view.fixedYMax = settings.y_max;
    d.view.fixedYMin = settings.y_min;
}

OffscreenDiagram::OffscreenDiagram(std::unique_ptr<RecordingView> recording)
    : recording_(std::move(recording)),
      diagram_(std::make_unique<Diagramx>(&host_, kDmgChannels, 5000, 4096))
{
    Diagramx& d = *diagram_;
    const RecordingHeader& header = recording_->file().header();
    for (int i = 0; i < kDmgChannels && i < kRecordingChannels; ++i) {
        d.channelColor[i] = Color(header.colour[std::size_t(i)] & 0xFFFFFF);
        dmg_set_name(names_[i], QString::fromStdString(header.name[std::size_t(i)]));
    }
    d.source = recording_.get();
}

OffscreenDiagram::~OffscreenDiagram() = default;

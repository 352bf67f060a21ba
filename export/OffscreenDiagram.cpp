#include "OffscreenDiagram.h"

#include "Diagramx.h"
#include "Recording_view.h"

#include <algorithm>
#include <cstring>

OffscreenDiagram::OffscreenDiagram(const DmgContents& contents)
    : diagram_(std::make_unique<Diagramx>(&host_, kDmgChannels, 5000, kDmgMaxCount + 1))
{
    Diagramx& d = *diagram_;
    const std::uint32_t count =
        std::min<std::uint32_t>(std::uint32_t(contents.records.size()), d.capacity - 1);
    std::memcpy(&d.samples[0], contents.records.data(), std::size_t(count) * sizeof(Sample));
    d.head = 0;
    d.tail = count;
    const DmgHeader& header = contents.header;
    const DmgDisplaySettings settings = dmg_display_settings(header);
    for (int i = 0; i < kDmgChannels; ++i) {
        d.channelColor[i] = header.colour[i];
        dmg_set_name(names_[i], settings.names[i]);
    }
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

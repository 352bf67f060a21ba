#include "RecordingRows.h"

namespace {

// Rows between two releases of the pages read.
constexpr std::uint64_t kReleaseEvery = std::uint64_t(1) << 20;

QStringList header_names(const RecordingFile& file)
{
    QStringList names;
    for (const std::string& name : file.header().name)
        names << QString::fromStdString(name);
    return names;
}

} // namespace

RecordingRows::RecordingRows(const RecordingFile& file, const QStringList& names,
                             RecordingFile::Span span)
    : CsvRowSource(names), file_(file), span_(span), next_(span.first)
{
    span_.last = std::min(span_.last, file.count());
    span_.first = std::min(span_.first, span_.last);
    next_ = span_.first;
}

RecordingRows::RecordingRows(const RecordingFile& file)
    : RecordingRows(file, header_names(file), {0, file.count()})
{}

bool RecordingRows::next(CsvRow& row)
{
    if (next_ >= span_.last)
        return false;
    std::int16_t v[kRecordingChannels];
    file_.values(next_, v);
    for (int ch = 0; ch < kCsvChannels; ++ch)
        row.value[ch] = ch < kRecordingChannels ? v[ch] : 0;
    row.t = file_.time(next_);
    ++next_;
    if ((next_ - span_.first) % kReleaseEvery == 0)
        file_.release(next_ - kReleaseEvery, next_);
    return true;
}

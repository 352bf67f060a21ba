#pragma once
// The samples of a recording as rows for the CSV writer: one row per record, at the time the
// recording gives it (i * sample period), oldest first. The records are read from the mapped
// file as the rows are taken, and the pages read are let go now and then, so that a
// recording of any length is written with little memory.

#include "CsvWriter.h"
#include "Recording_file.h"

#include <QStringList>

#include <cstdint>

class RecordingRows : public CsvRowSource {
public:
    // Records span.first .. span.last - 1 of `file` under `names`; the file must outlive
    // the rows.
    RecordingRows(const RecordingFile& file, const QStringList& names, RecordingFile::Span span);
    // Every record of the file, under the channel names its header gives.
    explicit RecordingRows(const RecordingFile& file);

    std::uint64_t count() const { return span_.last - span_.first; }

    bool next(CsvRow& row) override;

private:
    const RecordingFile& file_;
    RecordingFile::Span span_;
    std::uint64_t next_ = 0;
};

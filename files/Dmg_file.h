#pragma once
// Diagram data files (*.dmg): a 452-byte little-endian header with an XOR check byte,
// followed by the samples of one acquisition as 72-byte records, oldest first.

#include "Diagramx.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr std::size_t kDmgHeaderSize = 452;
constexpr std::size_t kDmgRecordSize = 72;
constexpr std::size_t kDmgNameSize = 50; // per channel, zero-padded
constexpr int kDmgChannels = 8;
constexpr std::uint32_t kDmgMaxCount = 20000;

// The header as the program works with it; dmg_encode_header / dmg_decode_header convert
// it from and to the 452 bytes in the file.
struct DmgHeader {
    std::uint32_t count = 0;                    // offset 0
    char name[kDmgChannels][kDmgNameSize] = {}; // offset 4, 50 bytes each
    std::uint32_t colour[kDmgChannels] = {};    // offset 404, 0x00BBGGRR
    std::int32_t y_max = 0;                     // offset 436
    std::int32_t y_min = 0;                     // offset 440
    std::uint32_t flags = 0;                    // offset 444, bit 0: fixed Y scale on
    std::uint8_t check = 0;                     // offset 448
    // offsets 449..451 are reserved and written as zero
};

using DmgHeaderBytes = std::array<std::uint8_t, kDmgHeaderSize>;

// The 452 bytes of a header, as they stand (check byte included as given).
DmgHeaderBytes dmg_encode_header(const DmgHeader& header);
DmgHeader dmg_decode_header(const DmgHeaderBytes& bytes);
// XOR of all bytes; 0 for a header whose check byte is right.
std::uint8_t dmg_xor(const std::uint8_t* bytes, std::size_t count);
// Sets header.check so that the XOR of the encoded header is 0.
void dmg_seal_header(DmgHeader& header);

// What a diagram file carries besides the samples and the colours.
struct DmgDisplaySettings {
    QString names[kDmgChannels]; // texts of the channel selectors
    std::int16_t y_max = 0;
    std::int16_t y_min = 0;
    std::uint32_t flags = 0; // the whole view flags word
};

// The name slot of a channel: the text as single-byte characters (a character that has
// none becomes '?'), cut to 49 bytes, zero-padded to 50.
void dmg_set_name(char (&slot)[kDmgNameSize], const QString& name);
// A name slot up to its first zero byte, or all 50 bytes when there is none.
QString dmg_name(const char (&slot)[kDmgNameSize]);

// Writes the samples that the diagram holds, oldest first, with the given names, limits and
// flags and the diagram's colours, to path. The file is written beside the target under a
// temporary name and renamed over it at the end, so a failed save leaves an existing file
// as it was. Throws std::runtime_error, naming the file and the reason, when the file
// cannot be written. A diagram without samples is the caller's to refuse.
void dmg_write(const QString& path, const Diagramx& diagram, const DmgDisplaySettings& settings);

enum class DmgReadResult {
    Loaded,
    Missing,  // no such file: the caller stops without a message
    BadFile,  // "File Dati Errato!": too short, or the check byte is wrong
    BadCount, // "Errore Numero Dati!": count 0 or more than the diagram can hold
};

// What a diagram file holds, read without a diagram (an export on the command line, say).
struct DmgContents {
    DmgHeader header;
    std::vector<Sample> records; // header.count of them, oldest first
};

// Reads and checks a whole diagram file: size, check byte, a count from 1 to `most`, and
// every record present. On any result other than Loaded `contents` has not changed. Throws
// std::runtime_error when an existing file cannot be opened.
DmgReadResult dmg_read_contents(const QString& path, std::uint32_t most, DmgContents& contents);

// The names (cut at their zero byte or at 50 bytes), the low 16 bits of the limits and the
// flags of a header.
DmgDisplaySettings dmg_display_settings(const DmgHeader& header);

// Puts the samples of a file read into the diagram's ring as samples 0..N-1 (head 0, tail
// N; as many as the ring holds) with the file's channel colours, and returns its display
// settings. The ring is not emptied first.
DmgDisplaySettings dmg_fill(Diagramx& diagram, const DmgContents& contents);

// Reads a diagram file into diagram: Clear(), samples 0..N-1, head 0, tail N, the colours.
// settings receives the names (cut at their zero byte or at 50 bytes), the low 16 bits of
// the limits and the flags. On any result other than Loaded neither diagram nor settings
// have changed. A file that ends before its last record is a BadFile. Throws
// std::runtime_error when an existing file cannot be opened or read.
DmgReadResult dmg_read(const QString& path, Diagramx& diagram, DmgDisplaySettings& settings);

// dmg_read, with the program's messages for a rejected file ("File Dati Errato!",
// "Errore Numero Dati!", title "Attenzione", stop icon). True when the file was loaded.
bool dmg_load(const QString& path, Diagramx& diagram, DmgDisplaySettings& settings);

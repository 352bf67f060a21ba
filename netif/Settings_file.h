// The settings file ethernet_set.dat: 29 bytes in the working directory at start-up, a check
// byte (XOR of the 28 bytes that follow, so the XOR of the whole file is 0) and the
// EthernetSettings record, multi-byte fields little-endian:
//
//   record offset  0  mac (6)          12  y_max (i16)     24  trigger_mode
//                  6  server_ip (u32)  14  y_min (i16)     25  event_channel
//                 10  server_port      16  reserved (4)    26  reserved (2)
//                                      20  view_flags (u32)
#pragma once

#include "Link_types.h"

#include <array>
#include <cstdint>

constexpr std::size_t SETTINGS_RECORD_SIZE = 28;
constexpr std::size_t SETTINGS_FILE_SIZE = 29;
constexpr const char* SETTINGS_FILE_NAME = "ethernet_set.dat";
// Trigger modes ("Rolling Data", "AutoTrigger-Event ", "Single Shot-Event ") and event items.
constexpr std::uint8_t SETTINGS_TRIGGER_MODES = 3;
constexpr std::uint8_t SETTINGS_EVENT_CHANNELS = 20;

// Controller address stored in a defaulted record (192.168.1.10); never read back.
constexpr std::uint32_t DEFAULT_SERVER_IP = 0xC0A8010A;
constexpr std::uint16_t DEFAULT_SERVER_PORT = 1645;
constexpr std::int16_t DEFAULT_Y_MAX = 2000;
constexpr std::int16_t DEFAULT_Y_MIN = -2000;

std::array<std::uint8_t, SETTINGS_RECORD_SIZE> settings_encode(const EthernetSettings& record);
EthernetSettings settings_decode(const std::uint8_t* bytes); // SETTINGS_RECORD_SIZE bytes
std::uint8_t settings_check_byte(const std::uint8_t* bytes); // XOR of the record bytes

// Sets settings_dir to the current working directory and settings_path to the file in it,
// then reads the file into `settings`. A missing file, one of another size, an unreadable
// one, one failing its check byte and anything of that name that is not a regular file (a
// FIFO is never waited on) is replaced by the defaults (settings_reset_defaults).
void settings_load();

// Defaults into `settings` (no adapter remembered), then written as settings_save does.
void settings_reset_defaults();

// Writes `settings` to settings_path through a temporary file in the same folder renamed
// over the target, so the file is either the old one or the new one, whole. Returns false
// when it could not be written (read-only file or folder, ...); the settings in memory stay
// as they are and the program runs on with them.
bool settings_save();

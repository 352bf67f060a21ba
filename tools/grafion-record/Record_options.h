#pragma once
// The command line of grafion-record: what it is asked to do, the usage text and the exit
// codes.
#include <optional>
#include <string>
#include <vector>

// Exit codes, as --help and the manual page list them.
enum RecordExit : int {
    kExitSuccess = 0,      // recorded for the time asked (or until interrupted), link never lost
    kExitRecordFailed = 1, // the file could not be written (created, disk full, I/O error)
    kExitUsage = 2,        // a wrong command line
    kExitNoInterface = 3,  // no such interface, or it has no IPv4 address
    kExitNoController = 4, // no controller answered or accepted the connection
    kExitLinkLost = 5,     // the link was lost during the recording (the file has a gap,
                           // or ends early when it did not come back)
};

struct RecordOptions {
    std::string interface_name;
    double seconds = 0;              // 0: until interrupted
    unsigned char trigger_mode = 0;  // a TriggerMode
    unsigned char event_channel = 0; // event selection index
    double sample_period = 0.001;    // written into the header
    double discovery_wait = 10;      // seconds to find and connect to the controller
    double reconnect_wait = 30;      // seconds the link may stay lost before giving up
    bool quiet = false;              // no progress lines
    std::string output;
};

struct ParsedOptions {
    std::optional<RecordOptions> options; // empty: see `exit_now`
    int exit_now = kExitSuccess;          // with no options: the exit code (help, version, usage)
    std::string message;                  // what to print (usage error, help, version)
};

ParsedOptions parse_record_options(const std::vector<std::string>& args);

extern const char* const kRecordUsage;

#include "Record_options.h"

#include "Link_types.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

const char* const kRecordUsage =
    "Usage: grafion-record --interface NAME [options] OUT\n"
    "Finds the controller on the network interface NAME, connects, starts an acquisition\n"
    "and records every sample it receives to the recording OUT (*.grec), until the time\n"
    "given has passed or it is interrupted (Ctrl+C ends the file cleanly). Prints its\n"
    "progress once a second and a summary at the end.\n"
    "\n"
    "Options:\n"
    "  --interface NAME      the PC's network interface the controller is on (required)\n"
    "  --seconds N           record for N seconds (default: until interrupted)\n"
    "  --trigger-mode MODE   rolling (default), auto or single: the acquisition's trigger\n"
    "                        mode; every sample is recorded in all three\n"
    "  --event-channel N     the event selection index sent to the controller (default 0)\n"
    "  --sample-period S     seconds between samples, written into the file (default 0.001)\n"
    "  --discovery-wait S    how long to look for the controller (default 10)\n"
    "  --reconnect-wait S    how long the link may stay lost before giving up (default 30)\n"
    "  --quiet               no progress lines, only the summary\n"
    "  --help                this text\n"
    "  --version             the version\n"
    "\n"
    "Exit codes:\n"
    "  0  recorded for the time asked, or until interrupted, without losing the link\n"
    "  1  the recording could not be written (file not created, disk full, write error)\n"
    "  2  wrong command line\n"
    "  3  no such interface, or it has no IPv4 address\n"
    "  4  no controller found, or it did not accept the connection\n"
    "  5  the link was lost during the recording: the file has a gap, marked on the first\n"
    "     record after it (or ends early when the link did not come back)\n";

namespace {

bool positive_number(const std::string& text, double& out, bool zero_allowed)
{
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(v) || v < 0
        || (v == 0 && !zero_allowed))
        return false;
    out = v;
    return true;
}

// The options that take a positive number of seconds.
const struct {
    const char* name;
    double RecordOptions::*field;
} kSecondsOptions[] = {
    {"--seconds", &RecordOptions::seconds},
    {"--sample-period", &RecordOptions::sample_period},
    {"--discovery-wait", &RecordOptions::discovery_wait},
    {"--reconnect-wait", &RecordOptions::reconnect_wait},
};

ParsedOptions usage_error(const std::string& what)
{
    ParsedOptions p;
    p.exit_now = kExitUsage;
    p.message = "grafion-record: " + what + "\nTry 'grafion-record --help'.\n";
    return p;
}

} // namespace

ParsedOptions parse_record_options(const std::vector<std::string>& args)
{
    RecordOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help") {
            ParsedOptions p;
            p.message = kRecordUsage;
            return p;
        }
        if (arg == "--version") {
            ParsedOptions p;
            p.message = "grafion-record " GRAFION_VERSION "\n";
            return p;
        }
        if (arg == "--quiet") {
            o.quiet = true;
            continue;
        }
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            if (!o.output.empty())
                return usage_error("more than one output file");
            o.output = arg;
            continue;
        }
        if (i + 1 >= args.size())
            return usage_error(arg + " needs a value");
        const std::string& value = args[++i];
        double number = 0;
        const auto seconds = std::find_if(std::begin(kSecondsOptions), std::end(kSecondsOptions),
                                          [&arg](const auto& s) { return arg == s.name; });
        if (seconds != std::end(kSecondsOptions)) {
            if (!positive_number(value, number, false))
                return usage_error(arg + " needs a positive number");
            o.*(seconds->field) = number;
        } else if (arg == "--interface") {
            o.interface_name = value;
        } else if (arg == "--trigger-mode") {
            if (value == "rolling")
                o.trigger_mode = TriggerRolling;
            else if (value == "auto")
                o.trigger_mode = TriggerAuto;
            else if (value == "single")
                o.trigger_mode = TriggerSingleShot;
            else
                return usage_error("--trigger-mode is rolling, auto or single");
        } else if (arg == "--event-channel") {
            if (!positive_number(value, number, true) || number > 255
                || number != std::floor(number))
                return usage_error("--event-channel needs a number from 0 to 255");
            o.event_channel = static_cast<unsigned char>(number);
        } else {
            return usage_error("unknown option " + arg);
        }
    }
    if (o.interface_name.empty())
        return usage_error("--interface is required");
    if (o.output.empty())
        return usage_error("the output file is missing");
    ParsedOptions p;
    p.options = o;
    return p;
}

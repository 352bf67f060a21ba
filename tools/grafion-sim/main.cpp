// grafion-sim: a controller simulator for Grafion. See --help.
#include "Simulator.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t quit = 0;

void on_signal(int)
{
    quit = 1;
}

const char* const usage =
    "Usage: grafion-sim [options]\n"
    "Simulates the machine controller Grafion talks to: it answers discovery broadcasts\n"
    "(datagrams to the controller port) with its IPv4 address, then serves one stream\n"
    "connection on the same port, one reply per message, with 8 channels of samples.\n"
    "\n"
    "Careful: to be found, it listens for broadcasts. Run it and Grafion on a private\n"
    "network or in a network namespace, e.g.\n"
    "  unshare -n sh -c 'ip link set lo up; grafion-sim --bind 127.0.0.1 & ...'\n"
    "\n"
    "Addresses and ports:\n"
    "  --bind ADDR          listen address (default 0.0.0.0)\n"
    "  --port N             datagram and stream port (default 1645; 0 = any free port)\n"
    "  --answer ADDR        address announced in discovery answers (default: the listen\n"
    "                       address, or the address the question arrived on)\n"
    "  --discovery ADDR     listen for discovery questions here (default: the listen\n"
    "                       address)\n"
    "  --answer-to WHERE    where discovery answers go: unicast (default; to the address\n"
    "                       and port the question came from), subnet (to the broadcast\n"
    "                       address of the subnet the question arrived on) or broadcast\n"
    "                       (to 255.255.255.255); broadcasts leave through the interface\n"
    "                       the question arrived on, to the port it came from\n"
    "Samples:\n"
    "  --rate N             samples per second (default 1000; 0 = every block is full)\n"
    "  --max-block N        most samples per block (default 100, at most 4000)\n"
    "  --modulus N          counter modulus sent in the start reply (default 10000)\n"
    "  --event-period MS    after an event reset, flag the first block holding an event,\n"
    "                       one every MS milliseconds of samples (default 1000; 0 = none)\n"
    "  --event-level CH:V   events are upward crossings of level V on channel CH (1..8)\n"
    "  --counter            channels 7 and 8 carry the sample's number from the start\n"
    "                       (low and high 16 bits), so that a lost sample shows\n"
    "Faults:\n"
    "  --drop-every N       do not send every Nth reply\n"
    "  --delay MS           delay every reply\n"
    "  --close-after N      close the connection on its Nth message\n"
    "  --split-every N      send every Nth reply in two writes\n"
    "  --split-pause MS     pause between the two writes (default 5)\n"
    "  --merge-every N      send every Nth reply together with a second reply in one write\n"
    "  --malformed-every N  replace every Nth reply by a broken frame\n"
    "  --unknown-every N    replace every Nth reply by a frame of an unknown type (99)\n"
    "  --pad N              add N zero bytes after the samples of every sample block\n"
    "  --junk-bytes N       how many random bytes the junk command sends (default 8388608)\n"
    "  --commands           read faults from standard input, one a line, each applied\n"
    "                       once to the next sample block: drop, delay (1500 ms late),\n"
    "                       close (half the block, then the connection closes), split,\n"
    "                       merge, malformed, overclaim (the block claims one sample more\n"
    "                       than it carries), junk (random bytes instead of the block);\n"
    "                       also summary (print the figures) and quit.\n"
    "                       The end of the input quits.\n"
    "Output:\n"
    "  --quiet              no summary line every second\n"
    "  --help               this text\n"
    "  --version            the version\n";

bool number(const char* text, unsigned long max, unsigned long& out)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v > max || text[0] == '-')
        return false;
    out = v;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    sim::Options options;
    options.summary = true;
    bool commands = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::fputs("grafion-sim " GRAFION_VERSION "\n", stdout);
            return 0;
        }
        if (arg == "--quiet") {
            options.summary = false;
            continue;
        }
        if (arg == "--commands") {
            commands = true;
            continue;
        }
        if (arg == "--counter") {
            options.counter = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "grafion-sim: unknown option or missing value: %s\n%s",
                         arg.c_str(), usage);
            return 2;
        }
        const char* value = argv[++i];
        unsigned long n = 0;
        bool ok = true;
        if (arg == "--bind")
            options.bind_address = value;
        else if (arg == "--answer")
            options.answer_address = value;
        else if (arg == "--discovery")
            options.discovery_address = value;
        else if (arg == "--answer-to") {
            const std::string where = value;
            ok = where == "unicast" || where == "subnet" || where == "broadcast";
            options.answer_to = where == "subnet"      ? sim::AnswerTo::Subnet
                                : where == "broadcast" ? sim::AnswerTo::Broadcast
                                                       : sim::AnswerTo::Unicast;
        } else if (arg == "--event-level") {
            unsigned long ch = 0;
            const char* colon = std::strchr(value, ':');
            char* end = nullptr;
            const long level = colon ? std::strtol(colon + 1, &end, 10) : 0;
            ok = colon && number(std::string(value, colon).c_str(), 8, ch) && ch >= 1 && end
                 && *end == '\0' && level >= -32768 && level <= 32767;
            options.level_channel = int(ch) - 1;
            options.level = static_cast<std::int16_t>(level);
        } else if ((ok = number(value, 0xFFFFFFFFul, n))) {
            if (arg == "--port" && n <= 65535)
                options.port = std::uint16_t(n);
            else if (arg == "--rate")
                options.sample_rate = unsigned(n);
            else if (arg == "--max-block" && n >= 1 && n <= 4000)
                options.max_block = unsigned(n);
            else if (arg == "--modulus" && n <= 65535)
                options.modulus = std::uint16_t(n);
            else if (arg == "--event-period")
                options.event_period_ms = unsigned(n);
            else if (arg == "--drop-every")
                options.drop_every = unsigned(n);
            else if (arg == "--delay")
                options.delay_ms = unsigned(n);
            else if (arg == "--close-after")
                options.close_after = unsigned(n);
            else if (arg == "--split-every")
                options.split_every = unsigned(n);
            else if (arg == "--split-pause")
                options.split_pause_ms = unsigned(n);
            else if (arg == "--merge-every")
                options.merge_every = unsigned(n);
            else if (arg == "--malformed-every")
                options.malformed_every = unsigned(n);
            else if (arg == "--unknown-every")
                options.unknown_every = unsigned(n);
            else if (arg == "--pad" && n <= 65535)
                options.pad_bytes = unsigned(n);
            else if (arg == "--junk-bytes")
                options.junk_bytes = std::size_t(n);
            else
                ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "grafion-sim: bad option or value: %s %s\n%s", arg.c_str(), value,
                         usage);
            return 2;
        }
    }

    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);

    sim::Simulator simulator(options);
    if (!simulator.start()) {
        std::fprintf(stderr, "grafion-sim: %s\n", simulator.error().c_str());
        return 1;
    }
    std::printf("grafion-sim: listening on %s port %u\n", options.bind_address.c_str(),
                unsigned(simulator.port()));
    std::fflush(stdout);
    while (!quit) {
        if (!commands) {
            ::pause();
            continue;
        }
        pollfd in{STDIN_FILENO, POLLIN, 0};
        if (::poll(&in, 1, 200) <= 0)
            continue;
        char line[128];
        if (!std::fgets(line, sizeof line, stdin))
            break; // end of input
        line[std::strcspn(line, "\r\n")] = '\0';
        if (std::strcmp(line, "quit") == 0)
            break;
        if (std::strcmp(line, "summary") == 0) {
            std::printf("grafion-sim: %s\n", simulator.summary_line().c_str());
        } else if (line[0] != '\0') {
            bool known = false;
            for (int k = 0; k < sim::kFaultKinds; ++k)
                if (std::strcmp(line, sim::fault_name(sim::Fault(k))) == 0) {
                    simulator.inject(sim::Fault(k));
                    known = true;
                }
            std::printf(known ? "grafion-sim: fault %s injected\n"
                              : "grafion-sim: unknown command: %s\n",
                        line);
        }
        std::fflush(stdout);
    }
    simulator.stop();
    std::printf("grafion-sim: %s\n", simulator.summary_line().c_str());
    return 0;
}

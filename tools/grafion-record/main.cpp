// grafion-record: records every sample from the controller to a file, without a window. See
// --help.
#include "Record_options.h"
#include "Record_session.h"

#include <atomic>
#include <csignal>
#include <cstdio>

namespace {

std::atomic<bool> interrupted{false};

void on_signal(int)
{
    interrupted = true;
}

} // namespace

int main(int argc, char** argv)
{
    const ParsedOptions parsed = parse_record_options({argv + 1, argv + argc});
    if (!parsed.options) {
        std::fputs(parsed.message.c_str(), parsed.exit_now == kExitSuccess ? stdout : stderr);
        return parsed.exit_now;
    }
    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // Past a file size limit a write is to fail with a message, not end the process.
    std::signal(SIGXFSZ, SIG_IGN);
    return run_recording(*parsed.options, interrupted, stdout);
}

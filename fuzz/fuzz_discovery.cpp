// Fuzz target: one datagram read on the discovery port, as the socket thread takes it.
// The controller state is cleared first; afterwards it must hold exactly the address the
// datagram carries when that is a unicast address (first byte 1 to 223), and nothing when the
// datagram is too short or names another address.
#include "Globvar.h"
#include "Scknet.h"
#include "Wire.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    link_state.controller_ip = 0;
    link_state.controller_flags = 0;
    link_state.link_status = 0;

    const bool taken = take_discovery_answer(size ? data : nullptr, size);

    const bool unicast = size >= 8 && data[4] != 0 && data[4] < 224;
    check(taken == unicast);
    check(link_state.link_status == 0);
    if (taken) {
        check(link_state.controller_ip == get_u32_be(data + 4));
        check(link_state.controller_flags == CONTROLLER_KNOWN);
    } else {
        check(link_state.controller_ip == 0 && link_state.controller_flags == 0);
    }
    return 0;
}

// Loopback helpers for the tests and benchmarks that run the link against the simulator.
#pragma once

#include "Link_types.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

// A datagram port on loopback nobody uses at the moment.
inline std::uint16_t free_udp_port()
{
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t size = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(s);
    return ntohs(a.sin_port);
}

// A network adapter on 127.0.0.1/8 with a made-up hardware address, for a fixed adapter list.
inline AdapterRecord loopback_adapter(const char* name = "test0")
{
    AdapterRecord r{};
    set_text(r.AdapterName, name);
    set_text(r.Description, "adapter on loopback");
    r.AddressLength = 6;
    const std::uint8_t mac[6] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
    std::memcpy(r.Address, mac, 6);
    r.Index = 1;
    set_text(r.IpAddressList.IpAddress, "127.0.0.1");
    set_text(r.IpAddressList.IpMask, "255.0.0.0");
    set_text(r.GatewayList.IpAddress, "0.0.0.0");
    return r;
}

// Addresses, ports and waits of the controller link. The program always runs with the
// defaults; tests override them (loopback address, free ports, shorter waits).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

struct LinkConfig {
    std::string discovery_address = "255.255.255.255";  // where discovery datagrams go
    std::uint16_t controller_port = 1645;               // controller's datagram and stream port
    std::uint16_t discovery_local_port = 5000;          // PC port of discovery and its answer
    std::chrono::milliseconds discovery_wait{500};      // wait for the discovery answer
    std::chrono::milliseconds connect_wait{1000};       // wait for the stream connection
    std::chrono::milliseconds reply_wait{1000};         // wait for each controller reply
    std::chrono::milliseconds idle_pause{5};            // pause of an idle thread loop pass
    std::chrono::milliseconds poll_pause{50};           // pause before a poll message
    std::chrono::milliseconds connect_settle_pause{50}; // after the connection is writable
    std::chrono::milliseconds connect_retry_pause{100}; // after a failed connection
    std::chrono::milliseconds queue_lock_wait{20};      // one attempt at the send-queue lock
    int queue_lock_attempts = 3;                        // attempts before a queue call gives up
};

// The configuration in force. Change it only while the socket thread is not running.
extern LinkConfig link_config;

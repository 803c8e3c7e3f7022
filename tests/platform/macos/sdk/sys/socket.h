#pragma once
// BSD sockets: unlike Linux's, the addresses carry their length.
#include <cstdint>

typedef std::uint8_t sa_family_t;
struct sockaddr
{
    std::uint8_t sa_len;
    sa_family_t sa_family;
    char sa_data[14];
};
#define AF_INET 2

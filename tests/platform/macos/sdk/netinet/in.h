#pragma once
#include <sys/socket.h>

typedef std::uint16_t in_port_t;
struct in_addr
{
    std::uint32_t s_addr;
};
struct sockaddr_in
{
    std::uint8_t sin_len;
    sa_family_t sin_family;
    in_port_t sin_port;
    in_addr sin_addr;
    char sin_zero[8];
};

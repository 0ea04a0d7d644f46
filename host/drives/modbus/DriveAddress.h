#pragma once

#include "HostDrive.h"

#include <string>

// An address that names no drive the host can reach; what() says what is wrong.
class DriveAddressError : public HostError
{
public:
    using HostError::HostError;
};

// Where the host reaches a drive over Modbus:
//
//   tcp://HOST:PORT          Modbus TCP (HOST a name, an IPv4 address or [IPv6])
//   tcp://HOST:PORT/UNIT     ... to unit id UNIT (1 to 247)
//   rtu:DEVICE               Modbus RTU on a serial device, 19200 baud, even parity
//   rtu:DEVICE?baud=9600&parity=N&unit=3
//
// Each setting at most once. Without a unit the host addresses the unit its
// profile names.
struct DriveAddress
{
    enum class Kind
    {
        Tcp,
        Rtu
    };

    static constexpr int kDefaultBaud = 19200;
    static constexpr char kDefaultParity = 'E';

    Kind kind = Kind::Tcp;
    std::string text;   // as the user wrote it
    std::string host;   // TCP: name or address, without brackets
    int port = 0;       // TCP: 1 to 65535
    std::string device; // RTU: the serial device
    int baud = kDefaultBaud;
    char parity = kDefaultParity; // 'N', 'E' or 'O'
    int unit = 0;                 // 0: the profile's

    // Reads an address; throws DriveAddressError naming the address and what is wrong.
    static DriveAddress parse(const std::string& text);
};

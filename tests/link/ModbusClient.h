#pragma once

#include <modbus.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <vector>

namespace linktest {

// A Modbus client of the simulator, as a host is one: TCP to 127.0.0.1.
class ModbusClient
{
public:
    explicit ModbusClient(int port) : m_context(modbus_new_tcp("127.0.0.1", port))
    {
        EXPECT_NE(m_context, nullptr);
        // Generous: the test itself may run under Valgrind, on a busy machine.
        modbus_set_response_timeout(m_context, 10, 0);
        EXPECT_EQ(modbus_connect(m_context), 0) << modbus_strerror(errno);
    }
    ~ModbusClient()
    {
        modbus_close(m_context);
        modbus_free(m_context);
    }
    ModbusClient(const ModbusClient&) = delete;
    ModbusClient& operator=(const ModbusClient&) = delete;

    modbus_t* get() const { return m_context; }

    // The registers' content; empty after a refusal, whose errno lands in `error`.
    std::vector<std::uint16_t> read(int address, int count)
    {
        std::vector<std::uint16_t> registers(static_cast<size_t>(count));
        if (modbus_read_registers(m_context, address, count, registers.data()) != count) {
            error = errno;
            return {};
        }
        return registers;
    }
    // 0 when the drive took the registers, else the errno of its refusal.
    int write(int address, const std::vector<std::uint16_t>& registers)
    {
        const int count = static_cast<int>(registers.size());
        return modbus_write_registers(m_context, address, count, registers.data()) == count ? 0
                                                                                            : errno;
    }

    int error = 0;

private:
    modbus_t* m_context;
};

} // namespace linktest

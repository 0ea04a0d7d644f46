#pragma once

#include "RegisterMap.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class ModbusDrive;

// What one look at a drive's controller found: its status block decoded (or
// why not), and what its input block holds.
struct ControllerPoll
{
    std::string failure; // empty: the status was read
    modbusmap::ControllerStatus status;
    bool inputsRead = false;
    std::vector<int> inputs; // the input block's values
    int inputLayout = -1;    // the input block's layout number (RegisterMap.h); -1: not read
    // The layout differs from the one the poll before saw: the inputs are others,
    // their names are to be read anew (from the program), and the writes queued
    // for the old layout were dropped.
    bool layoutChanged = false;
    std::string inputFailure;
    bool linkLost = false;   // the failure took the link down
    unsigned writesDone = 0; // the number of the last input write carried out before it
    // When the controller's state was read: the poll's own time, which a
    // recording keeps, however late the poll reaches whoever waits for it.
    std::chrono::steady_clock::time_point at;
};

// Looks at the controller of a drive over a link through the profile's status
// block (and input block), and sets its inputs there. It runs on the thread
// that owns the drive, one request after the other, between the drive's other
// work: input writes queued since the last poll go first, a later value of
// the same input winning. They are meant for the input block's layout the last
// poll saw: the block's header is read before, and when its layout number
// differs (the drive's program changed), they are dropped, not written to
// inputs of another meaning.
class ControllerPoller
{
public:
    static constexpr std::chrono::milliseconds kInterval{250};

    // `expectedInputs`: how many inputs the program reads (-1: unknown), so
    // that the input block is read whole at once.
    ControllerPoller(ModbusDrive& drive, int expectedInputs);

    // Queues the write of the input block's value `offset`; `number` counts the writes.
    void queueInput(std::size_t offset, std::int16_t value, unsigned number);
    bool inputsQueued() const { return !m_writes.empty(); }
    ControllerPoll poll();

private:
    bool read(int address, int count, std::vector<std::uint16_t>& into, const char* doing,
              std::string& failure);

    ModbusDrive& m_drive;
    const modbusmap::Map& m_map;
    int m_statusCount = modbusmap::kStatusHeaderRegisters;
    int m_inputCount;
    std::map<std::size_t, std::int16_t> m_writes;
    int m_layout = -1; // the input block's layout the last poll saw; -1: none yet
    unsigned m_lastWrite = 0;
};

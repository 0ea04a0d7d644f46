// nebpt-drive-sim --run: requests into the status and input blocks of the
// drive's running program (DriveServer with a RunningProgram behind it), on a
// copy of the FCD-300 sample with four timers (status block at 2000, input
// block at 2400). Each execution starts a controller of its own, which scans as
// the simulator's does, with the clock, caught up before every request.
//
// The input is a run of requests, each `op a b n` and the bytes it writes:
//   op & 3        the function: 0 read (3), 1 write one register (6), 2 write
//                 n registers (16), 3 the same with the byte count taken from the
//                 input (which may not match n)
//   op >> 2 & 3   where: 0 the status block, 1 the input block, each at the
//                 signed 16-bit offset a b from its start; 2 element b of the
//                 a-th parameter of the register map (a write to the program
//                 starts the controller anew); 3 register a b itself
// Bytes the input lacks are zeros.
//
// Every answer is the request's function or an exception the request earns: 3
// for a quantity outside 1 to 125 (123 for writes), a byte count that is not the
// quantity's or a parameter's value the drive does not take; 2 for a request past
// register 65535 and for any write into the status block; 4 from a block only.
// After each write, and at the end, both blocks read whole: both answer, or both
// answer exception 4 (a program that cannot run); the status decodes, with 0
// past what it fills and no active step while stopped; the input count fits the
// block, with 0 past the inputs. What a write put into the input block or a
// parameter reads back the same; a written program leaves the controller
// stopped; the image file changes only through accepted parameter writes.
#include "FuzzSupport.h"
#include "ServedDrive.h"

#include "DriveServer.h"
#include "RegisterMap.h"
#include "RunningProgram.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <memory>
#include <ostream>

using fuzzsupport::check;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The sample with four of its eight timers: an action that starts timer 4 to 7,
// which the drive takes, makes a program its controller cannot run.
std::string imageBytes()
{
    static const std::string bytes = [] {
        QJsonObject image =
            QJsonDocument::fromJson(QByteArray::fromStdString(testsupport::ScratchFolder::readFile(
                                        NEBPT_DATA_DIR "/fcd300_sample.json")))
                .object();
        QJsonArray parameters = image[QStringLiteral("parameters")].toArray();
        for (QJsonValueRef parameter : parameters) {
            QJsonObject timers = parameter.toObject();
            if (timers[QStringLiteral("number")].toInt() != 1303)
                continue;
            QJsonArray values = timers[QStringLiteral("values")].toArray();
            while (values.size() > 4)
                values.removeLast();
            timers[QStringLiteral("values")] = values;
            timers[QStringLiteral("elementCount")] = 4;
            parameter = timers;
        }
        image[QStringLiteral("parameters")] = parameters;
        return QJsonDocument(image).toJson().toStdString();
    }();
    return bytes;
}

int word(const std::uint8_t* bytes)
{
    return bytes[0] << 8 | bytes[1];
}

void putWord(Bytes& bytes, int value)
{
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes.push_back(static_cast<std::uint8_t>(value));
}

// The input's bytes from `at` on, zeros past its end.
struct Reader
{
    const std::uint8_t* data;
    size_t size;
    size_t at = 0;
    std::uint8_t next() { return at < size ? data[at++] : (++at, 0); }
    bool done() const { return at >= size; }
};

// A block's registers, read as a master reads them (at most 125 at once); empty
// when the drive answers exception 4 (checked to be the only refusal).
std::vector<std::uint16_t> readBlock(DriveServer& server, int first, int size)
{
    std::vector<std::uint16_t> registers;
    bool failed = false;
    for (int from = first; from < first + size; from += 125) {
        const int count = std::min(125, first + size - from);
        Bytes request{3};
        putWord(request, from);
        putWord(request, count);
        const Bytes answer = server.answer(request.data(), request.size());
        if (answer.size() == 2) {
            check(answer[0] == 0x83 && answer[1] == 4,
                  "a block answers or fails as a device: exception " + std::to_string(answer[1]));
            check(registers.empty() && (failed || from == first), "a block fails whole");
            failed = true;
            continue;
        }
        check(!failed && answer.size() == 2u + 2 * count && answer[1] == 2 * count,
              "a block's read answers every register asked for");
        for (int r = 0; r < count; ++r)
            registers.push_back(static_cast<std::uint16_t>(word(&answer[2 + 2 * r])));
    }
    return registers;
}

// Both blocks as a master sees them now; `stopped`: the controller was just
// built anew and has not scanned.
void checkBlocks(DriveServer& server, const modbusmap::Map& map, bool stopped)
{
    const std::vector<std::uint16_t> status =
        readBlock(server, map.statusAddress, modbusmap::kStatusBlockRegisters);
    const std::vector<std::uint16_t> inputs =
        readBlock(server, map.inputAddress, modbusmap::kInputBlockRegisters);
    check(status.empty() == inputs.empty(), "both blocks answer, or neither");
    if (status.empty())
        return;
    modbusmap::ControllerStatus decoded;
    std::string reason;
    check(modbusmap::decodeStatus(status.data(), static_cast<int>(status.size()), map.wordOrder,
                                  decoded, reason),
          "the status block decodes: " + reason);
    check(decoded.running || decoded.activeStep == -1, "no active step while stopped");
    check(!stopped || !decoded.running, "a program written starts stopped");
    const int filled = modbusmap::statusRegisters(decoded.timers.size(), decoded.comparators.size(),
                                                  decoded.logicRules.size());
    check(std::all_of(status.begin() + filled, status.end(), [](auto r) { return r == 0; }),
          "0 past what the status fills");
    const int count = inputs[0];
    check(count + modbusmap::kInputHeaderRegisters <= modbusmap::kInputBlockRegisters,
          "the inputs fit the block");
    check(std::all_of(inputs.begin() + modbusmap::kInputHeaderRegisters + count, inputs.end(),
                      [](auto r) { return r == 0; }),
          "0 past the inputs");
}

bool within(int address, int first, int size)
{
    return first >= 0 && address >= first && address < first + size;
}

bool overlaps(int address, int count, int first, int size)
{
    return first >= 0 && address < first + size && address + count > first;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::Sandbox& sandbox = fuzzsupport::sandbox();
    // The drive starts from the sample: it is loaded again after any write.
    static bool written = true;
    SimulatedDrive* drive = &fuzzsupport::servedDrive(imageBytes, written);
    std::ostream quiet(nullptr);
    DriveServer server(*drive, drive->registerMap().unit, quiet);
    RunningProgram program(*drive, quiet);
    server.setController(&program);
    const modbusmap::Map& map = drive->registerMap();

    Reader in{data, size};
    while (!in.done()) {
        const std::uint8_t op = in.next(), a = in.next(), b = in.next(), n = in.next();
        const int function = (op & 3) == 0 ? 3 : (op & 3) == 1 ? 6 : 16;
        const int where = op >> 2 & 3;
        const auto offset = static_cast<std::int16_t>(a << 8 | b);
        int address = (a << 8 | b);
        if (where < 2)
            address = ((where == 0 ? map.statusAddress : map.inputAddress) + offset) & 0xFFFF;
        if (where == 2) {
            const modbusmap::Slot& slot = map.parameters[a % map.parameters.size()];
            address = slot.address + b % static_cast<int>(slot.elements * slot.width);
        }
        Bytes request{static_cast<std::uint8_t>(function)};
        putWord(request, address);
        int count = 1;
        if (function == 6) {
            request.push_back(in.next());
            request.push_back(in.next());
        } else {
            count = n;
            putWord(request, n);
        }
        if (function == 16) {
            const std::uint8_t bytes = (op & 3) == 3 ? in.next() : static_cast<std::uint8_t>(2 * n);
            request.push_back(bytes);
            for (int i = 0; i < bytes; ++i)
                request.push_back(in.next());
        }

        const std::string before =
            function == 3 ? std::string() : sandbox.folder.readText("drive.json");
        server.catchUp();
        const Bytes answer = server.answer(request.data(), request.size());
        const bool quantityWrong = count < 1 || count > (function == 3 ? 125 : 123) ||
                                   (function == 16 && request[5] != 2 * count);
        const bool statusWrite =
            function != 3 && within(address, map.statusAddress, modbusmap::kStatusBlockRegisters);
        const bool blocks =
            overlaps(address, count, map.statusAddress, modbusmap::kStatusBlockRegisters) ||
            overlaps(address, count, map.inputAddress, modbusmap::kInputBlockRegisters);
        if (answer.size() == 2 && answer[0] == (function | 0x80)) {
            const int code = answer[1];
            check(code >= 2 && code <= 4, "a known exception: " + std::to_string(code));
            // A parameter's value the drive does not take is a wrong value too.
            const bool parameterWrite = function != 3 && !blocks;
            check(quantityWrong ? code == 3 : code != 3 || parameterWrite,
                  "exception 3 for a wrong quantity or value only (function " +
                      std::to_string(function) + " at register " + std::to_string(address) + ")");
            check(quantityWrong || address + count <= modbusmap::kRegisterCount || code == 2,
                  "exception 2 past register 65535");
            check(quantityWrong || !statusWrite || code == 2, "exception 2 for a status write");
            check(code != 4 || blocks, "exception 4 from a block only");
            check(function == 3 || sandbox.folder.readText("drive.json") == before,
                  "a refusal writes nothing");
            continue;
        }
        check(!quantityWrong && !statusWrite && address + count <= modbusmap::kRegisterCount,
              "only a request the drive can take is taken");
        check(answer.size() >= 2 && answer[0] == function, "the request's function");
        if (function == 3) {
            check(answer.size() == 2u + 2 * count && answer[1] == 2 * count,
                  "a read answer with the registers asked for");
            continue;
        }
        check(answer.size() == 5 &&
                  std::equal(answer.begin() + 1, answer.end(), request.begin() + 1),
              "a write answer echoing address and value or count");
        // What was written reads back, before the controller scans again.
        Bytes read{3};
        putWord(read, address);
        putWord(read, count);
        const Bytes back = server.answer(read.data(), read.size());
        const std::uint8_t* values = function == 6 ? &request[3] : &request[6];
        check(back.size() == 2u + 2 * count && std::equal(back.begin() + 2, back.end(), values),
              "what was written at register " + std::to_string(address) + " reads back");
        const bool input = within(address, map.inputAddress, modbusmap::kInputBlockRegisters);
        written = written || !input;
        check(!input || sandbox.folder.readText("drive.json") == before,
              "inputs are no parameters: the image stays");
        checkBlocks(server, map, !input);
    }
    server.catchUp();
    checkBlocks(server, map, false);
    sandbox.takeLog();
    sandbox.takeBoxes();
    return 0;
}

// nebpt-drive-sim's request handling (DriveServer) on a copy of the FCD-300
// sample, with the bytes as the simulator's loop frames them. The first byte
// chooses the link: even, Modbus TCP, the rest a byte stream cut into frames by
// their MBAP headers until it is not Modbus TCP; odd, Modbus RTU, the rest
// frames as the line's silence delimits them, each a length byte and the frame.
// Every answer is a well-formed answer to its request: the same transaction,
// unit and function, or the function with bit 7 and an exception code. The image
// file changes only through accepted writes, and what a write put into the
// registers reads back the same.
#include "FuzzSupport.h"
#include "ServedDrive.h"

#include "DriveServer.h"
#include "ModbusFrame.h"

#include <algorithm>
#include <memory>
#include <ostream>

using fuzzsupport::check;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kFailing = 230; // a timer's register, made to fail (exception 4)

std::string imageBytes()
{
    static const std::string bytes =
        testsupport::ScratchFolder::readFile(NEBPT_DATA_DIR "/fcd300_sample.json");
    return bytes;
}

int word(const std::uint8_t* bytes)
{
    return bytes[0] << 8 | bytes[1];
}

// Checks an answer PDU against its request PDU; true when it is an accepted write.
bool checkAnswer(const Bytes& request, const Bytes& answer, bool tcpUnitOk)
{
    check(!answer.empty(), "an answer");
    const int function = request[0];
    if (answer[0] == (function | 0x80) && answer.size() == 2) {
        const int code = answer[1];
        check(code == 1 || code == 2 || code == 3 || code == 4 || (code == 11 && !tcpUnitOk),
              "a known exception code: " + std::to_string(code));
        check((code == 11) == !tcpUnitOk, "exception 11 for another unit only");
        check(code != 1 || (function != 3 && function != 6 && function != 16),
              "exception 1 for functions it does not have only");
        return false;
    }
    check(tcpUnitOk && answer[0] == function && function < 0x80, "the request's function");
    if (function == 3) {
        check(answer.size() == 2u + answer[1] && answer[1] == 2 * word(&request[3]),
              "a read answer with the registers asked for");
        return false;
    }
    check((function == 6 || function == 16) && answer.size() == 5 &&
              std::equal(answer.begin() + 1, answer.end(), request.begin() + 1),
          "a write answer echoing address and value or count");
    return true;
}

// After an accepted write the registers read back as written.
void checkReadBack(DriveServer& server, const Bytes& write)
{
    const int address = word(&write[1]);
    const int count = write[0] == 6 ? 1 : word(&write[3]);
    const Bytes read{3, write[1], write[2], static_cast<std::uint8_t>(count >> 8),
                     static_cast<std::uint8_t>(count)};
    const Bytes answer = server.answer(read.data(), read.size());
    const std::uint8_t* written = write[0] == 6 ? &write[3] : &write[6];
    check(answer.size() == 2u + 2 * count && answer[0] == 3 &&
              std::equal(answer.begin() + 2, answer.end(), written),
          "what was written at register " + std::to_string(address) + " reads back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    fuzzsupport::Sandbox& sandbox = fuzzsupport::sandbox();
    // The drive starts from the sample: it is loaded again after any write.
    static bool written = true;
    SimulatedDrive* drive = &fuzzsupport::servedDrive(imageBytes, written);
    std::ostream quiet(nullptr);
    DriveServer server(*drive, drive->registerMap().unit, quiet);
    server.failRegister(kFailing);

    const bool rtu = data[0] & 1;
    size_t at = 1;
    while (at < size) {
        const std::string before = sandbox.folder.readText("drive.json");
        Bytes frame, answer, request;
        bool accepted = false;
        if (!rtu) {
            const long length = modbusframe::tcpFrameSize(data + at, size - at);
            check(length == 0 || length == -1 ||
                      (length > static_cast<long>(modbusframe::kMbapSize) &&
                       static_cast<size_t>(length) <=
                           std::min(size - at, modbusframe::kMostTcpFrame)),
                  "a frame size within the bytes");
            if (length <= 0)
                break; // not whole, or not Modbus TCP: the connection ends
            frame.assign(data + at, data + at + length);
            at += static_cast<size_t>(length);
            answer = server.answerTcp(frame.data(), frame.size());
            request.assign(frame.begin() + modbusframe::kMbapSize, frame.end());
            check(answer.size() > modbusframe::kMbapSize &&
                      std::equal(frame.begin(), frame.begin() + 4, answer.begin()) &&
                      word(&answer[4]) == static_cast<int>(answer.size() - 6) &&
                      answer[6] == frame[6],
                  "an answer with the request's transaction, protocol and unit");
            const int unit = frame[6];
            accepted =
                checkAnswer(request, Bytes(answer.begin() + modbusframe::kMbapSize, answer.end()),
                            unit == server.unit() || unit == 255);
        } else {
            const size_t length = std::min<size_t>(data[at], size - at - 1);
            frame.assign(data + at + 1, data + at + 1 + length);
            at += 1 + length;
            const DriveServer::RtuFrame kind = server.classifyRtu(frame.data(), frame.size());
            const bool intact =
                frame.size() >= 4 && modbusframe::crc16(frame.data(), frame.size()) == 0;
            check(intact == (kind != DriveServer::RtuFrame::Corrupt), "a frame's CRC is checked");
            if (kind != DriveServer::RtuFrame::Mine && kind != DriveServer::RtuFrame::Broadcast)
                continue; // passed over
            answer = server.answerRtu(frame.data(), frame.size());
            request.assign(frame.begin() + 1, frame.end() - 2);
            if (kind == DriveServer::RtuFrame::Broadcast) {
                check(answer.empty(), "no answer to a broadcast");
                accepted = sandbox.folder.readText("drive.json") != before;
            } else {
                check(answer.size() >= 4 && answer[0] == frame[0] &&
                          modbusframe::crc16(answer.data(), answer.size()) == 0,
                      "an answer frame with the unit and a right CRC");
                accepted = checkAnswer(request, Bytes(answer.begin() + 1, answer.end() - 2), true);
            }
        }
        written = written || accepted;
        if (accepted)
            checkReadBack(server, request);
        else
            check(sandbox.folder.readText("drive.json") == before,
                  "the image changes only through accepted writes");
    }
    sandbox.takeLog();
    sandbox.takeBoxes();
    return 0;
}

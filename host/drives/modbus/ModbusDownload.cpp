#include "ModbusDrive.h"

#include "HostText.h"

#include <algorithm>
#include <thread>

// A write call: its entries checked and encoded into runs, each run written and
// read back, taken back when the drive refuses one, resumed after a lost link
// (see the class comment).

using modbusmap::Slot;

namespace {

using hosttext::fill;

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(ModbusDrive)
};

constexpr std::chrono::milliseconds kReconnectPauses[ModbusDrive::kConnectTries] = {
    std::chrono::milliseconds(100), std::chrono::milliseconds(400),
    std::chrono::milliseconds(1000)};

// Tells the write busy observer that a write call runs, for as long as it lives.
class BusyWhile
{
public:
    explicit BusyWhile(const std::function<void(bool)>& observer) : m_observer(observer)
    {
        if (m_observer)
            m_observer(true);
    }
    ~BusyWhile()
    {
        if (m_observer)
            m_observer(false);
    }
    BusyWhile(const BusyWhile&) = delete;
    BusyWhile& operator=(const BusyWhile&) = delete;

private:
    const std::function<void(bool)>& m_observer;
};

} // namespace

std::string ModbusDrive::Run::what(int indexBase) const
{
    const size_t count = registers.size() / static_cast<size_t>(slot->width);
    const unsigned long index = first + static_cast<unsigned long>(indexBase);
    if (slot->elements <= 1)
        return fill(Text::tr("parameter %1"), slot->number);
    if (count == 1)
        return fill(Text::tr("parameter %1 element %2"), slot->number, index);
    return fill(Text::tr("parameter %1 elements %2 to %3"), slot->number, index,
                index + static_cast<unsigned long>(count) - 1);
}

std::vector<std::string> ModbusDrive::Run::elements(int indexBase) const
{
    const std::string number = std::to_string(slot->number);
    if (!slot->array)
        return {number};
    std::vector<std::string> names;
    const size_t count = registers.size() / static_cast<size_t>(slot->width);
    for (size_t i = 0; i < count; ++i)
        names.push_back(number + "." +
                        std::to_string(first + i + static_cast<unsigned long>(indexBase)));
    return names;
}

ModbusDrive::Run::Holds ModbusDrive::Run::holding(const std::vector<std::uint16_t>& read) const
{
    if (read == registers)
        return Holds::Asked;
    return read == before ? Holds::Before : Holds::Other;
}

int ModbusDrive::WriteParameterValues(const std::vector<std::string>& identifiers,
                                      const std::vector<std::string>& values,
                                      const std::string& setup, int /*flag*/)
{
    enter("WriteParameterValues");
    m_lastWrite = WriteOutcome{};
    m_writeRefusal = Refusal{};
    m_runs.clear();
    ask([&] { DriveImage::checkWrite(identifiers, values, setup); });
    m_runs = runsFor(identifiers, values);
    const BusyWhile busy(m_writeBusyObserver);
    download();
    return 1;
}

void ModbusDrive::writeAgain()
{
    enter("WriteParameterValues");
    if (m_runs.empty())
        refuse(fill(Text::tr("there is no write to carry out again")));
    m_lastWrite = WriteOutcome{};
    m_writeRefusal = Refusal{};
    const BusyWhile busy(m_writeBusyObserver);
    // What the drive holds now is read anew; so is the link when it is down.
    for (Run& run : m_runs) {
        run.holds = Run::Holds::Unsure;
        m_kept.erase(run.slot->number);
    }
    if (!linkUp() && !reconnectAndReadBack()) {
        m_lastWrite = outcome();
        m_lastRefusal = m_operation + ": " + m_linkFailure;
        m_refusalShort = fill(Text::tr("link lost"));
        if (m_writeRefusalObserver)
            m_writeRefusalObserver(m_lastRefusal);
        throw DriveLinkError(m_linkFailure);
    }
    download();
}

std::vector<ModbusDrive::Run> ModbusDrive::runsFor(const std::vector<std::string>& identifiers,
                                                   const std::vector<std::string>& values)
{
    // Every entry is checked and encoded before anything is sent; per parameter
    // (in the order they first come), the registers of each element written.
    std::vector<const Slot*> order;
    std::map<const Slot*, std::map<unsigned long, std::vector<std::uint16_t>>> written;
    for (size_t i = 0; i < identifiers.size(); ++i) {
        const std::string& identifier = identifiers[i];
        long index = -1;
        ask([&] { m_profile.identified(identifier, index); });
        size_t element = 0;
        const Slot& slot = locate(identifier.substr(0, identifier.find('.')), index, element);
        std::string stored, reason;
        std::vector<std::uint16_t> registers;
        if (!encode(slot.number, values[i], stored, registers, reason))
            refuse(identifier + ": " + reason);
        if (!written.count(&slot))
            order.push_back(&slot);
        written[&slot][element] = std::move(registers);
    }

    std::vector<Run> runs;
    for (const Slot* slot : order) {
        for (const auto& [element, registers] : written[slot]) {
            Run* last = runs.empty() ? nullptr : &runs.back();
            const bool follows = last && last->slot == slot &&
                                 last->address() + static_cast<long>(last->registers.size()) ==
                                     slot->elementAddress(element) &&
                                 last->registers.size() + registers.size() <=
                                     static_cast<size_t>(kMaxWriteRegisters);
            if (!follows)
                runs.push_back(Run{slot, element, {}, {}, Run::Holds::Before});
            runs.back().registers.insert(runs.back().registers.end(), registers.begin(),
                                         registers.end());
        }
    }
    return runs;
}

void ModbusDrive::put(Run& run, const std::vector<std::uint16_t>& registers)
{
    const std::string what = run.what(m_profile.indexBase);
    const bool back = &registers == &run.before;
    // What is kept of the parameter is not known to be the drive's until it is read back.
    auto kept = m_kept.extract(run.slot->number);
    const Run::Holds was = run.holds;
    run.holds = Run::Holds::Unsure;
    try {
        writeRegisters(run, registers,
                       fill(back ? Text::tr("writing back %1") : Text::tr("writing %1"), what));
    } catch (const Refused&) {
        run.holds = was; // not taken
        if (kept)
            m_kept.insert(std::move(kept));
        throw;
    }
    std::vector<std::uint16_t> readBack(registers.size());
    readRegisters(run.address(), static_cast<int>(readBack.size()), run.slot->width,
                  readBack.data(), fill(Text::tr("reading back %1"), what));
    run.holds = run.holding(readBack);
    if (kept) {
        std::copy(readBack.begin(), readBack.end(),
                  kept.mapped().begin() + (run.address() - run.slot->address));
        m_kept.insert(std::move(kept));
    }
    if (readBack != registers) {
        throw Refused(told(Request::Read, fill(Text::tr("reading back %1"), what),
                           fill(Text::tr("the drive holds other values than were written"))),
                      fill(Text::tr("other values read back")));
    }
}

bool ModbusDrive::reconnectAndReadBack()
{
    const std::string lost = m_linkFailure;
    std::string failure = lost;
    for (const auto pause : kReconnectPauses) {
        std::this_thread::sleep_for(pause);
        loseLink(failure);
        try {
            connect();
            readIdentification();
            for (Run& run : m_runs) {
                std::vector<std::uint16_t> read(run.registers.size());
                readRegisters(run.address(), static_cast<int>(read.size()), run.slot->width,
                              read.data(),
                              fill(Text::tr("reading back %1"), run.what(m_profile.indexBase)));
                if (run.before.empty())
                    run.before = read; // nothing was sent yet
                run.holds = run.holding(read);
            }
            ++m_lastWrite.reconnections;
            m_linkFailure.clear();
            return true;
        } catch (const std::exception& error) { // DriveLinkError, Refused
            failure = error.what();
        }
    }
    loseLink(failure);
    m_linkFailure = failure == lost ? lost : fill(Text::tr("%1; then %2"), lost, failure);
    return false;
}

WriteOutcome ModbusDrive::outcome() const
{
    WriteOutcome result;
    result.reconnections = m_lastWrite.reconnections;
    bool unsure = false, any = false, all = true;
    for (const Run& run : m_runs) {
        unsure = unsure || run.holds == Run::Holds::Unsure;
        any = any || run.holds != Run::Holds::Before;
        all = all && run.holds == Run::Holds::Asked;
        if (run.holds != Run::Holds::Asked)
            result.differing.push_back(run.what(m_profile.indexBase));
    }
    result.holds = all      ? WriteOutcome::Holds::Asked
                   : !any   ? WriteOutcome::Holds::Before
                   : unsure ? WriteOutcome::Holds::Unknown
                            : WriteOutcome::Holds::Part;
    if (result.holds == WriteOutcome::Holds::Before)
        result.differing.clear();
    return result;
}

void ModbusDrive::download()
{
    if (!linkUp()) {
        m_lastWrite = outcome();
        m_lastRefusal =
            m_operation + ": " +
            fill(Text::tr("writing to %1: the link is down (%2)"), m_address.text, m_linkFailure);
        m_refusalShort = fill(Text::tr("link lost"));
        if (m_writeRefusalObserver)
            m_writeRefusalObserver(m_lastRefusal);
        throw DriveLinkError(m_lastRefusal);
    }
    std::string refusal, refusalMeaning, restoreFailure;
    int losses = 0;
    for (;;) {
        try {
            // What the drive holds where the runs go, to write back when one is refused.
            for (Run& run : m_runs) {
                if (!run.before.empty())
                    continue;
                try {
                    const std::vector<std::uint16_t>& registers = registersOf(*run.slot);
                    const auto from = registers.begin() + (run.address() - run.slot->address);
                    run.before.assign(from, from + static_cast<long>(run.registers.size()));
                } catch (const Refused& refused) {
                    refuse(refused.what(), refused.meaning); // nothing was written
                }
                run.holds = run.holding(run.before);
            }
            if (refusal.empty()) {
                for (Run& run : m_runs) {
                    if (run.holds == Run::Holds::Asked)
                        continue;
                    try {
                        put(run, run.registers);
                    } catch (const Refused& refused) {
                        m_writeRefusal = {run.elements(m_profile.indexBase), refused.meaning};
                        throw;
                    }
                }
            } else {
                // Taken back, last first; a run the drive will not take back is told.
                for (auto run = m_runs.rbegin(); run != m_runs.rend(); ++run) {
                    if (run->holds == Run::Holds::Before)
                        continue;
                    try {
                        put(*run, run->before);
                    } catch (const Refused& refused) {
                        restoreFailure = refused.what();
                    }
                }
            }
            break;
        } catch (const Refused& refused) {
            refusal = refused.what();
            refusalMeaning = refused.meaning;
        } catch (const DriveLinkError&) {
            if (++losses > kMostLosses || !reconnectAndReadBack())
                break;
        }
    }

    m_lastWrite = outcome();
    if (!linkUp()) {
        // Lost while taking back what the drive refused: the refusal is told too.
        const std::string failure =
            refusal.empty() ? m_linkFailure : fill(Text::tr("%1; then %2"), refusal, m_linkFailure);
        m_lastRefusal = m_operation + ": " + failure;
        m_refusalShort = fill(Text::tr("link lost"));
        if (m_linkFailureObserver)
            m_linkFailureObserver(failure, m_lastWrite.partlyWritten());
        if (m_writeRefusalObserver)
            m_writeRefusalObserver(m_lastRefusal);
        throw DriveLinkError(failure + (m_lastWrite.partlyWritten() ? "; " + m_lastWrite.describe()
                                                                    : std::string()));
    }
    if (!refusal.empty()) {
        if (!restoreFailure.empty())
            refusal = fill(Text::tr("%1; then %2"), refusal, restoreFailure);
        refuse(refusal + (m_lastWrite.partlyWritten() ? "; " + m_lastWrite.describe() : ""),
               refusalMeaning);
    }
}

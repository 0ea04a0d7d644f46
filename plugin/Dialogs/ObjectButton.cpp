#include "Dialogs/ObjectButton.h"

#include "DLGManager.h"
#include "Dialogs/LocaleNumber.h"
#include "ProgramWorkflow.h"
#include "Settings_Manager/CChoiceListItemObjectLookup.h"
#include "Settings_Manager/CNEB_Comparator.h"
#include "Settings_Manager/CNEB_LogicRule.h"
#include "Settings_Manager/CNEB_Timer.h"
#include "Settings_Manager/TimerUnit.h"
#include "framework/Format.h"
#include "framework/Resources.h"
#include "framework/widgets/Dialog.h"
#include "languages/common/NEBPTResources.h"

#include <algorithm>
#include <cmath>

unsigned objectButtonCaption(int kind)
{
    switch (kind) {
    case CChoiceListItemObjectLookup::Timer:
        return res::IDS_EDIT_TIMER;
    case CChoiceListItemObjectLookup::Comparator:
        return res::IDS_EDIT_COMPARATOR;
    case CChoiceListItemObjectLookup::LogicRule:
        return res::IDS_EDIT_LOGIC_RULE;
    default:
        return 0;
    }
}

void showObjectButton(fw::CDialog& dialog, int buttonId, unsigned caption)
{
    dialog.EnableDlgItem(buttonId, caption != 0);
    if (caption != 0)
        dialog.SetDlgItemText(buttonId, fw::loadString(caption));
    dialog.ShowDlgItem(buttonId, caption != 0);
}

namespace {

using Kind = CChoiceListItemObjectLookup::Kind;

std::string withUnit(const std::string& number, const std::string& unit)
{
    return unit.empty() ? number : number + " " + unit;
}

// Milliseconds per timer unit; seconds for a unit that is none of the four.
double millisecondsPer(const std::string& unit)
{
    if (unit == "ms")
        return 1.0;
    if (unit == "min")
        return 60'000.0;
    if (unit == "h")
        return 3'600'000.0;
    return 1000.0;
}

// The comparison of a comparator as a sign. The comparisons' choice values are
// the same on every drive type; another value shows the drive's text.
std::string comparison(const CNEB_ChoicelistItem& item)
{
    switch (item.getID()) {
    case 0:
        return "<";
    case 1:
        return "\u2248"; // about equal
    case 2:
        return ">";
    default:
        return item.getText();
    }
}

} // namespace

ObjectValue::ObjectValue(CDLGManager& manager, const CChoiceListItemObjectLookup& object,
                         const std::locale& numbers)
    : m_numbers(numbers)
{
    switch (object.getKind()) {
    case Kind::Timer:
        if (const CNEB_Timer* timer = object.getTimer()) {
            double minimum = 0.0, maximum = 0.0;
            unsigned decimals = 0;
            timer->getValueDescription(minimum, maximum, m_unit, decimals);
            m_unit = NEBPT::timerUnit(m_unit, maximum);
            m_text =
                withUnit(localenumber::formatFixed(timer->getValue(), decimals, numbers), m_unit);
            m_timer = static_cast<long>(timer->getIndex());
            m_millisecondsPerUnit = millisecondsPer(m_unit);
            m_liveDecimals = std::min(decimals, 1U);
        }
        break;
    case Kind::Comparator:
        if (const CNEB_Comparator* comparator = object.getComparator()) {
            m_text = comparator->getOperandItem().getText();
            if (manager.lookupChoicelistItemObject(comparator->getOperandItem()).getKind() !=
                Kind::Disabled) {
                double minimum = 0.0, maximum = 0.0;
                unsigned decimals = 0;
                comparator->getValueLimits(minimum, maximum, decimals);
                m_text.append(1, ' ')
                    .append(comparison(comparator->getOperatorItem()))
                    .append(1, ' ')
                    .append(localenumber::formatFixed(comparator->getValue(), decimals, numbers));
            }
        }
        break;
    case Kind::LogicRule:
        if (const CNEB_LogicRule* rule = object.getLogicRule()) {
            m_text = NEBPT::ruleFormula(manager.getNEBProgram(), *rule,
                                        {fw::loadString(res::IDS_RULE_AND),
                                         fw::loadString(res::IDS_RULE_OR),
                                         fw::loadString(res::IDS_RULE_NOT)});
        }
        break;
    default:
        break;
    }
}

std::string ObjectValue::text(const NEBPT::FlowLiveState& live) const
{
    if (!live.shown || m_timer < 0 || static_cast<size_t>(m_timer) >= live.timers.size())
        return m_text;
    const NEBPT::TimerLiveState& timer = live.timers[static_cast<size_t>(m_timer)];
    switch (timer.state) {
    case NEBPT::TimerLiveState::State::Running: {
        // Rounded up to the last digit shown: a timer that runs shows no 0.
        const double step = m_millisecondsPerUnit / std::pow(10.0, m_liveDecimals);
        const double left =
            std::ceil(static_cast<double>(std::max(timer.remainingMs, 0LL)) / step) * step;
        const std::string time = withUnit(
            localenumber::formatFixed(left / m_millisecondsPerUnit, m_liveDecimals, m_numbers),
            m_unit);
        return m_text + " (" +
               fw::format(fw::loadString(res::IDS_TIMER_LEFT).c_str(), time.c_str()) + ")";
    }
    case NEBPT::TimerLiveState::State::RanOut:
        return m_text + " (" + fw::loadString(res::IDS_TIMER_RAN_OUT) + ")";
    default:
        return m_text;
    }
}

#include "Dialogs/ObjectButton.h"

#include "Settings_Manager/CChoiceListItemObjectLookup.h"
#include "framework/Resources.h"
#include "framework/widgets/Dialog.h"
#include "languages/common/NEBPTResources.h"

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

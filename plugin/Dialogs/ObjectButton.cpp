#include "Dialogs/ObjectButton.h"

#include "Settings_Manager/CChoiceListItemObjectLookup.h"
#include "framework/Resources.h"
#include "framework/widgets/Dialog.h"

unsigned objectButtonCaption(int kind)
{
    switch (kind) {
    case CChoiceListItemObjectLookup::Timer:
        return 2140;
    case CChoiceListItemObjectLookup::Comparator:
        return 2141;
    case CChoiceListItemObjectLookup::LogicRule:
        return 2142;
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

#include "ResourceLibrary.h"

// The English string table, sorted by number.
const ResourceString kResourceStrings[] = {
    {2134, "Add pair at end"},
    {2135, "Insert pair before"},
    {2136, "Delete pair"},
    {2137, "Comparator %d"},
    {2138, "Timer %d"},
    {2139, "The logic controller program has no event/action pair yet.\n"
           "Add one now?"},
    {2140, "Timer..."},
    {2141, "Comparator..."},
    {2142, "Logic rule..."},
    {2143, "This logic rule cannot be used here: the logic rules would refer to each other "
           "in a loop.\nPlease choose another operand."},
    {2145, "Controller settings..."},
    {2147, "Logic rule"},
    {2148, "Logic controller settings"},
};

const unsigned kResourceStringCount = sizeof(kResourceStrings) / sizeof(kResourceStrings[0]);

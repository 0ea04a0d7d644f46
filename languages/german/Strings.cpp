#include "ResourceLibrary.h"

// The German string table, sorted by number.
const ResourceString kResourceStrings[] = {
    {2134, "Paar am Ende anfügen"},
    {2135, "Paar davor einfügen"},
    {2136, "Paar löschen"},
    {2137, "Vergleicher %d"},
    {2138, "Timer %d"},
    {2139, "Das Programm der Logiksteuerung enthält noch kein Ereignis/Aktion-Paar.\n"
           "Jetzt eines anfügen?"},
    {2140, "Timer..."},
    {2141, "Vergleicher..."},
    {2142, "Logikregel..."},
    {2143, "Diese Logikregel kann hier nicht verwendet werden: Die Logikregeln würden sich "
           "gegenseitig im Kreis aufrufen.\nBitte einen anderen Operanden wählen."},
    {2145, "Steuerungseinstellungen..."},
    {2147, "Logikregel"},
    {2148, "Einstellungen der Logiksteuerung"},
};

const unsigned kResourceStringCount = sizeof(kResourceStrings) / sizeof(kResourceStrings[0]);

<?xml version='1.0' encoding='utf-8'?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Action</name>
    <message>
        <source>Action</source>
        <translation>Aktion</translation>
    </message>
    <message>
        <source>Action that this step performs</source>
        <translation>Aktion, die dieser Schritt ausführt</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Edit the object that the chosen entry refers to</source>
        <translation>Das Objekt bearbeiten, auf das der gewählte Eintrag verweist</translation>
    </message>
</context>
<context>
    <name>BottomArrow</name>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
</context>
<context>
    <name>Comparator</name>
    <message>
        <source>Comparator</source>
        <translation>Vergleicher</translation>
    </message>
    <message>
        <source>Operand</source>
        <translation>Operand</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>Operator</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>ControllerSettings</name>
    <message>
        <source>Controller settings</source>
        <translation>Steuerungseinstellungen</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Einstellung</translation>
    </message>
    <message>
        <source>Drive parameter</source>
        <translation>Antriebsparameter</translation>
    </message>
    <message>
        <source>Controller mode</source>
        <translation>Steuerungsmodus</translation>
    </message>
    <message>
        <source>Start event</source>
        <translation>Startereignis</translation>
    </message>
    <message>
        <source>Stop event</source>
        <translation>Stoppereignis</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>Event</name>
    <message>
        <source>Event</source>
        <translation>Ereignis</translation>
    </message>
    <message>
        <source>If</source>
        <translation>Wenn</translation>
    </message>
    <message>
        <source>Open the list of events</source>
        <translation>Liste der Ereignisse öffnen</translation>
    </message>
    <message>
        <source>Event that starts this step</source>
        <translation>Ereignis, das diesen Schritt auslöst</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Edit the object that the chosen entry refers to</source>
        <translation>Das Objekt bearbeiten, auf das der gewählte Eintrag verweist</translation>
    </message>
</context>
<context>
    <name>LogicRule</name>
    <message>
        <source>Logic rule</source>
        <translation>Logikregel</translation>
    </message>
    <message>
        <source>Operand 1</source>
        <translation>Operand 1</translation>
    </message>
    <message>
        <source>Operand 1 of the logic rule</source>
        <translation>Operand 1 der Logikregel</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Edit the object that the chosen entry refers to</source>
        <translation>Das Objekt bearbeiten, auf das der gewählte Eintrag verweist</translation>
    </message>
    <message>
        <source>Operand 2</source>
        <translation>Operand 2</translation>
    </message>
    <message>
        <source>Operand 2 of the logic rule</source>
        <translation>Operand 2 der Logikregel</translation>
    </message>
    <message>
        <source>Operand 3</source>
        <translation>Operand 3</translation>
    </message>
    <message>
        <source>Operand 3 of the logic rule</source>
        <translation>Operand 3 der Logikregel</translation>
    </message>
    <message>
        <source>Operator 1 of the logic rule</source>
        <translation>Operator 1 der Logikregel</translation>
    </message>
    <message>
        <source>Operator 2 of the logic rule</source>
        <translation>Operator 2 der Logikregel</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>Pair</name>
    <message>
        <source>Step</source>
        <translation>Schritt</translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>Logic controller program</source>
        <translation>Programm der Logiksteuerung</translation>
    </message>
</context>
<context>
    <name>Strings</name>
    <message>
        <source>Add pair at end</source>
        <translation>Paar am Ende anfügen</translation>
    </message>
    <message>
        <source>Insert pair before</source>
        <translation>Paar davor einfügen</translation>
    </message>
    <message>
        <source>Delete pair</source>
        <translation>Paar löschen</translation>
    </message>
    <message>
        <source>Comparator %d</source>
        <translation>Vergleicher %d</translation>
    </message>
    <message>
        <source>Timer %d</source>
        <translation>Timer %d</translation>
    </message>
    <message>
        <source>The logic controller program has no event/action pair yet.
Add one now?</source>
        <translation>Das Programm der Logiksteuerung enthält noch kein Ereignis/Aktion-Paar.
Jetzt eines anfügen?</translation>
    </message>
    <message>
        <source>Timer...</source>
        <translation>Timer...</translation>
    </message>
    <message>
        <source>Comparator...</source>
        <translation>Vergleicher...</translation>
    </message>
    <message>
        <source>Logic rule...</source>
        <translation>Logikregel...</translation>
    </message>
    <message>
        <source>This logic rule cannot be used here: the logic rules would refer to each other in a loop.
Please choose another operand.</source>
        <translation>Diese Logikregel kann hier nicht verwendet werden: Die Logikregeln würden sich gegenseitig im Kreis aufrufen.
Bitte einen anderen Operanden wählen.</translation>
    </message>
    <message>
        <source>Controller settings...</source>
        <translation>Steuerungseinstellungen...</translation>
    </message>
    <message>
        <source>Logic rule</source>
        <translation>Logikregel</translation>
    </message>
    <message>
        <source>Logic controller settings</source>
        <translation>Einstellungen der Logiksteuerung</translation>
    </message>
    <message>
        <source>Enter a number between %1 and %2.</source>
        <translation>Geben Sie eine Zahl zwischen %1 und %2 ein.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
    <message>
        <source>Pair %d</source>
        <translation>Paar %d</translation>
    </message>
    <message>
        <source>active</source>
        <translation>aktiv</translation>
    </message>
    <message>
        <source>%s left</source>
        <translation>noch %s</translation>
    </message>
    <message>
        <source>ran out</source>
        <translation>abgelaufen</translation>
    </message>
    <message>
        <source>AND</source>
        <translation>UND</translation>
    </message>
    <message>
        <source>OR</source>
        <translation>ODER</translation>
    </message>
    <message>
        <source>NOT</source>
        <translation>NICHT</translation>
    </message>
    <message>
        <source>Controller: mode</source>
        <translation>Steuerung: Modus</translation>
    </message>
    <message>
        <source>Pair %1: event</source>
        <translation>Paar %1: Ereignis</translation>
    </message>
    <message>
        <source>Pair %1: action</source>
        <translation>Paar %1: Aktion</translation>
    </message>
    <message>
        <source>Timer %1</source>
        <translation>Timer %1</translation>
    </message>
    <message>
        <source>Comparator %1: operand</source>
        <translation>Vergleicher %1: Operand</translation>
    </message>
    <message>
        <source>Comparator %1: operator</source>
        <translation>Vergleicher %1: Operator</translation>
    </message>
    <message>
        <source>Comparator %1: value</source>
        <translation>Vergleicher %1: Wert</translation>
    </message>
    <message>
        <source>Logic rule %1: operand 1</source>
        <translation>Logikregel %1: Operand 1</translation>
    </message>
    <message>
        <source>Logic rule %1: operator 1</source>
        <translation>Logikregel %1: Operator 1</translation>
    </message>
    <message>
        <source>Logic rule %1: operand 2</source>
        <translation>Logikregel %1: Operand 2</translation>
    </message>
    <message>
        <source>Logic rule %1: operator 2</source>
        <translation>Logikregel %1: Operator 2</translation>
    </message>
    <message>
        <source>Logic rule %1: operand 3</source>
        <translation>Logikregel %1: Operand 3</translation>
    </message>
    <message>
        <source>Controller: start event</source>
        <translation>Steuerung: Startereignis</translation>
    </message>
    <message>
        <source>Controller: stop event</source>
        <translation>Steuerung: Stoppereignis</translation>
    </message>
    <message>
        <source>Comparator %1</source>
        <translation>Vergleicher %1</translation>
    </message>
    <message>
        <source>Logic rule %1</source>
        <translation>Logikregel %1</translation>
    </message>
    <message>
        <source>value %1</source>
        <translation>Wert %1</translation>
    </message>
    <message>
        <source>parameter %1</source>
        <translation>Parameter %1</translation>
    </message>
    <message>
        <source>parameter %1 element %2</source>
        <translation>Parameter %1 Element %2</translation>
    </message>
    <message>
        <source>%1 "%2" refers to %3, which is disabled</source>
        <translation>%1 "%2" verweist auf %3, der deaktiviert ist</translation>
    </message>
    <message>
        <source>%1 "%2" refers to %3, which is empty</source>
        <translation>%1 "%2" verweist auf %3, die leer ist</translation>
    </message>
    <message>
        <source>%1 "%2" refers to %3, which is %4</source>
        <translation>%1 "%2" verweist auf %3, der auf %4 steht</translation>
    </message>
    <message>
        <source>Controller: mode %1 with no start event (start event %2)</source>
        <translation>Steuerung: Modus %1 ohne Startereignis (Startereignis %2)</translation>
    </message>
    <message>
        <source>%1 refers to itself: %2</source>
        <translation>%1 verweist auf sich selbst: %2</translation>
    </message>
    <message>
        <source>%1 is set up but used by no pair</source>
        <translation>%1 ist eingerichtet, wird aber von keinem Paar verwendet</translation>
    </message>
    <message>
        <source>Controller program</source>
        <translation>Steuerungsprogramm</translation>
    </message>
    <message>
        <source>Project</source>
        <translation>Projekt</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>Bearbeiter</translation>
    </message>
    <message>
        <source>Revision</source>
        <translation>Revision</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Seite %1 von %2</translation>
    </message>
    <message>
        <source>Drive %1, AOC %2, database %3</source>
        <translation>Antrieb %1, AOC %2, Datenbank %3</translation>
    </message>
    <message>
        <source>%1 (continued)</source>
        <translation>%1 (Fortsetzung)</translation>
    </message>
    <message>
        <source>Continued on page %1</source>
        <translation>Weiter auf Seite %1</translation>
    </message>
    <message>
        <source>Continued from page %1</source>
        <translation>Fortsetzung von Seite %1</translation>
    </message>
    <message>
        <source>Program flow</source>
        <translation>Programmablauf</translation>
    </message>
    <message>
        <source>If</source>
        <translation>Wenn</translation>
    </message>
    <message>
        <source>Then</source>
        <translation>Dann</translation>
    </message>
    <message>
        <source>Mode %1, start event %2, stop event %3</source>
        <translation>Modus %1, Startereignis %2, Stoppereignis %3</translation>
    </message>
    <message>
        <source>End of the program</source>
        <translation>Programmende</translation>
    </message>
    <message>
        <source>Pairs: %1 of %2</source>
        <translation>Paare: %1 von %2</translation>
    </message>
    <message>
        <source>Comparators</source>
        <translation>Vergleicher</translation>
    </message>
    <message>
        <source>Logic rules</source>
        <translation>Logikregeln</translation>
    </message>
    <message>
        <source>Timers</source>
        <translation>Timer</translation>
    </message>
    <message>
        <source>Controller settings</source>
        <translation>Steuerungseinstellungen</translation>
    </message>
    <message>
        <source>None used by the program</source>
        <translation>Keine vom Programm verwendet</translation>
    </message>
    <message>
        <source>Pair %1</source>
        <translation>Paar %1</translation>
    </message>
    <message>
        <source>Pair</source>
        <translation>Paar</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>Ereignis</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Aktion</translation>
    </message>
    <message>
        <source>Comparator</source>
        <translation>Vergleicher</translation>
    </message>
    <message>
        <source>Condition</source>
        <translation>Bedingung</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>Grenzen</translation>
    </message>
    <message>
        <source>Formula</source>
        <translation>Formel</translation>
    </message>
    <message>
        <source>Timer</source>
        <translation>Timer</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Einstellung</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Modus</translation>
    </message>
    <message>
        <source>Start event</source>
        <translation>Startereignis</translation>
    </message>
    <message>
        <source>Stop event</source>
        <translation>Stoppereignis</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 bis %2</translation>
    </message>
</context>
<context>
    <name>Timer</name>
    <message>
        <source>Timer</source>
        <translation>Timer</translation>
    </message>
    <message>
        <source>[]</source>
        <translation>[]</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>TopArrow</name>
    <message>
        <source>Start</source>
        <translation>Anfang</translation>
    </message>
</context>
</TS>
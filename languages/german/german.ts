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
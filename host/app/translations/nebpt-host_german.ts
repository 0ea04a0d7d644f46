<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>HostWindow</name>
    <message>
        <source>Export program</source>
        <translation>Programm exportieren</translation>
    </message>
    <message>
        <source>Program files (*.json);;All files (*)</source>
        <translation>Programmdateien (*.json);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Import program</source>
        <translation>Programm importieren</translation>
    </message>
    <message>
        <source>The program is not printed: %1.</source>
        <translation>Das Programm wird nicht gedruckt: %1.</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Open drive image...</source>
        <translation>Antriebsabbild ö&amp;ffnen...</translation>
    </message>
    <message>
        <source>Recent &amp;images</source>
        <translation>&amp;Zuletzt geöffnete Abbilder</translation>
    </message>
    <message>
        <source>&amp;Clear list</source>
        <translation>&amp;Liste leeren</translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation>&amp;Aktualisieren</translation>
    </message>
    <message>
        <source>Re&amp;connect</source>
        <translation>Erneut &amp;verbinden</translation>
    </message>
    <message>
        <source>&amp;Export program...</source>
        <translation>Programm &amp;exportieren...</translation>
    </message>
    <message>
        <source>&amp;Import program...</source>
        <translation>Programm &amp;importieren...</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>&amp;Drucken...</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Wiederholen</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>E&amp;xtras</translation>
    </message>
    <message>
        <source>&amp;Check program</source>
        <translation>Programm &amp;prüfen</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>&amp;Sprache</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Antrieb</translation>
    </message>
    <message>
        <source>Program editor</source>
        <translation>Programmeditor</translation>
    </message>
    <message>
        <source>Drive type</source>
        <translation>Antriebstyp</translation>
    </message>
    <message>
        <source>Parameter database</source>
        <translation>Parameterdatenbank</translation>
    </message>
    <message>
        <source>Drive image or address</source>
        <translation>Antriebsabbild oder Adresse</translation>
    </message>
    <message>
        <source>Access</source>
        <translation>Zugriff</translation>
    </message>
    <message>
        <source>Open drive image</source>
        <translation>Antriebsabbild öffnen</translation>
    </message>
    <message>
        <source>Drive images (*.json);;All files (*)</source>
        <translation>Antriebsabbilder (*.json);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The drive image cannot be opened.

%1</source>
        <translation>Das Antriebsabbild kann nicht geöffnet werden.

%1</translation>
    </message>
    <message>
        <source>The drive image cannot be opened.

%1: %2</source>
        <translation>Das Antriebsabbild kann nicht geöffnet werden.

%1: %2</translation>
    </message>
    <message>
        <source>The program editor does not support the drive in %1.

Drive type &quot;%2&quot; with parameter database %3 is not listed in drives_conf.neb.</source>
        <translation>Der Programmeditor unterstützt den Antrieb in %1 nicht.

Der Antriebstyp „%2“ mit der Parameterdatenbank %3 ist in drives_conf.neb nicht aufgeführt.</translation>
    </message>
    <message>
        <source>%1.

It is opened read-only: the program is shown, but no change to it is saved. Open the image again once it can be written.</source>
        <translation>%1.

Es wird schreibgeschützt geöffnet: Das Programm wird angezeigt, aber keine Änderung daran wird gespeichert. Öffnen Sie das Abbild erneut, sobald es beschrieben werden kann.</translation>
    </message>
    <message>
        <source>Connecting to %1</source>
        <translation>Verbindung mit %1 wird hergestellt</translation>
    </message>
    <message>
        <source>Not connected: %1</source>
        <translation>Nicht verbunden: %1</translation>
    </message>
    <message>
        <source>Cannot connect to the drive at %1.

%2</source>
        <translation>Keine Verbindung mit dem Antrieb unter %1 möglich.

%2</translation>
    </message>
    <message>
        <source>The program editor does not support the drive at %1.

Drive type &quot;%2&quot; with parameter database %3 is not listed in drives_conf.neb.</source>
        <translation>Der Programmeditor unterstützt den Antrieb unter %1 nicht.

Der Antriebstyp „%2“ mit der Parameterdatenbank %3 ist in drives_conf.neb nicht aufgeführt.</translation>
    </message>
    <message>
        <source>Link lost: %1</source>
        <translation>Verbindung verloren: %1</translation>
    </message>
    <message>
        <source>Reading from %1</source>
        <translation>Lesen von %1</translation>
    </message>
    <message>
        <source>Reading the program from %1 was cancelled: File &gt; Refresh or File &gt; Reconnect reads it again</source>
        <translation>Das Lesen des Programms von %1 wurde abgebrochen: Datei &gt; Aktualisieren oder Datei &gt; Erneut verbinden liest es erneut</translation>
    </message>
    <message>
        <source>The program cannot be read again from the drive in %1.

%2Details are in the log file %3.</source>
        <translation>Das Programm kann nicht erneut vom Antrieb in %1 gelesen werden.

%2Einzelheiten stehen in der Protokolldatei %3.</translation>
    </message>
    <message>
        <source>The program cannot be read from the drive in %1.

%2.
Details are in the log file %3.</source>
        <translation>Das Programm kann nicht vom Antrieb in %1 gelesen werden.

%2.
Einzelheiten stehen in der Protokolldatei %3.</translation>
    </message>
    <message>
        <source>Not saved, the link is lost: %1</source>
        <translation>Nicht gespeichert, die Verbindung ist verloren: %1</translation>
    </message>
    <message>
        <source>Not saved: the drive refused %1</source>
        <translation>Nicht gespeichert, der Antrieb lehnte ab: %1</translation>
    </message>
    <message>
        <source>The change</source>
        <translation>Die Änderung</translation>
    </message>
    <message>
        <source>The change was not saved to %1.

The drive refused %2.</source>
        <translation>Die Änderung wurde nicht in %1 gespeichert.

Der Antrieb lehnte ab: %2.</translation>
    </message>
    <message>
        <source>The link to the drive at %1 is lost.

%2

The program stays shown; File &gt; Reconnect connects anew and reads it again.</source>
        <translation>Die Verbindung zum Antrieb unter %1 ist verloren.

%2

Das Programm bleibt angezeigt; Datei &gt; Erneut verbinden verbindet neu und liest es erneut.</translation>
    </message>
    <message>
        <source>%1 was not completely written to the drive at %2: %3.

%4

Write it again? (No leaves the drive as it is.)</source>
        <translation>%1 wurde nicht vollständig in den Antrieb unter %2 geschrieben: %3.

%4

Erneut schreiben? (Nein lässt den Antrieb, wie er ist.)</translation>
    </message>
    <message>
        <source>Written again to %1 and read back</source>
        <translation>Erneut in %1 geschrieben und zurückgelesen</translation>
    </message>
    <message>
        <source>%1 cannot be written again to the drive at %2.

%3</source>
        <translation>%1 kann nicht erneut in den Antrieb unter %2 geschrieben werden.

%3</translation>
    </message>
    <message>
        <source>The link to the drive failed: %1.
</source>
        <translation>Die Verbindung zum Antrieb ist ausgefallen: %1.
</translation>
    </message>
    <message>
        <source>The drive refused %1.
</source>
        <translation>Der Antrieb lehnte ab: %1.
</translation>
    </message>
    <message>
        <source>Details are in the log file %1.</source>
        <translation>Einzelheiten stehen in der Protokolldatei %1.</translation>
    </message>
    <message>
        <source>The program editor cannot connect to the drive in %1.

%2</source>
        <translation>Der Programmeditor kann sich nicht mit dem Antrieb in %1 verbinden.

%2</translation>
    </message>
    <message>
        <source>The program cannot be read from the drive in %1.

%2</source>
        <translation>Das Programm kann nicht vom Antrieb in %1 gelesen werden.

%2</translation>
    </message>
    <message>
        <source>read-only</source>
        <translation>schreibgeschützt</translation>
    </message>
    <message>
        <source>link lost</source>
        <translation>Verbindung verloren</translation>
    </message>
    <message>
        <source>No drive</source>
        <translation>Kein Antrieb</translation>
    </message>
    <message>
        <source>Open a drive image with File &gt; Open drive image</source>
        <translation>Öffnen Sie ein Antriebsabbild mit Datei &gt; Antriebsabbild öffnen</translation>
    </message>
    <message>
        <source>Not connected to %1: File &gt; Reconnect tries again</source>
        <translation>Nicht mit %1 verbunden: Datei &gt; Erneut verbinden versucht es noch einmal</translation>
    </message>
    <message>
        <source>Drive %1</source>
        <translation>Antrieb %1</translation>
    </message>
    <message>
        <source>Database %1</source>
        <translation>Datenbank %1</translation>
    </message>
    <message>
        <source>%1 (read-only) - nebpt-host</source>
        <translation>%1 (schreibgeschützt) - nebpt-host</translation>
    </message>
    <message>
        <source>Nothing to redo</source>
        <translation>Nichts zu wiederholen</translation>
    </message>
    <message>
        <source>Nothing to undo</source>
        <translation>Nichts rückgängig zu machen</translation>
    </message>
    <message>
        <source>The change made again</source>
        <translation>Die wiederholte Änderung</translation>
    </message>
    <message>
        <source>The undo</source>
        <translation>Das Rückgängigmachen</translation>
    </message>
    <message>
        <source>The change cannot be made again on the drive in %1.

%2</source>
        <translation>Die Änderung kann auf dem Antrieb in %1 nicht wiederholt werden.

%2</translation>
    </message>
    <message>
        <source>The change cannot be undone on the drive in %1.

%2</source>
        <translation>Die Änderung kann auf dem Antrieb in %1 nicht rückgängig gemacht werden.

%2</translation>
    </message>
    <message>
        <source>The program is not written: %1.</source>
        <translation>Das Programm wird nicht geschrieben: %1.</translation>
    </message>
    <message>
        <source>The program cannot be written to %1.

%2</source>
        <translation>Das Programm kann nicht in %1 geschrieben werden.

%2</translation>
    </message>
    <message>
        <source>Program exported to %1</source>
        <translation>Programm in %1 exportiert</translation>
    </message>
    <message>
        <source>The program in %1 is not imported; nothing was written.

%2</source>
        <translation>Das Programm in %1 wird nicht importiert; es wurde nichts geschrieben.

%2</translation>
    </message>
    <message>
        <source>The drive in %1 holds the program in %2 already.</source>
        <translation>Der Antrieb in %1 enthält das Programm in %2 bereits.</translation>
    </message>
    <message numerus="yes">
        <source>Import the program in %1 into the drive in %2? %n element(s) change.</source>
        <translation>
            <numerusform>Das Programm in %1 in den Antrieb in %2 importieren? %n Element ändert sich.</numerusform>
            <numerusform>Das Programm in %1 in den Antrieb in %2 importieren? %n Elemente ändern sich.</numerusform>
        </translation>
    </message>
    <message>
        <source>The program in %1</source>
        <translation>Das Programm in %1</translation>
    </message>
    <message>
        <source>The program in %1 is not imported; the drive in %2 refused it.

%3</source>
        <translation>Das Programm in %1 wird nicht importiert; der Antrieb in %2 lehnte es ab.

%3</translation>
    </message>
    <message>
        <source>The program cannot be checked.

%1</source>
        <translation>Das Programm kann nicht geprüft werden.

%1</translation>
    </message>
    <message>
        <source>Nothing in the program looks wrong.</source>
        <translation>Im Programm sieht nichts falsch aus.</translation>
    </message>
    <message>
        <source>What is probably wrong in the program:
</source>
        <translation>Was im Programm wahrscheinlich falsch ist:
</translation>
    </message>
    <message>
        <source>The program cannot be printed.

%1</source>
        <translation>Das Programm kann nicht gedruckt werden.

%1</translation>
    </message>
    <message>
        <source>The program cannot be printed to %1.

%2</source>
        <translation>Das Programm kann nicht in %1 gedruckt werden.

%2</translation>
    </message>
    <message>
        <source>Program printed to %1</source>
        <translation>Programm in %1 gedruckt</translation>
    </message>
    <message>
        <source>&amp;Simulate</source>
        <translation>&amp;Simulieren</translation>
    </message>
    <message>
        <source>Runs the program on the model of the controller and shows it in the monitor</source>
        <translation>Führt das Programm auf dem Modell der Steuerung aus und zeigt es im Monitor</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Monitor</source>
        <translation>&amp;Monitor</translation>
    </message>
    <message>
        <source>No drive is open.</source>
        <translation>Kein Antrieb ist geöffnet.</translation>
    </message>
    <message>
        <source>No program is shown.</source>
        <translation>Kein Programm wird angezeigt.</translation>
    </message>
    <message>
        <source>Tools &gt; Simulate runs the program here.</source>
        <translation>Extras &gt; Simulieren führt das Programm hier aus.</translation>
    </message>
</context>
<context>
    <name>LinkReader</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Connecting to %1</source>
        <translation>Verbindung mit %1 wird hergestellt</translation>
    </message>
    <message>
        <source>Reading from %1</source>
        <translation>Lesen von %1</translation>
    </message>
    <message>
        <source>Cancelling: waiting for the answer to the last request</source>
        <translation>Abbrechen: Warten auf die Antwort auf die letzte Anfrage</translation>
    </message>
    <message>
        <source>Reading from %1: %2 of %3 parameters</source>
        <translation>Lesen von %1: %2 von %3 Parametern</translation>
    </message>
</context>
<context>
    <name>ProgramMonitor</name>
    <message>
        <source>Monitor</source>
        <translation>Monitor</translation>
    </message>
    <message>
        <source>Step</source>
        <translation>Schritt</translation>
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
        <source>Object</source>
        <translation>Objekt</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>Inputs</source>
        <translation>Eingänge</translation>
    </message>
    <message>
        <source>Controller state</source>
        <translation>Zustand der Steuerung</translation>
    </message>
    <message>
        <source>Monitor message</source>
        <translation>Meldung des Monitors</translation>
    </message>
    <message>
        <source>Steps</source>
        <translation>Schritte</translation>
    </message>
    <message>
        <source>Timers, comparators and logic rules</source>
        <translation>Timer, Vergleicher und Logikregeln</translation>
    </message>
    <message>
        <source>The program cannot be simulated: %1.</source>
        <translation>Das Programm kann nicht simuliert werden: %1.</translation>
    </message>
    <message>
        <source>The program cannot be shown: %1.</source>
        <translation>Das Programm kann nicht angezeigt werden: %1.</translation>
    </message>
    <message>
        <source>Timer %1</source>
        <translation>Timer %1</translation>
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
        <source>No controller shown</source>
        <translation>Keine Steuerung angezeigt</translation>
    </message>
    <message>
        <source>The drive takes no inputs from the host: they are set on the drive.</source>
        <translation>Der Antrieb nimmt keine Eingänge vom Host an: Sie werden am Antrieb gesetzt.</translation>
    </message>
    <message>
        <source>The program reads no inputs.</source>
        <translation>Das Programm liest keine Eingänge.</translation>
    </message>
    <message>
        <source>Not simulated</source>
        <translation>Nicht simuliert</translation>
    </message>
    <message>
        <source>Simulated on the model of the controller; the drive is not written.</source>
        <translation>Auf dem Modell der Steuerung simuliert; in den Antrieb wird nichts geschrieben.</translation>
    </message>
    <message>
        <source>The controller&apos;s mode is off: the program does not run.</source>
        <translation>Die Steuerung ist ausgeschaltet: Das Programm läuft nicht.</translation>
    </message>
    <message>
        <source>The controller&apos;s state cannot be read: %1.</source>
        <translation>Der Zustand der Steuerung kann nicht gelesen werden: %1.</translation>
    </message>
    <message>
        <source>The inputs cannot be read or set: %1.</source>
        <translation>Die Eingänge können nicht gelesen oder gesetzt werden: %1.</translation>
    </message>
    <message>
        <source>The drive tells another number of objects than the program has.</source>
        <translation>Der Antrieb meldet eine andere Anzahl von Objekten, als das Programm hat.</translation>
    </message>
    <message>
        <source>State unknown</source>
        <translation>Zustand unbekannt</translation>
    </message>
    <message>
        <source>The drive tells no controller state: its profile has no status block.</source>
        <translation>Der Antrieb meldet keinen Zustand der Steuerung: Sein Profil hat keinen Statusblock.</translation>
    </message>
    <message>
        <source>Waiting for the drive&apos;s state</source>
        <translation>Warten auf den Zustand des Antriebs</translation>
    </message>
    <message>
        <source>Running: step %1</source>
        <translation>Läuft: Schritt %1</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>Step %1, active</source>
        <translation>Schritt %1, aktiv</translation>
    </message>
    <message>
        <source>Step %1</source>
        <translation>Schritt %1</translation>
    </message>
    <message>
        <source>%1 s left</source>
        <translation>noch %1 s</translation>
    </message>
    <message>
        <source>not running</source>
        <translation>läuft nicht</translation>
    </message>
    <message>
        <source>true</source>
        <translation>wahr</translation>
    </message>
    <message>
        <source>false</source>
        <translation>falsch</translation>
    </message>
</context>
</TS>

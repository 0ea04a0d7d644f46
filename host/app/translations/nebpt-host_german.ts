<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ConnectDialog</name>
    <message>
        <source>&amp;Host or address:</source>
        <translation>&amp;Host oder Adresse:</translation>
    </message>
    <message>
        <source>&amp;Port:</source>
        <translation>&amp;Port:</translation>
    </message>
    <message>
        <source>&amp;Unit:</source>
        <translation>&amp;Gerätekennung:</translation>
    </message>
    <message>
        <source>&amp;Serial device:</source>
        <translation>&amp;Serielle Schnittstelle:</translation>
    </message>
    <message>
        <source>&amp;Baud rate:</source>
        <translation>&amp;Baudrate:</translation>
    </message>
    <message>
        <source>P&amp;arity:</source>
        <translation>P&amp;arität:</translation>
    </message>
    <message>
        <source>U&amp;nit:</source>
        <translation>Geräte&amp;kennung:</translation>
    </message>
    <message>
        <source>&amp;Link:</source>
        <translation>&amp;Verbindung:</translation>
    </message>
    <message>
        <source>P&amp;rofile:</source>
        <translation>P&amp;rofil:</translation>
    </message>
    <message>
        <source>Connect to drive</source>
        <translation>Mit Antrieb verbinden</translation>
    </message>
    <message>
        <source>Modbus TCP</source>
        <translation>Modbus TCP</translation>
    </message>
    <message>
        <source>Modbus RTU (serial line)</source>
        <translation>Modbus RTU (serielle Leitung)</translation>
    </message>
    <message>
        <source>None (N)</source>
        <translation>Keine (N)</translation>
    </message>
    <message>
        <source>Even (E)</source>
        <translation>Gerade (E)</translation>
    </message>
    <message>
        <source>Odd (O)</source>
        <translation>Ungerade (O)</translation>
    </message>
    <message>
        <source>the profile&apos;s</source>
        <translation>die des Profils</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>&amp;Test</source>
        <translation>&amp;Testen</translation>
    </message>
    <message>
        <source>&amp;Connect</source>
        <translation>&amp;Verbinden</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Choose the profile of the drive&apos;s type (a drive image with a register map).</source>
        <translation>Wählen Sie das Profil des Antriebstyps (ein Antriebsabbild mit Registerbelegung).</translation>
    </message>
    <message>
        <source>The profile %1 is not there.</source>
        <translation>Das Profil %1 ist nicht vorhanden.</translation>
    </message>
    <message>
        <source>Profile of the drive</source>
        <translation>Profil des Antriebs</translation>
    </message>
    <message>
        <source>Profiles (*.json);;All files (*)</source>
        <translation>Profile (*.json);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Connecting to %1 ...</source>
        <translation>Verbindung zu %1 wird hergestellt ...</translation>
    </message>
    <message>
        <source>Connected: drive %1, database %2.</source>
        <translation>Verbunden: Antrieb %1, Datenbank %2.</translation>
    </message>
    <message>
        <source>No connection: %1

The answer timeout is %2 ms (set here).</source>
        <translation>Keine Verbindung: %1

Die Antwortzeit beträgt %2 ms (hier einstellbar).</translation>
    </message>
    <message>
        <source>Answer time&amp;out:</source>
        <translation>Antwort&amp;zeit:</translation>
    </message>
    <message>
        <source>Bro&amp;wse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
</context>
<context>
    <name>DriveAddress</name>
    <message>
        <source>drive address &quot;%1&quot;: %2 (tcp://HOST:PORT[/UNIT] or rtu:DEVICE[?baud=N&amp;parity=N|E|O&amp;unit=N])</source>
        <translation>Antriebsadresse „%1“: %2 (tcp://HOST:PORT[/UNIT] oder rtu:DEVICE[?baud=N&amp;parity=N|E|O&amp;unit=N])</translation>
    </message>
    <message>
        <source>the unit &quot;%1&quot; is not a number from 1 to 247</source>
        <translation>die Unit-ID „%1“ ist keine Zahl von 1 bis 247</translation>
    </message>
    <message>
        <source>the host has no closing &apos;]&apos;</source>
        <translation>dem Host fehlt die schließende Klammer &apos;]&apos;</translation>
    </message>
    <message>
        <source>text after the host&apos;s &apos;]&apos;</source>
        <translation>Text nach der Klammer &apos;]&apos; des Hosts</translation>
    </message>
    <message>
        <source>no host</source>
        <translation>kein Host</translation>
    </message>
    <message>
        <source>no port</source>
        <translation>kein Port</translation>
    </message>
    <message>
        <source>the port &quot;%1&quot; is not a number from 1 to 65535</source>
        <translation>der Port „%1“ ist keine Zahl von 1 bis 65535</translation>
    </message>
    <message>
        <source>no serial device</source>
        <translation>keine serielle Schnittstelle</translation>
    </message>
    <message>
        <source>the setting &quot;%1&quot; is given twice</source>
        <translation>die Einstellung „%1“ ist zweimal angegeben</translation>
    </message>
    <message>
        <source>the baud rate &quot;%1&quot; is not a number</source>
        <translation>die Baudrate „%1“ ist keine Zahl</translation>
    </message>
    <message>
        <source>the parity &quot;%1&quot; is not N, E or O</source>
        <translation>die Parität „%1“ ist nicht N, E oder O</translation>
    </message>
    <message>
        <source>unknown setting &quot;%1&quot;</source>
        <translation>unbekannte Einstellung „%1“</translation>
    </message>
    <message>
        <source>it starts with neither tcp:// nor rtu:</source>
        <translation>sie beginnt weder mit tcp:// noch mit rtu:</translation>
    </message>
</context>
<context>
    <name>DriveDocument</name>
    <message>
        <source>may be running (the drive does not show its state)</source>
        <translation>läuft möglicherweise (der Antrieb zeigt seinen Zustand nicht)</translation>
    </message>
    <message>
        <source>reading the controller&apos;s state</source>
        <translation>Lesen des Zustands der Steuerung</translation>
    </message>
    <message>
        <source>is running (step %1)</source>
        <translation>läuft (Schritt %1)</translation>
    </message>
    <message>
        <source>The controller of the drive at %1 %2.

Write this change to the drive now? While you edit online, every further change is written at once without asking.</source>
        <translation>Die Steuerung des Antriebs unter %1 %2.

Diese Änderung jetzt in den Antrieb schreiben? Solange Sie online bearbeiten, wird jede weitere Änderung ohne Rückfrage sofort geschrieben.</translation>
    </message>
    <message numerus="yes">
        <source>%n more value(s)</source>
        <translation>
            <numerusform>%n weiterer Wert</numerusform>
            <numerusform>%n weitere Werte</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 changed in the working copy, not on the drive yet</source>
        <translation>%1 in der Arbeitskopie geändert, noch nicht im Antrieb</translation>
    </message>
    <message>
        <source>%1 written</source>
        <translation>%1 geschrieben</translation>
    </message>
    <message>
        <source>%1: the drive refused %2 (%3)</source>
        <translation>%1: der Antrieb hat %2 abgelehnt (%3)</translation>
    </message>
    <message numerus="yes">
        <source>and %n more value(s)</source>
        <translation>
            <numerusform>und %n weiterer Wert</numerusform>
            <numerusform>und %n weitere Werte</numerusform>
        </translation>
    </message>
    <message>
        <source>The change</source>
        <translation>Die Änderung</translation>
    </message>
    <message>
        <source>the drive refused the change (%1)</source>
        <translation>der Antrieb hat die Änderung abgelehnt (%1)</translation>
    </message>
    <message>
        <source>Not written: %1</source>
        <translation>Nicht geschrieben: %1</translation>
    </message>
    <message>
        <source>Not written, the link is lost: %1</source>
        <translation>Nicht geschrieben, die Verbindung ist verloren: %1</translation>
    </message>
    <message>
        <source>The change was not saved to %1.

%2

The editor shows what the drive holds.</source>
        <translation>Die Änderung wurde nicht in %1 gespeichert.

%2

Der Editor zeigt, was der Antrieb enthält.</translation>
    </message>
    <message>
        <source>Not written: %1 (%2)</source>
        <translation>Nicht geschrieben: %1 (%2)</translation>
    </message>
    <message>
        <source>%1 was not completely written to the drive at %2: %3.

%4

The drive refuses a value of it, so writing it again cannot finish it: change the program or the drive, then write it again.</source>
        <translation>%1 wurde nicht vollständig in den Antrieb unter %2 geschrieben: %3.

%4

Der Antrieb lehnt einen Wert davon ab, erneutes Schreiben kann es daher nicht abschließen: Ändern Sie das Programm oder den Antrieb und schreiben Sie es dann erneut.</translation>
    </message>
    <message>
        <source>%1 cannot be written again to the drive at %2.

%3</source>
        <translation>%1 kann nicht erneut in den Antrieb unter %2 geschrieben werden.

%3</translation>
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
        <source>Writing to %1</source>
        <translation>Schreiben nach %1</translation>
    </message>
    <message>
        <source>Written again to %1 and read back</source>
        <translation>Erneut in %1 geschrieben und zurückgelesen</translation>
    </message>
    <message numerus="yes">
        <source>The working copy holds %n change(s) not on the drive at %1.

Download the working copy before %2? Yes downloads it, No drops its changes, Cancel goes back.</source>
        <translation>
            <numerusform>Die Arbeitskopie enthält %n Änderung, die nicht im Antrieb unter %1 ist.

Die Arbeitskopie vor %2 herunterladen? Ja lädt sie herunter, Nein verwirft ihre Änderungen, Abbrechen kehrt zurück.</numerusform>
            <numerusform>Die Arbeitskopie enthält %n Änderungen, die nicht im Antrieb unter %1 sind.

Die Arbeitskopie vor %2 herunterladen? Ja lädt sie herunter, Nein verwirft ihre Änderungen, Abbrechen kehrt zurück.</numerusform>
        </translation>
    </message>
    <message>
        <source>The working copy may hold changes not on the drive at %1.

Download the working copy before %2? Yes downloads it, No drops its changes, Cancel goes back.</source>
        <translation>Die Arbeitskopie enthält möglicherweise Änderungen, die nicht im Antrieb unter %1 sind.

Die Arbeitskopie vor %2 herunterladen? Ja lädt sie herunter, Nein verwirft ihre Änderungen, Abbrechen kehrt zurück.</translation>
    </message>
    <message>
        <source>Editing online: every change is written to the drive</source>
        <translation>Online-Bearbeitung: jede Änderung wird in den Antrieb geschrieben</translation>
    </message>
    <message>
        <source>Editing offline: changes go into the working copy</source>
        <translation>Offline-Bearbeitung: Änderungen gehen in die Arbeitskopie</translation>
    </message>
    <message>
        <source>editing online</source>
        <translation>dem Online-Bearbeiten</translation>
    </message>
    <message>
        <source>Reading from %1</source>
        <translation>Lesen von %1</translation>
    </message>
    <message>
        <source>The working copy cannot be downloaded: the link to the drive at %1 is lost.

File &gt; Reconnect connects anew; the working copy keeps its changes.</source>
        <translation>Die Arbeitskopie kann nicht heruntergeladen werden: die Verbindung zum Antrieb unter %1 ist verloren.

Datei &gt; Erneut verbinden verbindet erneut; die Arbeitskopie behält ihre Änderungen.</translation>
    </message>
    <message>
        <source>The working copy is not downloaded; nothing was written.

%1</source>
        <translation>Die Arbeitskopie wurde nicht heruntergeladen; nichts wurde geschrieben.

%1</translation>
    </message>
    <message>
        <source>The drive at %1 holds the working copy&apos;s program already.</source>
        <translation>Der Antrieb unter %1 enthält das Programm der Arbeitskopie bereits.</translation>
    </message>
    <message numerus="yes">
        <source>... and %n more</source>
        <translation>
            <numerusform>... und %n weitere</numerusform>
            <numerusform>... und %n weitere</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Download %n change(s) to the drive at %1?

%2</source>
        <translation>
            <numerusform>%n Änderung in den Antrieb unter %1 herunterladen?

%2</numerusform>
            <numerusform>%n Änderungen in den Antrieb unter %1 herunterladen?

%2</numerusform>
        </translation>
    </message>
    <message>
        <source>The download</source>
        <translation>Das Herunterladen</translation>
    </message>
    <message>
        <source>The working copy is not downloaded: the drive at %1 refused it and holds what it held before.

%2</source>
        <translation>Die Arbeitskopie wurde nicht heruntergeladen: der Antrieb unter %1 hat sie abgelehnt und enthält, was er vorher enthielt.

%2</translation>
    </message>
    <message numerus="yes">
        <source>%n change(s) downloaded to %1 and read back</source>
        <translation>
            <numerusform>%n Änderung nach %1 heruntergeladen und zurückgelesen</numerusform>
            <numerusform>%n Änderungen nach %1 heruntergeladen und zurückgelesen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Upload takes the program of the drive at %1 into the working copy and drops its %n change(s) not on the drive.

Upload?</source>
        <translation>
            <numerusform>Hochladen übernimmt das Programm des Antriebs unter %1 in die Arbeitskopie und verwirft ihre %n Änderung, die nicht im Antrieb ist.

Hochladen?</numerusform>
            <numerusform>Hochladen übernimmt das Programm des Antriebs unter %1 in die Arbeitskopie und verwirft ihre %n Änderungen, die nicht im Antrieb sind.

Hochladen?</numerusform>
        </translation>
    </message>
    <message>
        <source>The working copy holds the program of %1</source>
        <translation>Die Arbeitskopie enthält das Programm von %1</translation>
    </message>
    <message>
        <source>Nothing to undo</source>
        <translation>Nichts rückgängig zu machen</translation>
    </message>
    <message>
        <source>Nothing to redo</source>
        <translation>Nichts zu wiederholen</translation>
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
        <source>The program cannot be read from the drive in %1.

%2</source>
        <translation>Das Programm kann nicht vom Antrieb in %1 gelesen werden.

%2</translation>
    </message>
    <message>
        <source>Program exported to %1</source>
        <translation>Programm in %1 exportiert</translation>
    </message>
    <message>
        <source>Details are in the log file %1.</source>
        <translation>Einzelheiten stehen in der Protokolldatei %1.</translation>
    </message>
    <message>
        <source>Nothing is logged: %1/nebpt.log or its folder is a link, another user&apos;s, or cannot be made.</source>
        <translation>Es wird nichts protokolliert: %1/nebpt.log oder sein Ordner ist ein Verweis, gehört einem anderen Benutzer oder kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>

The answer timeout is %1 ms: File &gt; Connect to drive sets it (--timeout on the command line).</source>
        <translation>

Die Antwortzeit beträgt %1 ms: Datei &gt; Mit Antrieb verbinden stellt sie ein (--timeout auf der Befehlszeile).</translation>
    </message>
    <message>
        <source>connecting to another drive</source>
        <translation>dem Verbinden mit einem anderen Antrieb</translation>
    </message>
    <message>
        <source>opening another drive</source>
        <translation>dem Öffnen eines anderen Antriebs</translation>
    </message>
    <message>
        <source>Connecting to %1</source>
        <translation>Verbindung mit %1 wird hergestellt</translation>
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
        <source>You cannot change %1 where it is: its folder is not yours to write.</source>
        <translation>Sie können %1 dort, wo es liegt, nicht ändern: In seinen Ordner dürfen Sie nicht schreiben.</translation>
    </message>
    <message>
        <source>%1

Open your copy %2 instead? It was made earlier and keeps the changes made to it. No opens this image read-only.</source>
        <translation>%1

Stattdessen Ihre Kopie %2 öffnen? Sie wurde früher angelegt und behält die Änderungen daran. Nein öffnet dieses Abbild schreibgeschützt.</translation>
    </message>
    <message>
        <source>%1

Open a copy in %2? Your changes are then saved in the copy %3. No opens this image read-only.</source>
        <translation>%1

Eine Kopie in %2 öffnen? Ihre Änderungen werden dann in der Kopie %3 gespeichert. Nein öffnet dieses Abbild schreibgeschützt.</translation>
    </message>
    <message>
        <source>No copy was made in %1.

%2

%3 is opened read-only.</source>
        <translation>In %1 wurde keine Kopie angelegt.

%2

%3 wird schreibgeschützt geöffnet.</translation>
    </message>
    <message>
        <source>The folder cannot be made.</source>
        <translation>Der Ordner kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>%1.

It is opened read-only: the program is shown, but no change to it is saved. Open the image again once it can be written.</source>
        <translation>%1.

Es wird schreibgeschützt geöffnet: Das Programm wird angezeigt, aber keine Änderung daran wird gespeichert. Öffnen Sie das Abbild erneut, sobald es beschrieben werden kann.</translation>
    </message>
    <message>
        <source>Cannot connect to the drive at %1.

%2</source>
        <translation>Keine Verbindung mit dem Antrieb unter %1 möglich.

%2</translation>
    </message>
    <message>
        <source>Not connected: %1</source>
        <translation>Nicht verbunden: %1</translation>
    </message>
    <message>
        <source>The program editor does not support the drive at %1.

Drive type &quot;%2&quot; with parameter database %3 is not listed in drives_conf.neb.</source>
        <translation>Der Programmeditor unterstützt den Antrieb unter %1 nicht.

Der Antriebstyp „%2“ mit der Parameterdatenbank %3 ist in drives_conf.neb nicht aufgeführt.</translation>
    </message>
    <message>
        <source>The drive at %1 now holds a program of another kind: the changes of the working copy cannot be kept and are dropped.</source>
        <translation>Der Antrieb unter %1 enthält jetzt ein Programm anderer Art: Die Änderungen der Arbeitskopie können nicht behalten werden und werden verworfen.</translation>
    </message>
    <message>
        <source>Reading from %1: %2 of %3 parameters</source>
        <translation>Lesen von %1: %2 von %3 Parametern</translation>
    </message>
    <message>
        <source>Reading the program from %1 was cancelled: File &gt; Refresh or File &gt; Reconnect reads it again</source>
        <translation>Das Lesen des Programms von %1 wurde abgebrochen: Datei &gt; Aktualisieren oder Datei &gt; Erneut verbinden liest es erneut</translation>
    </message>
    <message>
        <source>Link lost: %1</source>
        <translation>Verbindung verloren: %1</translation>
    </message>
    <message>
        <source>The program cannot be read again from the drive in %1.

%2%3</source>
        <translation>Das Programm kann nicht erneut vom Antrieb in %1 gelesen werden.

%2%3</translation>
    </message>
    <message>
        <source>The program cannot be read from the drive in %1.

%2.
%3</source>
        <translation>Das Programm kann nicht vom Antrieb in %1 gelesen werden.

%2.
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
        <source>The program editor cannot connect to the drive in %1.

%2</source>
        <translation>Der Programmeditor kann sich nicht mit dem Antrieb in %1 verbinden.

%2</translation>
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
        <source>The link to the drive at %1 is lost.

%2

Not written:
%3

File &gt; Reconnect connects anew and reads the program again.</source>
        <translation>Die Verbindung zum Antrieb unter %1 ist verloren.

%2

Nicht geschrieben:
%3

Datei &gt; Erneut verbinden verbindet erneut und liest das Programm wieder.</translation>
    </message>
    <message>
        <source>What the drive holds cannot be read back, so the program is not shown: File &gt; Reconnect reads it again</source>
        <translation>Was der Antrieb enthält, kann nicht zurückgelesen werden, daher wird das Programm nicht gezeigt: Datei &gt; Erneut verbinden liest es wieder</translation>
    </message>
    <message>
        <source>No program is shown.</source>
        <translation>Kein Programm wird angezeigt.</translation>
    </message>
    <message>
        <source>Comparing what the programs do</source>
        <translation>Vergleiche, was die Programme tun</translation>
    </message>
    <message>
        <source>What changes in behaviour: nothing, up to %1 s.</source>
        <translation>Was sich im Verhalten ändert: nichts, bis %1 s.</translation>
    </message>
    <message>
        <source>What changes in behaviour (the drive&apos;s program, then the new one): %1</source>
        <translation>Was sich im Verhalten ändert (das Programm des Antriebs, dann das neue): %1</translation>
    </message>
    <message>
        <source>What changes in behaviour could not be worked out within %1 s.</source>
        <translation>Was sich im Verhalten ändert, ließ sich nicht in %1 s ermitteln.</translation>
    </message>
    <message>
        <source>What changes in behaviour could not be worked out: %1</source>
        <translation>Was sich im Verhalten ändert, ließ sich nicht ermitteln: %1</translation>
    </message>
</context>
<context>
    <name>DriveImage</name>
    <message>
        <source>%1 to %2</source>
        <translation>%1 bis %2</translation>
    </message>
    <message>
        <source>parameter %1</source>
        <translation>Parameter %1</translation>
    </message>
    <message>
        <source>&quot;drive&quot; is missing or not an object</source>
        <translation>&quot;drive&quot; fehlt oder ist kein Objekt</translation>
    </message>
    <message>
        <source>&quot;drive&quot;.&quot;%1&quot; is missing or not a text</source>
        <translation>&quot;drive&quot;.&quot;%1&quot; fehlt oder ist kein Text</translation>
    </message>
    <message>
        <source>&quot;language&quot; is missing or not a text</source>
        <translation>&quot;language&quot; fehlt oder ist kein Text</translation>
    </message>
    <message>
        <source>&quot;indexBase&quot; is missing or not a whole number of at least 0</source>
        <translation>&quot;indexBase&quot; fehlt oder ist keine ganze Zahl ab 0</translation>
    </message>
    <message>
        <source>&quot;choiceLists&quot; is not an object</source>
        <translation>&quot;choiceLists&quot; ist kein Objekt</translation>
    </message>
    <message>
        <source>&quot;parameters&quot; is missing or not a non-empty array</source>
        <translation>&quot;parameters&quot; fehlt oder ist kein nicht leeres Array</translation>
    </message>
    <message>
        <source>entry %1 of &quot;parameters&quot; is not an object</source>
        <translation>Eintrag %1 von &quot;parameters&quot; ist kein Objekt</translation>
    </message>
    <message>
        <source>entry %1 of &quot;parameters&quot;: &quot;number&quot; is missing or not a parameter number</source>
        <translation>Eintrag %1 von &quot;parameters&quot;: &quot;number&quot; fehlt oder ist keine Parameternummer</translation>
    </message>
    <message>
        <source>parameter %1 is listed twice</source>
        <translation>Parameter %1 ist zweimal aufgeführt</translation>
    </message>
    <message>
        <source>%1: &quot;name&quot; is missing or not a text</source>
        <translation>%1: &quot;name&quot; fehlt oder ist kein Text</translation>
    </message>
    <message>
        <source>%1: &quot;elementCount&quot; %2 is too large: a parameter has at most %3 elements</source>
        <translation>%1: &quot;elementCount&quot; %2 ist zu groß: ein Parameter hat höchstens %3 Elemente</translation>
    </message>
    <message>
        <source>%1: &quot;elementCount&quot; is not a whole number from 0 to %2</source>
        <translation>%1: &quot;elementCount&quot; ist keine ganze Zahl von 0 bis %2</translation>
    </message>
    <message>
        <source>%1: indexes %2 to %3 exceed %4, the highest index the host&apos;s parameter interface carries</source>
        <translation>%1: die Indizes %2 bis %3 überschreiten %4, den höchsten Index, den die Parameterschnittstelle des Hosts überträgt</translation>
    </message>
    <message>
        <source>%1: &quot;choices&quot; names the list &quot;%2&quot;, which &quot;choiceLists&quot; does not hold</source>
        <translation>%1: &quot;choices&quot; nennt die Liste &quot;%2&quot;, die &quot;choiceLists&quot; nicht enthält</translation>
    </message>
    <message>
        <source>%1: &quot;choices&quot; is not a non-empty list of &quot;&lt;value&gt;:&lt;text&gt;&quot; items</source>
        <translation>%1: &quot;choices&quot; ist keine nicht leere Liste von Einträgen &quot;&lt;Wert&gt;:&lt;Text&gt;&quot;</translation>
    </message>
    <message>
        <source>%1: choice value %2 is listed twice</source>
        <translation>%1: Auswahlwert %2 ist zweimal aufgeführt</translation>
    </message>
    <message>
        <source>%1: a selection parameter has no &quot;%2&quot;</source>
        <translation>%1: ein Auswahlparameter hat kein &quot;%2&quot;</translation>
    </message>
    <message>
        <source>%1: choice &quot;%2&quot; is not of the form &lt;value&gt;:&lt;text&gt;</source>
        <translation>%1: Auswahl „%2“ hat nicht die Form &lt;Wert&gt;:&lt;Text&gt;</translation>
    </message>
    <message>
        <source>%1: choice value %2 is outside %3, the values the host&apos;s parameter interface carries</source>
        <translation>%1: Auswahlwert %2 liegt außerhalb von %3, den Werten, die die Parameterschnittstelle des Hosts überträgt</translation>
    </message>
    <message>
        <source>%1: &quot;%2&quot; is not a text</source>
        <translation>%1: &quot;%2&quot; ist kein Text</translation>
    </message>
    <message>
        <source>%1: &quot;%2&quot; &quot;%3&quot; is not a decimal number</source>
        <translation>%1: &quot;%2&quot; „%3“ ist keine Dezimalzahl</translation>
    </message>
    <message>
        <source>%1: &quot;decimals&quot; is not a whole number from 0 to 9</source>
        <translation>%1: &quot;decimals&quot; ist keine ganze Zahl von 0 bis 9</translation>
    </message>
    <message>
        <source>%1: &quot;values&quot; must be a list of %2 value</source>
        <translation>%1: &quot;values&quot; muss eine Liste mit %2 Wert sein</translation>
    </message>
    <message>
        <source>%1: &quot;values&quot; must be a list of %2 values</source>
        <translation>%1: &quot;values&quot; muss eine Liste mit %2 Werten sein</translation>
    </message>
    <message>
        <source>%1 element %2</source>
        <translation>%1 Element %2</translation>
    </message>
    <message>
        <source>%1: the value is not a text</source>
        <translation>%1: der Wert ist kein Text</translation>
    </message>
    <message>
        <source>%1: %2 has more decimals than the %3 the parameter keeps</source>
        <translation>%1: %2 hat mehr Nachkommastellen als die %3, die der Parameter speichert</translation>
    </message>
    <message>
        <source>a parameter has a &quot;register&quot;, but the image has no &quot;modbus&quot;</source>
        <translation>ein Parameter hat ein &quot;register&quot;, aber das Abbild hat kein &quot;modbus&quot;</translation>
    </message>
    <message>
        <source>&quot;modbus&quot; is not an object</source>
        <translation>&quot;modbus&quot; ist kein Objekt</translation>
    </message>
    <message>
        <source>&quot;modbus&quot;.&quot;unit&quot; is not a whole number from 1 to 247</source>
        <translation>&quot;modbus&quot;.&quot;unit&quot; ist keine ganze Zahl von 1 bis 247</translation>
    </message>
    <message>
        <source>&quot;modbus&quot;.&quot;wordOrder&quot; is neither &quot;high-first&quot; nor &quot;low-first&quot;</source>
        <translation>&quot;modbus&quot;.&quot;wordOrder&quot; ist weder &quot;high-first&quot; noch &quot;low-first&quot;</translation>
    </message>
    <message>
        <source>&quot;modbus&quot;.&quot;identificationRegister&quot; is not a whole number from 0 to %1</source>
        <translation>&quot;modbus&quot;.&quot;identificationRegister&quot; ist keine ganze Zahl von 0 bis %1</translation>
    </message>
    <message>
        <source>the status block</source>
        <translation>der Statusblock</translation>
    </message>
    <message>
        <source>the input block</source>
        <translation>der Eingangsblock</translation>
    </message>
    <message>
        <source>the status block and the input block share holding registers</source>
        <translation>der Statusblock und der Eingangsblock teilen sich Holding-Register</translation>
    </message>
    <message>
        <source>&quot;modbus&quot;.&quot;%1&quot; is not a whole number from 0 to %2 (%3 takes %4 registers)</source>
        <translation>&quot;modbus&quot;.&quot;%1&quot; ist keine ganze Zahl von 0 bis %2 (%3 belegt %4 Register)</translation>
    </message>
    <message>
        <source>%1 shares holding registers with the identification</source>
        <translation>%1 teilt sich Holding-Register mit der Identifikation</translation>
    </message>
    <message>
        <source>%1 shares holding registers with parameter %2</source>
        <translation>%1 teilt sich Holding-Register mit Parameter %2</translation>
    </message>
    <message>
        <source>%1: &quot;register&quot; is missing or not a whole number from 0 to %2</source>
        <translation>%1: &quot;register&quot; fehlt oder ist keine ganze Zahl von 0 bis %2</translation>
    </message>
    <message>
        <source>%1: &quot;width&quot; is neither 1 nor 2</source>
        <translation>%1: &quot;width&quot; ist weder 1 noch 2</translation>
    </message>
    <message>
        <source>%1: its registers run past %2</source>
        <translation>%1: seine Register reichen über %2 hinaus</translation>
    </message>
    <message>
        <source>%1: %2 (&quot;width&quot; %3)</source>
        <translation>%1: %2 (&quot;width&quot; %3)</translation>
    </message>
    <message>
        <source>parameters %1 and %2 share holding registers</source>
        <translation>die Parameter %1 und %2 teilen sich Holding-Register</translation>
    </message>
    <message>
        <source>parameter %1 shares holding registers with the identification</source>
        <translation>Parameter %1 teilt sich Holding-Register mit der Identifikation</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a choice value</source>
        <translation>„%1“ ist kein Auswahlwert</translation>
    </message>
    <message>
        <source>choice value %1 is outside %2</source>
        <translation>Auswahlwert %1 liegt außerhalb von %2</translation>
    </message>
    <message>
        <source>choice value %1 is not in the choice list of parameter %2</source>
        <translation>Auswahlwert %1 steht nicht in der Auswahlliste von Parameter %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a decimal number</source>
        <translation>„%1“ ist keine Dezimalzahl</translation>
    </message>
    <message>
        <source>%1 is outside the limits %2 to %3 of parameter %4</source>
        <translation>%1 liegt außerhalb der Grenzen %2 bis %3 von Parameter %4</translation>
    </message>
    <message>
        <source>%1: not valid JSON (%2 at offset %3)</source>
        <translation>%1: kein gültiges JSON (%2 bei Offset %3)</translation>
    </message>
    <message>
        <source>%1: not a drive image (the top level is not a JSON object)</source>
        <translation>%1: kein Antriebsabbild (die oberste Ebene ist kein JSON-Objekt)</translation>
    </message>
    <message>
        <source>%1: cannot be read (%2)</source>
        <translation>%1: kann nicht gelesen werden (%2)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a parameter number</source>
        <translation>„%1“ ist keine Parameternummer</translation>
    </message>
    <message>
        <source>no parameter %1</source>
        <translation>kein Parameter %1</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a parameter identifier</source>
        <translation>„%1“ ist keine Parameterkennung</translation>
    </message>
    <message>
        <source>parameter %1 has elements; it needs an index</source>
        <translation>Parameter %1 hat Elemente; er braucht einen Index</translation>
    </message>
    <message>
        <source>parameter %1 has no elements (index %2)</source>
        <translation>Parameter %1 hat keine Elemente (Index %2)</translation>
    </message>
    <message>
        <source>parameter %1 has no element %2 (indexes %3 to %4)</source>
        <translation>Parameter %1 hat kein Element %2 (Indizes %3 bis %4)</translation>
    </message>
    <message>
        <source>no setup &quot;%1&quot;</source>
        <translation>kein Parametersatz „%1“</translation>
    </message>
    <message>
        <source>%1 identifiers but %2 values</source>
        <translation>%1 Kennungen, aber %2 Werte</translation>
    </message>
</context>
<context>
    <name>DriveJournal</name>
    <message>
        <source>Undo: the drive no longer holds what it held after that change (%1 holds %2, not %3). Overwrite it?</source>
        <translation>Rückgängig: Der Antrieb enthält nicht mehr, was er nach dieser Änderung enthielt (%1 enthält %2, nicht %3). Überschreiben?</translation>
    </message>
    <message>
        <source>Redo: the drive no longer holds what it held after that change (%1 holds %2, not %3). Overwrite it?</source>
        <translation>Wiederholen: Der Antrieb enthält nicht mehr, was er nach dieser Änderung enthielt (%1 enthält %2, nicht %3). Überschreiben?</translation>
    </message>
</context>
<context>
    <name>FleetDialog</name>
    <message>
        <source>waiting</source>
        <translation>wartet</translation>
    </message>
    <message>
        <source>connecting</source>
        <translation>verbindet</translation>
    </message>
    <message>
        <source>reading</source>
        <translation>liest</translation>
    </message>
    <message>
        <source>checking</source>
        <translation>prüft</translation>
    </message>
    <message>
        <source>writing</source>
        <translation>schreibt</translation>
    </message>
    <message>
        <source>written</source>
        <translation>geschrieben</translation>
    </message>
    <message>
        <source>identical</source>
        <translation>gleich</translation>
    </message>
    <message>
        <source>partly written</source>
        <translation>teilweise geschrieben</translation>
    </message>
    <message>
        <source>refused</source>
        <translation>abgelehnt</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>fehlgeschlagen</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>abgebrochen</translation>
    </message>
    <message>
        <source>Choose the program file to write into the drives.</source>
        <translation>Wählen Sie die Programmdatei, die in die Antriebe geschrieben werden soll.</translation>
    </message>
    <message>
        <source>Cancelling: drives being written finish their import.</source>
        <translation>Abbruch: Antriebe, die gerade geschrieben werden, beenden ihren Import.</translation>
    </message>
    <message>
        <source>Save fleet report</source>
        <translation>Flottenbericht speichern</translation>
    </message>
    <message>
        <source>Reports (*.json);;All files (*)</source>
        <translation>Berichte (*.json);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The report was not saved: %1</source>
        <translation>Der Bericht wurde nicht gespeichert: %1</translation>
    </message>
    <message>
        <source>The fleet is still being written. Cancel it and close when the drives have ended?</source>
        <translation>Die Flotte wird noch geschrieben. Abbrechen und schließen, sobald die Antriebe fertig sind?</translation>
    </message>
    <message>
        <source>Program to write into the drives</source>
        <translation>Programm, das in die Antriebe geschrieben wird</translation>
    </message>
    <message>
        <source>Program files (*.nebpt.json *.json);;All files (*)</source>
        <translation>Programmdateien (*.nebpt.json *.json);;Alle Dateien (*)</translation>
    </message>
    <message numerus="yes">
        <source>%n drive(s) ended: %1</source>
        <translation>
            <numerusform>%n Antrieb beendet: %1</numerusform>
            <numerusform>%n Antriebe beendet: %1</numerusform>
        </translation>
    </message>
    <message>
        <source>The fleet was not run: %1</source>
        <translation>Die Flotte wurde nicht ausgeführt: %1</translation>
    </message>
    <message>
        <source>Fleet: %1</source>
        <translation>Flotte: %1</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Antrieb</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Drives of the fleet</source>
        <translation>Antriebe der Flotte</translation>
    </message>
    <message>
        <source>&amp;Program file:</source>
        <translation>&amp;Programmdatei:</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Starten</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Save &amp;report...</source>
        <translation>&amp;Bericht speichern...</translation>
    </message>
    <message>
        <source>C&amp;lose</source>
        <translation>Sch&amp;ließen</translation>
    </message>
    <message>
        <source>How the drives ended</source>
        <translation>Wie die Antriebe endeten</translation>
    </message>
</context>
<context>
    <name>HostWindow</name>
    <message>
        <source>Export program</source>
        <translation>Programm exportieren</translation>
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
        <source>Program files (*.nebpt.json *.json);;All files (*)</source>
        <translation>Programmdateien (*.nebpt.json *.json);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Co&amp;nnect to drive...</source>
        <translation>Mit Antrieb verbi&amp;nden...</translation>
    </message>
    <message>
        <source>&amp;Drive</source>
        <translation>An&amp;trieb</translation>
    </message>
    <message>
        <source>Edit &amp;online</source>
        <translation>&amp;Online bearbeiten</translation>
    </message>
    <message>
        <source>Writes every change to the drive at once</source>
        <translation>Schreibt jede Änderung sofort in den Antrieb</translation>
    </message>
    <message>
        <source>&amp;Download...</source>
        <translation>&amp;Herunterladen...</translation>
    </message>
    <message>
        <source>Writes the changes of the working copy to the drive and reads them back</source>
        <translation>Schreibt die Änderungen der Arbeitskopie in den Antrieb und liest sie zurück</translation>
    </message>
    <message>
        <source>&amp;Upload</source>
        <translation>Hoch&amp;laden</translation>
    </message>
    <message>
        <source>Takes the drive&apos;s program into the working copy</source>
        <translation>Übernimmt das Programm des Antriebs in die Arbeitskopie</translation>
    </message>
    <message>
        <source>Check program</source>
        <translation>Programm prüfen</translation>
    </message>
    <message>
        <source>Findings of the program check</source>
        <translation>Befunde der Programmprüfung</translation>
    </message>
    <message>
        <source>Editing mode</source>
        <translation>Bearbeitungsmodus</translation>
    </message>
    <message>
        <source>closing the window</source>
        <translation>dem Schließen des Fensters</translation>
    </message>
    <message>
        <source>ONLINE: every change is written to the drive</source>
        <translation>ONLINE: jede Änderung wird in den Antrieb geschrieben</translation>
    </message>
    <message numerus="yes">
        <source>offline — %n change(s) not on the drive</source>
        <translation>
            <numerusform>offline — %n Änderung nicht im Antrieb</numerusform>
            <numerusform>offline — %n Änderungen nicht im Antrieb</numerusform>
        </translation>
    </message>
    <message>
        <source>offline — changes not counted</source>
        <translation>offline — Änderungen nicht gezählt</translation>
    </message>
    <message>
        <source>ONLINE</source>
        <translation>ONLINE</translation>
    </message>
    <message>
        <source>Return or a double click selects the pair</source>
        <translation>Eingabetaste oder Doppelklick wählt das Paar aus</translation>
    </message>
    <message>
        <source>Nothing in the program looks wrong</source>
        <translation>Im Programm sieht nichts falsch aus</translation>
    </message>
    <message numerus="yes">
        <source>%n finding(s) in the program</source>
        <translation>
            <numerusform>%n Befund im Programm</numerusform>
            <numerusform>%n Befunde im Programm</numerusform>
        </translation>
    </message>
    <message>
        <source>Title block</source>
        <translation>Schriftfeld</translation>
    </message>
    <message>
        <source>Pro&amp;ject:</source>
        <translation>Pro&amp;jekt:</translation>
    </message>
    <message>
        <source>A&amp;uthor:</source>
        <translation>&amp;Bearbeiter:</translation>
    </message>
    <message>
        <source>Re&amp;vision:</source>
        <translation>Re&amp;vision:</translation>
    </message>
    <message>
        <source>The program cannot be printed: the printer cannot be used.</source>
        <translation>Das Programm kann nicht gedruckt werden: Der Drucker kann nicht verwendet werden.</translation>
    </message>
    <message>
        <source>F&amp;leet...</source>
        <translation>F&amp;lotte...</translation>
    </message>
    <message>
        <source>Writes one program into the drives a fleet file names</source>
        <translation>Schreibt ein Programm in die Antriebe, die eine Flottendatei nennt</translation>
    </message>
    <message>
        <source>Open fleet file</source>
        <translation>Flottendatei öffnen</translation>
    </message>
    <message>
        <source>Fleet files (*.json);;All files (*)</source>
        <translation>Flottendateien (*.json);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The fleet file cannot be used: %1</source>
        <translation>Die Flottendatei kann nicht verwendet werden: %1</translation>
    </message>
</context>
<context>
    <name>JobProgress</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Cancelling: waiting for the answer to the last request</source>
        <translation>Abbrechen: Warten auf die Antwort auf die letzte Anfrage</translation>
    </message>
</context>
<context>
    <name>ModbusDrive</name>
    <message>
        <source>the drive closed the connection</source>
        <translation>der Antrieb hat die Verbindung geschlossen</translation>
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
        <source>parameter %1 elements %2 to %3</source>
        <translation>Parameter %1 Elemente %2 bis %3</translation>
    </message>
    <message>
        <source>Illegal function</source>
        <translation>Unzulässige Funktion</translation>
    </message>
    <message>
        <source>Illegal data address</source>
        <translation>Unzulässige Datenadresse</translation>
    </message>
    <message>
        <source>Illegal data value</source>
        <translation>Unzulässiger Datenwert</translation>
    </message>
    <message>
        <source>Slave device or server failure</source>
        <translation>Fehler im Slave-Gerät oder Server</translation>
    </message>
    <message>
        <source>Slave device or server is busy</source>
        <translation>Slave-Gerät oder Server ist beschäftigt</translation>
    </message>
    <message>
        <source>Target device failed to respond</source>
        <translation>Zielgerät antwortet nicht</translation>
    </message>
    <message>
        <source>%1 from %2: %3</source>
        <translation>%1 aus %2: %3</translation>
    </message>
    <message>
        <source>%1 to %2: %3</source>
        <translation>%1 in %2: %3</translation>
    </message>
    <message>
        <source>timed out: no answer within %1 ms</source>
        <translation>Zeitüberschreitung: keine Antwort innerhalb von %1 ms</translation>
    </message>
    <message>
        <source>the profile %1 has no register map with identification registers (&quot;modbus&quot;)</source>
        <translation>das Profil %1 hat keine Registerzuordnung mit Identifikationsregistern (&quot;modbus&quot;)</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>nicht verbunden</translation>
    </message>
    <message>
        <source>connecting to %1: %2</source>
        <translation>Verbinden mit %1: %2</translation>
    </message>
    <message>
        <source>cannot resolve host name &quot;%1&quot;: %2</source>
        <translation>der Hostname „%1“ lässt sich nicht auflösen: %2</translation>
    </message>
    <message>
        <source>timed out: no connection within %1 ms</source>
        <translation>Zeitüberschreitung: keine Verbindung innerhalb von %1 ms</translation>
    </message>
    <message>
        <source>reading the drive&apos;s identification</source>
        <translation>Lesen der Antriebsidentifikation</translation>
    </message>
    <message>
        <source>the drive at %1 is of type &quot;%2&quot;, but the profile %3 is for drive type &quot;%4&quot;</source>
        <translation>der Antrieb unter %1 ist vom Typ „%2“, das Profil %3 gilt aber für den Antriebstyp „%4“</translation>
    </message>
    <message>
        <source>the answer is no Modbus TCP frame</source>
        <translation>die Antwort ist kein Modbus-TCP-Telegramm</translation>
    </message>
    <message>
        <source>the answer comes from unit %1</source>
        <translation>die Antwort kommt von Unit-ID %1</translation>
    </message>
    <message>
        <source>the answer&apos;s CRC is wrong</source>
        <translation>die Prüfsumme (CRC) der Antwort ist falsch</translation>
    </message>
    <message>
        <source>the link is down (%1)</source>
        <translation>die Verbindung ist unterbrochen (%1)</translation>
    </message>
    <message>
        <source>the answer does not answer the request</source>
        <translation>die Antwort passt nicht zur Anfrage</translation>
    </message>
    <message>
        <source>the answer carries another number of registers</source>
        <translation>die Antwort enthält eine andere Anzahl Register</translation>
    </message>
    <message>
        <source>the answer does not confirm the registers written</source>
        <translation>die Antwort bestätigt die geschriebenen Register nicht</translation>
    </message>
    <message>
        <source>reading parameter %1</source>
        <translation>Lesen von Parameter %1</translation>
    </message>
    <message>
        <source>link lost</source>
        <translation>Verbindung verloren</translation>
    </message>
    <message>
        <source>parameter %1 has no register in the profile</source>
        <translation>Parameter %1 hat im Profil kein Register</translation>
    </message>
    <message>
        <source>there is no write to carry out again</source>
        <translation>es gibt keinen Schreibvorgang, der wiederholt werden könnte</translation>
    </message>
    <message>
        <source>writing back %1</source>
        <translation>Zurückschreiben von %1</translation>
    </message>
    <message>
        <source>writing %1</source>
        <translation>Schreiben von %1</translation>
    </message>
    <message>
        <source>reading back %1</source>
        <translation>Zurücklesen von %1</translation>
    </message>
    <message>
        <source>the drive holds other values than were written</source>
        <translation>der Antrieb enthält andere Werte als geschrieben</translation>
    </message>
    <message>
        <source>other values read back</source>
        <translation>andere Werte zurückgelesen</translation>
    </message>
    <message>
        <source>%1; then %2</source>
        <translation>%1; danach %2</translation>
    </message>
    <message>
        <source>writing to %1: the link is down (%2)</source>
        <translation>Schreiben in %1: die Verbindung ist unterbrochen (%2)</translation>
    </message>
</context>
<context>
    <name>MonitorChart</name>
    <message>
        <source>Step</source>
        <translation>Schritt</translation>
    </message>
    <message>
        <source>not running</source>
        <translation>läuft nicht</translation>
    </message>
    <message>
        <source>Actions</source>
        <translation>Aktionen</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>s</source>
        <comment>seconds on the time axis</comment>
        <translation>s</translation>
    </message>
</context>
<context>
    <name>ProgramFile</name>
    <message>
        <source>the drive</source>
        <translation>der Antrieb</translation>
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
        <source>true</source>
        <translation>wahr</translation>
    </message>
    <message>
        <source>false</source>
        <translation>falsch</translation>
    </message>
    <message>
        <source>Step change seen at</source>
        <translation>Schrittwechsel gesehen um</translation>
    </message>
    <message>
        <source>Simulated time (s)</source>
        <translation>Simulierte Zeit (s)</translation>
    </message>
    <message>
        <source>Action performed</source>
        <translation>Ausgeführte Aktion</translation>
    </message>
    <message>
        <source>Actions performed</source>
        <translation>Ausgeführte Aktionen</translation>
    </message>
    <message>
        <source>Link lost: %1</source>
        <translation>Verbindung verloren: %1</translation>
    </message>
    <message>
        <source>ran out</source>
        <translation>abgelaufen</translation>
    </message>
    <message>
        <source>idle</source>
        <translation>inaktiv</translation>
    </message>
    <message>
        <source>As last seen at %1; what the drive does now is unknown.</source>
        <translation>Zuletzt gesehen um %1; was der Antrieb jetzt tut, ist unbekannt.</translation>
    </message>
    <message>
        <source>The program cannot be read from the drive in %1.

%2</source>
        <translation>Das Programm kann nicht vom Antrieb in %1 gelesen werden.

%2</translation>
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
    <message>
        <source>The inputs cannot be set: the drive&apos;s input block holds other inputs than the program shown reads. Read the drive again (File &gt; Refresh).</source>
        <translation>Die Eingänge können nicht gesetzt werden: Der Eingangsblock des Antriebs enthält andere Eingänge, als das gezeigte Programm liest. Lesen Sie den Antrieb erneut (Datei &gt; Aktualisieren).</translation>
    </message>
    <message>
        <source>The last minute as a timing chart</source>
        <translation>Die letzte Minute als Zeitdiagramm</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Aufzeichnen</translation>
    </message>
    <message>
        <source>the drive&apos;s program changed while recording</source>
        <translation>das Programm des Antriebs hat sich während der Aufzeichnung geändert</translation>
    </message>
    <message>
        <source>the link to the drive was lost: %1</source>
        <translation>die Verbindung zum Antrieb ist verloren: %1</translation>
    </message>
    <message>
        <source>the monitor no longer shows the drive</source>
        <translation>der Monitor zeigt den Antrieb nicht mehr</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Record...</source>
        <translation>Aufzeichnen...</translation>
    </message>
    <message>
        <source>Stops recording and asks for the file to write the scenario to.</source>
        <translation>Beendet die Aufzeichnung und fragt nach der Datei, in die das Szenario geschrieben wird.</translation>
    </message>
    <message>
        <source>Records what the drive does as a scenario that replays on the model.</source>
        <translation>Zeichnet auf, was der Antrieb tut, als Szenario, das sich auf dem Modell wiederholen lässt.</translation>
    </message>
    <message>
        <source>Recording: waiting for the drive&apos;s state</source>
        <translation>Aufzeichnung: Warten auf den Zustand des Antriebs</translation>
    </message>
    <message>
        <source>the controller&apos;s inputs cannot be read</source>
        <translation>die Eingänge der Steuerung können nicht gelesen werden</translation>
    </message>
    <message>
        <source>the drive&apos;s program changed while recording (its input block has another layout)</source>
        <translation>das Programm des Antriebs hat sich während der Aufzeichnung geändert (sein Eingangsblock hat eine andere Belegung)</translation>
    </message>
    <message>
        <source>Recording: %1 s</source>
        <translation>Aufzeichnung: %1 s</translation>
    </message>
    <message>
        <source>No poll answered while recording; nothing was written.</source>
        <translation>Während der Aufzeichnung hat keine Abfrage geantwortet; es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>Save the recording as a scenario</source>
        <translation>Aufzeichnung als Szenario speichern</translation>
    </message>
    <message>
        <source>Scenarios (*.json);;All files (*)</source>
        <translation>Szenarien (*.json);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The recording was not saved.</source>
        <translation>Die Aufzeichnung wurde nicht gespeichert.</translation>
    </message>
    <message>
        <source>The recording was not saved: %1</source>
        <translation>Die Aufzeichnung wurde nicht gespeichert: %1</translation>
    </message>
    <message>
        <source>Recorded %1 s into %2</source>
        <translation>%1 s in %2 aufgezeichnet</translation>
    </message>
    <message>
        <source>The recording ended: %1; nothing was written.</source>
        <translation>Die Aufzeichnung wurde beendet: %1; es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>The drive&apos;s program has changed: reading it again to name its inputs.</source>
        <translation>Das Programm des Antriebs hat sich geändert: es wird erneut gelesen, um seine Eingänge zu benennen.</translation>
    </message>
</context>
<context>
    <name>SimulatedDrive</name>
    <message>
        <source>the drive image %1 is opened only to be read</source>
        <translation>das Antriebsabbild %1 ist nur zum Lesen geöffnet</translation>
    </message>
    <message>
        <source>the drive image %1 is write-protected (mode %2)</source>
        <translation>das Antriebsabbild %1 ist schreibgeschützt (Zugriffsrechte %2)</translation>
    </message>
    <message>
        <source>the drive image %1 is in a write-protected folder (%2)</source>
        <translation>das Antriebsabbild %1 liegt in einem schreibgeschützten Ordner (%2)</translation>
    </message>
    <message>
        <source>the drive image %1 is open in another host</source>
        <translation>das Antriebsabbild %1 ist in einem anderen Host geöffnet</translation>
    </message>
    <message>
        <source>the drive image %1 cannot be locked (%2)</source>
        <translation>das Antriebsabbild %1 lässt sich nicht sperren (%2)</translation>
    </message>
    <message>
        <source>image opened only to be read</source>
        <translation>Abbild nur zum Lesen geöffnet</translation>
    </message>
    <message>
        <source>write-protected image</source>
        <translation>schreibgeschütztes Abbild</translation>
    </message>
    <message>
        <source>image in a write-protected folder</source>
        <translation>Abbild in schreibgeschütztem Ordner</translation>
    </message>
    <message>
        <source>image open in another host</source>
        <translation>Abbild in anderem Host geöffnet</translation>
    </message>
    <message>
        <source>image cannot be locked</source>
        <translation>Abbild nicht sperrbar</translation>
    </message>
    <message>
        <source>image changed on disk</source>
        <translation>Abbild auf dem Datenträger geändert</translation>
    </message>
    <message>
        <source>image cannot be saved</source>
        <translation>Abbild nicht speicherbar</translation>
    </message>
    <message>
        <source>cannot be read (%1)</source>
        <translation>kann nicht gelesen werden (%1)</translation>
    </message>
    <message>
        <source>is being replaced on disk while it is opened; open it again</source>
        <translation>wird auf dem Datenträger ersetzt, während es geöffnet wird; öffnen Sie es erneut</translation>
    </message>
    <message>
        <source>it changed on disk since it was opened; reopen it</source>
        <translation>es wurde auf dem Datenträger geändert, seit es geöffnet wurde; öffnen Sie es erneut</translation>
    </message>
    <message>
        <source>it is write-protected (mode %1)</source>
        <translation>es ist schreibgeschützt (Zugriffsrechte %1)</translation>
    </message>
    <message>
        <source>it is in a write-protected folder (%1)</source>
        <translation>es liegt in einem schreibgeschützten Ordner (%1)</translation>
    </message>
    <message>
        <source>cannot save the drive image %1: %2</source>
        <translation>das Antriebsabbild %1 kann nicht gespeichert werden: %2</translation>
    </message>
    <message>
        <source>cannot lock the new file (%1)</source>
        <translation>die neue Datei lässt sich nicht sperren (%1)</translation>
    </message>
    <message>
        <source>no parameter %1</source>
        <translation>kein Parameter %1</translation>
    </message>
    <message>
        <source>parameter %1 has no element %2</source>
        <translation>Parameter %1 hat kein Element %2</translation>
    </message>
    <message>
        <source>%1, so it is read-only here</source>
        <translation>%1, daher ist es hier nur lesbar</translation>
    </message>
</context>
<context>
    <name>WorkingCopy</name>
    <message>
        <source>%1 is no element of the program in the working copy</source>
        <translation>%1 ist kein Element des Programms in der Arbeitskopie</translation>
    </message>
</context>
<context>
    <name>WriteOutcome</name>
    <message>
        <source>the drive holds what was written</source>
        <translation>der Antrieb enthält, was geschrieben wurde</translation>
    </message>
    <message>
        <source>the drive holds what it held before; nothing was written</source>
        <translation>der Antrieb enthält, was er vorher enthielt; nichts wurde geschrieben</translation>
    </message>
    <message>
        <source>the drive holds a partly written program: %1 differs from what was written</source>
        <translation>der Antrieb enthält ein teilweise geschriebenes Programm: %1 weicht vom Geschriebenen ab</translation>
    </message>
    <message>
        <source>the drive holds a partly written program: %1 differ from what was written</source>
        <translation>der Antrieb enthält ein teilweise geschriebenes Programm: %1 weichen vom Geschriebenen ab</translation>
    </message>
    <message>
        <source>the drive may hold a partly written program (it could not be read back): %1 may differ from what was written</source>
        <comment>one part</comment>
        <translation>der Antrieb enthält möglicherweise ein teilweise geschriebenes Programm (er konnte nicht zurückgelesen werden): %1 weicht möglicherweise vom Geschriebenen ab</translation>
    </message>
    <message>
        <source>the drive may hold a partly written program (it could not be read back): %1 may differ from what was written</source>
        <comment>several parts</comment>
        <translation>der Antrieb enthält möglicherweise ein teilweise geschriebenes Programm (er konnte nicht zurückgelesen werden): %1 weichen möglicherweise vom Geschriebenen ab</translation>
    </message>
</context>
</TS>

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>DriveDocument</name>
    <message numerus="yes">
        <source>%n more value(s)</source>
        <translation>
            <numerusform>%n more value</numerusform>
            <numerusform>%n more values</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>and %n more value(s)</source>
        <translation>
            <numerusform>and %n more value</numerusform>
            <numerusform>and %n more values</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The working copy holds %n change(s) not on the drive at %1.

Download the working copy before %2? Yes downloads it, No drops its changes, Cancel goes back.</source>
        <translation>
            <numerusform>The working copy holds %n change not on the drive at %1.

Download the working copy before %2? Yes downloads it, No drops its changes, Cancel goes back.</numerusform>
            <numerusform>The working copy holds %n changes not on the drive at %1.

Download the working copy before %2? Yes downloads it, No drops its changes, Cancel goes back.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>... and %n more</source>
        <translation>
            <numerusform>... and %n more</numerusform>
            <numerusform>... and %n more</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Download %n change(s) to the drive at %1?

%2</source>
        <translation>
            <numerusform>Download %n change to the drive at %1?

%2</numerusform>
            <numerusform>Download %n changes to the drive at %1?

%2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n change(s) downloaded to %1 and read back</source>
        <translation>
            <numerusform>%n change downloaded to %1 and read back</numerusform>
            <numerusform>%n changes downloaded to %1 and read back</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Upload takes the program of the drive at %1 into the working copy and drops its %n change(s) not on the drive.

Upload?</source>
        <translation>
            <numerusform>Upload takes the program of the drive at %1 into the working copy and drops its %n change not on the drive.

Upload?</numerusform>
            <numerusform>Upload takes the program of the drive at %1 into the working copy and drops its %n changes not on the drive.

Upload?</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Import the program in %1 into the drive in %2? %n element(s) change.</source>
        <translation>
            <numerusform>Import the program in %1 into the drive in %2? %n element changes.</numerusform>
            <numerusform>Import the program in %1 into the drive in %2? %n elements change.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>FleetDialog</name>
    <message numerus="yes">
        <source>%n drive(s) ended: %1</source>
        <translation>
            <numerusform>%n drive ended: %1</numerusform>
            <numerusform>%n drives ended: %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>HostWindow</name>
    <message numerus="yes">
        <source>offline — %n change(s) not on the drive</source>
        <translation>
            <numerusform>offline — %n change not on the drive</numerusform>
            <numerusform>offline — %n changes not on the drive</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n finding(s) in the program</source>
        <translation>
            <numerusform>%n finding in the program</numerusform>
            <numerusform>%n findings in the program</numerusform>
        </translation>
    </message>
</context>
</TS>

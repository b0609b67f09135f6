<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>bom-import</name>
    <message numerus="yes">
        <source>%n finding(s)</source>
        <translation>
            <numerusform>%n finding</numerusform>
            <numerusform>%n findings</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n item(s)</source>
        <comment>checked in</comment>
        <translation>
            <numerusform>%n item</numerusform>
            <numerusform>%n items</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n line(s)</source>
        <comment>checked in</comment>
        <translation>
            <numerusform>%n line</numerusform>
            <numerusform>%n lines</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n item(s)</source>
        <comment>written</comment>
        <translation>
            <numerusform>%n item</numerusform>
            <numerusform>%n items</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n line(s)</source>
        <comment>written</comment>
        <translation>
            <numerusform>%n line</numerusform>
            <numerusform>%n lines</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>desktop</name>
    <message numerus="yes">
        <source>The editor stopped unexpectedly %Ln times since it last asked and left a report each time; nothing was sent anywhere.
Open their folder?</source>
        <translation>
            <numerusform>The editor stopped unexpectedly %Ln time since it last asked and left a report; nothing was sent anywhere.
Open its folder?</numerusform>
            <numerusform>The editor stopped unexpectedly %Ln times since it last asked and left a report each time; nothing was sent anywhere.
Open their folder?</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::CheckDatabaseDialog</name>
    <message numerus="yes">
        <source>%Ln item(s)</source>
        <translation>
            <numerusform>%Ln item</numerusform>
            <numerusform>%Ln items</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln line(s)</source>
        <translation>
            <numerusform>%Ln line</numerusform>
            <numerusform>%Ln lines</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Findings: %Ln, in %1.</source>
        <translation>
            <numerusform>Findings: %Ln, in %1.</numerusform>
            <numerusform>Findings: %Ln, in %1.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::ItemPickDialog</name>
    <message numerus="yes">
        <source>No item&apos;s ID is &apos;%1&apos;; %Ln item(s) hold(s) it: choose one in the list (Down, then Enter).</source>
        <translation>
            <numerusform>No item&apos;s ID is &apos;%1&apos;; %Ln item holds it: choose one in the list (Down, then Enter).</numerusform>
            <numerusform>No item&apos;s ID is &apos;%1&apos;; %Ln items hold it: choose one in the list (Down, then Enter).</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::PasteDialog</name>
    <message numerus="yes">
        <source>%Ln line(s) go(es)</source>
        <translation>
            <numerusform>%Ln line goes</numerusform>
            <numerusform>%Ln lines go</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>None of the %Ln lines can go into %1; nothing is written.</source>
        <translation>
            <numerusform>The line cannot go into %1; nothing is written.</numerusform>
            <numerusform>None of the %Ln lines can go into %1; nothing is written.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln refused line(s) is/are</source>
        <translation>
            <numerusform>%Ln refused line is</numerusform>
            <numerusform>%Ln refused lines are</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Add %Ln Line(s)</source>
        <translation>
            <numerusform>Add %Ln Line</numerusform>
            <numerusform>Add %Ln Lines</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::ReplaceDialog</name>
    <message numerus="yes">
        <source>Replace %1 with %2 in the ticked assemblies (%Ln list(s) %1):</source>
        <translation>
            <numerusform>Replace %1 with %2 in the ticked assemblies (%Ln lists %1):</numerusform>
            <numerusform>Replace %1 with %2 in the ticked assemblies (%Ln list %1):</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Remove %1 from the ticked assemblies (%Ln list(s) it):</source>
        <translation>
            <numerusform>Remove %1 from the ticked assemblies (%Ln lists it):</numerusform>
            <numerusform>Remove %1 from the ticked assemblies (%Ln list it):</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Set the quantity of %1 in %Ln assembly/assemblies</source>
        <translation>
            <numerusform>Set the quantity of %1 in %Ln assembly</numerusform>
            <numerusform>Set the quantity of %1 in %Ln assemblies</numerusform>
        </translation>
    </message>
</context>
</TS>

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
    <name>shell</name>
    <message numerus="yes">
        <source>… and %n more</source>
        <translation>
            <numerusform>… and %n more</numerusform>
            <numerusform>… and %n more</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Apply the draft %1 to the database? It adds %2, changes %3 and removes %n line(s).</source>
        <translation>
            <numerusform>Apply the draft %1 to the database? It adds %2, changes %3 and removes %n line.</numerusform>
            <numerusform>Apply the draft %1 to the database? It adds %2, changes %3 and removes %n lines.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The draft %1 is applied: %n line(s) written as one change, %2 kept as they were.</source>
        <translation>
            <numerusform>The draft %1 is applied: %n line written as one change, %2 kept as they were.</numerusform>
            <numerusform>The draft %1 is applied: %n lines written as one change, %2 kept as they were.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n assemblies listed here</source>
        <translation>
            <numerusform>%n assembly listed here</numerusform>
            <numerusform>%n assemblies listed here</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <translation>
            <numerusform>%1 and %n more</numerusform>
            <numerusform>%1 and %n more</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Draft %1 written to %2: %n line(s).</source>
        <translation>
            <numerusform>Draft %1 written to %2: %n line.</numerusform>
            <numerusform>Draft %1 written to %2: %n lines.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Draft %1 printed: %n page(s).</source>
        <translation>
            <numerusform>Draft %1 printed: %n page.</numerusform>
            <numerusform>Draft %1 printed: %n pages.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::AsOfCommands</name>
    <message numerus="yes">
        <source>%1 as it stood at %2%3: %Ln line(s), read-only.</source>
        <translation>
            <numerusform>%1 as it stood at %2%3: %Ln line, read-only.</numerusform>
            <numerusform>%1 as it stood at %2%3: %Ln lines, read-only.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::BulkCommands</name>
    <message numerus="yes">
        <source>Copy the %Ln line(s) of %1 into the bill of the item:</source>
        <translation>
            <numerusform>Copy the %Ln line of %1 into the bill of the item:</numerusform>
            <numerusform>Copy the %Ln lines of %1 into the bill of the item:</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>OK: %1 of the %Ln line(s) of %2 go into the bill of %3</source>
        <translation>
            <numerusform>OK: %1 of the %Ln line of %2 goes into the bill of %3</numerusform>
            <numerusform>OK: %1 of the %Ln lines of %2 go into the bill of %3</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::ChangeHistoryDialog</name>
    <message numerus="yes">
        <source>%Ln change(s) listed; the history keeps %1 since %2.</source>
        <translation>
            <numerusform>%Ln change listed; the history keeps %1 since %2.</numerusform>
            <numerusform>%Ln changes listed; the history keeps %1 since %2.</numerusform>
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
    <name>shell::CompareCommands</name>
    <message numerus="yes">
        <source>%Ln item(s): %1 added, %2 removed, %3 changed, %4 unchanged</source>
        <translation>
            <numerusform>%Ln item: %1 added, %2 removed, %3 changed, %4 unchanged</numerusform>
            <numerusform>%Ln items: %1 added, %2 removed, %3 changed, %4 unchanged</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> The indented comparison shows the first %Ln row(s).</source>
        <translation>
            <numerusform> The indented comparison shows the first %Ln row.</numerusform>
            <numerusform> The indented comparison shows the first %Ln rows.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Comparison written to %1: %Ln row(s).</source>
        <translation>
            <numerusform>Comparison written to %1: %Ln row.</numerusform>
            <numerusform>Comparison written to %1: %Ln rows.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::DraftReviewDialog</name>
    <message numerus="yes">
        <source>%Ln line(s) changed in the database since entering the draft, marked: Apply Draft asks about each.</source>
        <translation>
            <numerusform>%Ln line changed in the database since entering the draft, marked: Apply Draft asks about it.</numerusform>
            <numerusform>%Ln lines changed in the database since entering the draft, marked: Apply Draft asks about each.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::ExportCommands</name>
    <message numerus="yes">
        <source>%1 written to %2: %Ln row(s).</source>
        <translation>
            <numerusform>%1 written to %2: %Ln row.</numerusform>
            <numerusform>%1 written to %2: %Ln rows.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The bill of material has %1 row(s). %2 all of them?</source>
        <translation>
            <numerusform>The bill of material has %1 row. %2 all of them?</numerusform>
            <numerusform>The bill of material has %1 rows. %2 all of them?</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 printed: %Ln page(s).</source>
        <translation>
            <numerusform>%1 printed: %Ln page.</numerusform>
            <numerusform>%1 printed: %Ln pages.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 written to %2: %Ln page(s).</source>
        <translation>
            <numerusform>%1 written to %2: %Ln page.</numerusform>
            <numerusform>%1 written to %2: %Ln pages.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::HistoryCommands</name>
    <message numerus="yes">
        <source>Stopped: %Ln change(s) of the history forgotten.</source>
        <translation>
            <numerusform>Stopped: %Ln change of the history forgotten.</numerusform>
            <numerusform>Stopped: %Ln changes of the history forgotten.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Done: %Ln change(s) of the history forgotten.</source>
        <translation>
            <numerusform>Done: %Ln change of the history forgotten.</numerusform>
            <numerusform>Done: %Ln changes of the history forgotten.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Change history written to %1: %Ln row(s).</source>
        <translation>
            <numerusform>Change history written to %1: %Ln row.</numerusform>
            <numerusform>Change history written to %1: %Ln rows.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::ImportCommands</name>
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
    <name>shell::LineCommands</name>
    <message numerus="yes">
        <source>Copied %n line(s).</source>
        <translation>
            <numerusform>Copied %n line.</numerusform>
            <numerusform>Copied %n lines.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Cut %n line(s): Paste moves it (them), Esc keeps it (them).</source>
        <translation>
            <numerusform>Cut %n line: Paste moves it, Esc keeps it.</numerusform>
            <numerusform>Cut %n lines: Paste moves them, Esc keeps them.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>the %Ln pasted line(s) go(es)</source>
        <translation>
            <numerusform>the %Ln pasted line goes</numerusform>
            <numerusform>the %Ln pasted lines go</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::LiveUpdates</name>
    <message numerus="yes">
        <source>%n other editor(s)</source>
        <translation>
            <numerusform>%n other editor</numerusform>
            <numerusform>%n other editors</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::LowLevelColumn</name>
    <message numerus="yes">
        <source>%n item(s) stand(s) on or below a cycle, without a low-level code: %1</source>
        <translation>
            <numerusform>%n item stands on or below a cycle, without a low-level code: %1</numerusform>
            <numerusform>%n items stand on or below a cycle, without a low-level code: %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::NodeCommands</name>
    <message numerus="yes">
        <source>The tree holds %Ln row(s); the nodes below %1 were opened up to that many.</source>
        <translation>
            <numerusform>The tree holds %Ln row; the nodes below %1 were opened up to that many.</numerusform>
            <numerusform>The tree holds %Ln rows; the nodes below %1 were opened up to that many.</numerusform>
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
<context>
    <name>shell::RequirementsCommands</name>
    <message numerus="yes">
        <source>%n pasted item(s) listed already: %1. Add the pasted quantities to those listed, or let the pasted quantities replace them?</source>
        <translation>
            <numerusform>The pasted item is listed already: %1. Add the pasted quantities to those listed, or let the pasted quantities replace them?</numerusform>
            <numerusform>%n pasted items are listed already: %1. Add the pasted quantities to those listed, or let the pasted quantities replace them?</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln row(s)</source>
        <translation>
            <numerusform>%Ln row</numerusform>
            <numerusform>%Ln rows</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln new line(s)</source>
        <translation>
            <numerusform>%Ln new line</numerusform>
            <numerusform>%Ln new lines</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> %Ln item(s) is (are) not in the Item Master: mend or remove its (their) row(s) before Work Out.</source>
        <translation>
            <numerusform> %Ln item is not in the Item Master: mend or remove its row before Work Out.</numerusform>
            <numerusform> %Ln items are not in the Item Master: mend or remove their rows before Work Out.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln items to build are not in the Item Master: %1. Mend or remove their rows, then Work Out again.</source>
        <translation>
            <numerusform>%Ln item to build is not in the Item Master: %1. Mend or remove its row, then Work Out again.</numerusform>
            <numerusform>%Ln items to build are not in the Item Master: %1. Mend or remove their rows, then Work Out again.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>To build %1: %Ln item(s).</source>
        <translation>
            <numerusform>To build %1: %Ln item.</numerusform>
            <numerusform>To build %1: %Ln items.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> %Ln item(s) without a total: a line on the way has no quantity.</source>
        <translation>
            <numerusform> %Ln item without a total: a line on the way has no quantity.</numerusform>
            <numerusform> %Ln items without a total: a line on the way has no quantity.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> %Ln item(s) without a total: it is past what a number holds (above %1).</source>
        <translation>
            <numerusform> %Ln item without a total: it is past what a number holds (above %1).</numerusform>
            <numerusform> %Ln items without a total: it is past what a number holds (above %1).</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Requirements written to %1: %Ln row(s).</source>
        <translation>
            <numerusform>Requirements written to %1: %Ln row.</numerusform>
            <numerusform>Requirements written to %1: %Ln rows.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Requirements printed: %Ln page(s).</source>
        <translation>
            <numerusform>Requirements printed: %Ln page.</numerusform>
            <numerusform>Requirements printed: %Ln pages.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>store</name>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <translation>
            <numerusform>%1 and %n more</numerusform>
            <numerusform>%1 and %n more</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>ItemMaster holds %n item IDs that are not valid UTF-8 text: %1. Correct them in the database, for example by importing them again as UTF-8.</source>
        <translation>
            <numerusform>ItemMaster holds %n item ID that is not valid UTF-8 text: %1. Correct it in the database, for example by importing it again as UTF-8.</numerusform>
            <numerusform>ItemMaster holds %n item IDs that are not valid UTF-8 text: %1. Correct them in the database, for example by importing them again as UTF-8.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>tree</name>
    <message numerus="yes">
        <source>%1 component(s)</source>
        <translation>
            <numerusform>%1 component</numerusform>
            <numerusform>%1 components</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 row(s)</source>
        <translation>
            <numerusform>%1 row</numerusform>
            <numerusform>%1 rows</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 level(s)</source>
        <translation>
            <numerusform>%1 level</numerusform>
            <numerusform>%1 levels</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 line(s)</source>
        <translation>
            <numerusform>%1 line</numerusform>
            <numerusform>%1 lines</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Draft %1: %n line(s) added, %2 changed, %3 removed — not in the database yet</source>
        <translation>
            <numerusform>Draft %1: %n line added, %2 changed, %3 removed — not in the database yet</numerusform>
            <numerusform>Draft %1: %n lines added, %2 changed, %3 removed — not in the database yet</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <translation>
            <numerusform>%1 and %n more</numerusform>
            <numerusform>%1 and %n more</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>… and %n more.</source>
        <translation>
            <numerusform>… and %n more.</numerusform>
            <numerusform>… and %n more.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>… and %1 more path(s)</source>
        <translation>
            <numerusform>… and %1 more path</numerusform>
            <numerusform>… and %1 more paths</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>tree::LineEdits</name>
    <message numerus="yes">
        <source>and %n more</source>
        <translation>
            <numerusform>and %n more</numerusform>
            <numerusform>and %n more</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Use Quantities of Zero or Less?</source>
        <translation>
            <numerusform>Use a Quantity of Zero or Less?</numerusform>
            <numerusform>Use Quantities of Zero or Less?</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Delete %n Selected Line(s)?</source>
        <translation>
            <numerusform>Delete %n Selected Line?</numerusform>
            <numerusform>Delete %n Selected Lines?</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>the %Ln cut line(s) move(s)</source>
        <translation>
            <numerusform>the %Ln cut line moves</numerusform>
            <numerusform>the %Ln cut lines move</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Moved %n line(s) into %1.</source>
        <translation>
            <numerusform>Moved %n line into %1.</numerusform>
            <numerusform>Moved %n lines into %1.</numerusform>
        </translation>
    </message>
</context>
</TS>

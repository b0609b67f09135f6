<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>BomTreeModel</name>
    <message>
        <source>not expanded: Expand All reached the node limit, it opens by hand</source>
        <translation>nicht aufgeklappt: „Alles aufklappen“ hat die Knotengrenze erreicht; von Hand lässt er sich öffnen</translation>
    </message>
    <message>
        <source>not expanded: the depth limit was reached</source>
        <translation>nicht aufgeklappt: die Tiefengrenze ist erreicht</translation>
    </message>
    <message>
        <source>not in the Item Master</source>
        <translation>nicht im Artikelstamm</translation>
    </message>
    <message>
        <source>quantity Null</source>
        <translation>Menge leer (Null)</translation>
    </message>
    <message>
        <source>quantity zero or negative</source>
        <translation>Menge null oder negativ</translation>
    </message>
    <message>
        <source>not a whole number of a unit counted in whole pieces</source>
        <translation>keine ganze Zahl einer Einheit, die in ganzen Stück gezählt wird</translation>
    </message>
    <message>
        <source>%1 already stands above this place: the bill of material is circular here, so it is not expanded further.</source>
        <translation>%1 steht bereits oberhalb dieser Stelle: Die Stückliste ist hier zirkulär und wird deshalb nicht weiter aufgeklappt.</translation>
    </message>
    <message>
        <source>This line may be wrong: %1.</source>
        <translation>Diese Position ist möglicherweise falsch: %1.</translation>
    </message>
    <message>
        <source>circular</source>
        <translation>zirkulär</translation>
    </message>
    <message>
        <source>cut</source>
        <translation>abgeschnitten</translation>
    </message>
    <message>
        <source>Item ID</source>
        <translation>Artikelnummer</translation>
    </message>
    <message>
        <source>Quantity</source>
        <translation>Menge</translation>
    </message>
    <message>
        <source>UOM</source>
        <translation>ME</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Bezeichnung</translation>
    </message>
    <message>
        <source>Extended Quantity</source>
        <translation>Gesamtmenge</translation>
    </message>
    <message>
        <source>Start Date</source>
        <translation>Gültig ab</translation>
    </message>
</context>
<context>
    <name>bom-import</name>
    <message>
        <source>--check takes one database: a file or a server address (postgresql://…).</source>
        <translation>--check erwartet eine Datenbank: eine Datei oder eine Serveradresse (postgresql://…).</translation>
    </message>
    <message>
        <source> See bom-import --help.</source>
        <translation> Siehe bom-import --help.</translation>
    </message>
    <message>
        <source>%1 takes a value.</source>
        <translation>%1 erwartet einen Wert.</translation>
    </message>
    <message>
        <source>'%1' is no ISO date (2024-05-31) or date-time (2024-05-31T14:00:00Z).</source>
        <translation>„%1“ ist weder ein ISO-Datum (2024-05-31) noch ein ISO-Zeitpunkt (2024-05-31T14:00:00Z).</translation>
    </message>
    <message>
        <source>--history takes one database (a file or a server address), then --since WHEN and --item ID if wanted; '%1' is none of them.</source>
        <translation>--history erwartet eine Datenbank (eine Datei oder eine Serveradresse), danach nach Bedarf --since ZEITPUNKT und --item ARTIKEL; „%1“ ist nichts davon.</translation>
    </message>
    <message>
        <source>--history takes a database: a file or a server address (postgresql://…).</source>
        <translation>--history erwartet eine Datenbank: eine Datei oder eine Serveradresse (postgresql://…).</translation>
    </message>
    <message>
        <source>The changes could not be written to standard output.</source>
        <translation>Die Änderungen konnten nicht auf die Standardausgabe geschrieben werden.</translation>
    </message>
    <message>
        <source>%1: the history of changes is no longer kept; its triggers and the schema bom_history were removed.</source>
        <translation>%1: Die Änderungshistorie wird nicht mehr geführt; ihre Trigger und das Schema bom_history wurden entfernt.</translation>
    </message>
    <message>
        <source>%1: the history of changes was kept already; nothing was created.</source>
        <translation>%1: Die Änderungshistorie wurde bereits geführt; es wurde nichts angelegt.</translation>
    </message>
    <message>
        <source>%1: the history of changes is kept. Created %2.
What it costs other programs: every row that any program writes into ItemMaster or BomDetail costs that writer one more insert, of one row into bom_history.change, in the writer's own transaction, and each such transaction one row more, its commit taken in turn with the others'.</source>
        <translation>%1: Die Änderungshistorie wird geführt. Angelegt: %2.
Was sie andere Programme kostet: Jede Zeile, die ein beliebiges Programm in ItemMaster oder BomDetail schreibt, kostet diesen Schreiber ein weiteres Insert einer Zeile in bom_history.change, in seiner eigenen Transaktion, und jede solche Transaktion eine Zeile mehr, deren Commit der Reihe nach mit denen der anderen erfolgt.</translation>
    </message>
    <message>
        <source>--where-used takes an item and a database (a file or a server address). See bom-import --help.</source>
        <translation>--where-used erwartet einen Artikel und eine Datenbank (eine Datei oder eine Serveradresse). Siehe bom-import --help.</translation>
    </message>
    <message>
        <source>The finished items could not be written.</source>
        <translation>Die Enderzeugnisse konnten nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>%1 and %2 cannot be given together; see bom-import --help.</source>
        <translation>%1 und %2 können nicht zusammen angegeben werden; siehe bom-import --help.</translation>
    </message>
    <message>
        <source>Unknown option '%1'; see bom-import --help.</source>
        <translation>Unbekannte Option „%1“; siehe bom-import --help.</translation>
    </message>
    <message>
        <source>An empty argument names no file or server; see bom-import --help.</source>
        <translation>Ein leeres Argument nennt weder Datei noch Server; siehe bom-import --help.</translation>
    </message>
    <message>
        <source>Could not connect to '%1': the address holds a password; give it in ~/.pgpass or PGPASSWORD instead.</source>
        <translation>Keine Verbindung zu „%1“: Die Adresse enthält ein Passwort; geben Sie es stattdessen in ~/.pgpass oder PGPASSWORD an.</translation>
    </message>
    <message>
        <source>%1 takes one server address (postgresql://…) and nothing else.</source>
        <translation>%1 erwartet genau eine Serveradresse (postgresql://…) und sonst nichts.</translation>
    </message>
    <message>
        <source>%1: ItemMaster and BomDetail were there already; their change triggers, which tell editors of each other's changes, were made anew.</source>
        <translation>%1: ItemMaster und BomDetail waren bereits vorhanden; ihre Änderungstrigger, die Editoren über die Änderungen der anderen informieren, wurden neu angelegt.</translation>
    </message>
    <message>
        <source>%1: created %2, with the change triggers.</source>
        <translation>%1: %2 angelegt, mit den Änderungstriggern.</translation>
    </message>
    <message>
        <source> and </source>
        <translation> und </translation>
    </message>
    <message>
        <source>Name an .mdb file, two CSV files or an SQLite database, then the database to write; see bom-import --help.</source>
        <translation>Nennen Sie eine .mdb-Datei, zwei CSV-Dateien oder eine SQLite-Datenbank, danach die Datenbank, in die geschrieben wird; siehe bom-import --help.</translation>
    </message>
    <message>
        <source>--into takes two CSV files and an existing database.</source>
        <translation>--into erwartet zwei CSV-Dateien und eine vorhandene Datenbank.</translation>
    </message>
    <message>
        <source>--force replaces a file; the tables of a server are never replaced.</source>
        <translation>--force ersetzt eine Datei; die Tabellen eines Servers werden nie ersetzt.</translation>
    </message>
    <message>
        <source>'%1' exists already; use --force to replace it.</source>
        <translation>„%1“ ist bereits vorhanden; mit --force wird sie ersetzt.</translation>
    </message>
    <message>
        <source>'%1' is neither a Jet 3 or Jet 4 (.mdb) database nor an SQLite database; CSV data needs two files.</source>
        <translation>„%1“ ist weder eine Jet-3- oder Jet-4-Datenbank (.mdb) noch eine SQLite-Datenbank; CSV-Daten brauchen zwei Dateien.</translation>
    </message>
    <message numerus="yes">
        <source>%n finding(s)</source>
        <translation>
            <numerusform>%n Befund</numerusform>
            <numerusform>%n Befunde</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n item(s)</source>
        <comment>checked in</comment>
        <translation>
            <numerusform>%n Artikel</numerusform>
            <numerusform>%n Artikeln</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n line(s)</source>
        <comment>checked in</comment>
        <translation>
            <numerusform>%n Position</numerusform>
            <numerusform>%n Positionen</numerusform>
        </translation>
    </message>
    <message>
        <source>%1: %2 in %3 and %4.</source>
        <translation>%1: %2 in %3 und %4.</translation>
    </message>
    <message numerus="yes">
        <source>%n item(s)</source>
        <comment>written</comment>
        <translation>
            <numerusform>%n Artikel</numerusform>
            <numerusform>%n Artikel</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n line(s)</source>
        <comment>written</comment>
        <translation>
            <numerusform>%n Position</numerusform>
            <numerusform>%n Positionen</numerusform>
        </translation>
    </message>
    <message>
        <source>%1: %2 and %3 written.</source>
        <translation>%1: %2 und %3 geschrieben.</translation>
    </message>
</context>
<context>
    <name>desktop</name>
    <message>
        <source>The editor stopped unexpectedly last time and left a report of what it was doing; nothing was sent anywhere.
Open its folder?</source>
        <translation>Der Editor wurde beim letzten Mal unerwartet beendet und hat einen Bericht darüber hinterlassen, was er gerade tat; es wurde nichts versendet.
Den Ordner öffnen?</translation>
    </message>
    <message numerus="yes">
        <source>The editor stopped unexpectedly %Ln times since it last asked and left a report each time; nothing was sent anywhere.
Open their folder?</source>
        <translation>
            <numerusform>Der Editor wurde seit der letzten Nachfrage %Ln-mal unerwartet beendet und hat jedes Mal einen Bericht hinterlassen; es wurde nichts versendet.
Den Ordner öffnen?</numerusform>
            <numerusform>Der Editor wurde seit der letzten Nachfrage %Ln-mal unerwartet beendet und hat jedes Mal einen Bericht hinterlassen; es wurde nichts versendet.
Den Ordner öffnen?</numerusform>
        </translation>
    </message>
    <message>
        <source>Reading the keyring…</source>
        <translation>Schlüsselbund wird gelesen…</translation>
    </message>
    <message>
        <source>Writing to the keyring…</source>
        <translation>Schlüsselbund wird geschrieben…</translation>
    </message>
    <message>
        <source>not a plain file</source>
        <translation>keine normale Datei</translation>
    </message>
    <message>
        <source>the range names no page of the document</source>
        <translation>der Bereich nennt keine Seite des Dokuments</translation>
    </message>
    <message>
        <source>the PDF file could not be begun</source>
        <translation>die PDF-Datei konnte nicht begonnen werden</translation>
    </message>
    <message>
        <source>no new page could be begun</source>
        <translation>es konnte keine neue Seite begonnen werden</translation>
    </message>
    <message>
        <source>the PDF file could not be ended</source>
        <translation>die PDF-Datei konnte nicht abgeschlossen werden</translation>
    </message>
    <message>
        <source>the PDF file came out incomplete</source>
        <translation>die PDF-Datei ist unvollständig</translation>
    </message>
    <message>
        <source>the printer %1 refused the job</source>
        <translation>der Drucker %1 hat den Auftrag abgelehnt</translation>
    </message>
    <message>
        <source>Fabrilux databases (*.mdb *.db *.sqlite *.sqlite3)</source>
        <translation>Fabrilux-Datenbanken (*.mdb *.db *.sqlite *.sqlite3)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>What to Print</source>
        <translation>Was drucken</translation>
    </message>
    <message>
        <source>Page List</source>
        <translation>Seitenliste</translation>
    </message>
    <message>
        <source>Page &amp;list:</source>
        <translation>Seiten&amp;liste:</translation>
    </message>
    <message>
        <source>for example 2-4,9</source>
        <translation>zum Beispiel 2-4,9</translation>
    </message>
    <message>
        <source>Pages and ranges separated by commas, for a printer and for Print to File (PDF) alike. Empty: the print range of the Copies tab.</source>
        <translation>Seiten und Bereiche durch Kommas getrennt, für einen Drucker wie für den Druck in eine Datei (PDF). Leer: der Druckbereich der Registerkarte „Kopien“.</translation>
    </message>
    <message>
        <source>'%1' is not a page list: give pages and ranges separated by commas, for example 2-4,9.</source>
        <translation>„%1“ ist keine Seitenliste: Geben Sie Seiten und Bereiche durch Kommas getrennt an, zum Beispiel 2-4,9.</translation>
    </message>
    <message>
        <source>Printing…</source>
        <translation>Wird gedruckt…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Working…</source>
        <translation>In Arbeit…</translation>
    </message>
    <message>
        <source>Stops the work; nothing of it is written (Esc)</source>
        <translation>Bricht die Arbeit ab; nichts davon wird geschrieben (Esc)</translation>
    </message>
    <message>
        <source>Cancelling…</source>
        <translation>Wird abgebrochen…</translation>
    </message>
</context>
<context>
    <name>desktop::PrintPreviewDialog</name>
    <message>
        <source>First Page</source>
        <translation>Erste Seite</translation>
    </message>
    <message>
        <source>The first page</source>
        <translation>Die erste Seite</translation>
    </message>
    <message>
        <source>Previous Page</source>
        <translation>Vorige Seite</translation>
    </message>
    <message>
        <source>The page before</source>
        <translation>Die Seite davor</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Seite</translation>
    </message>
    <message>
        <source>Next Page</source>
        <translation>Nächste Seite</translation>
    </message>
    <message>
        <source>The page after</source>
        <translation>Die Seite danach</translation>
    </message>
    <message>
        <source>Last Page</source>
        <translation>Letzte Seite</translation>
    </message>
    <message>
        <source>The last page</source>
        <translation>Die letzte Seite</translation>
    </message>
    <message>
        <source>S&amp;how:</source>
        <translation>&amp;Anzeigen:</translation>
    </message>
    <message>
        <source>Fit Page</source>
        <translation>Ganze Seite</translation>
    </message>
    <message>
        <source>The whole page in the window</source>
        <translation>Die ganze Seite im Fenster</translation>
    </message>
    <message>
        <source>Fit Width</source>
        <translation>Seitenbreite</translation>
    </message>
    <message>
        <source>The page as wide as the window</source>
        <translation>Die Seite so breit wie das Fenster</translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Larger</source>
        <translation>Größer</translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Smaller</source>
        <translation>Kleiner</translation>
    </message>
    <message>
        <source>Print…</source>
        <translation>Drucken…</translation>
    </message>
    <message>
        <source>Print every page</source>
        <translation>Alle Seiten drucken</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Close the preview (Esc)</source>
        <translation>Die Vorschau schließen (Esc)</translation>
    </message>
    <message>
        <source>Page %L1 of %L2</source>
        <translation>Seite %L1 von %L2</translation>
    </message>
</context>
<context>
    <name>import</name>
    <message>
        <source>a quoted field has no closing quote</source>
        <translation>ein Feld in Anführungszeichen hat kein schließendes Anführungszeichen</translation>
    </message>
    <message>
        <source>text follows the closing quote of field %1</source>
        <translation>auf das schließende Anführungszeichen von Feld %1 folgt Text</translation>
    </message>
    <message>
        <source>field %1 holds a quote but is not quoted</source>
        <translation>Feld %1 enthält ein Anführungszeichen, steht aber nicht in Anführungszeichen</translation>
    </message>
    <message>
        <source>No CSV file was named.</source>
        <translation>Es wurde keine CSV-Datei angegeben.</translation>
    </message>
    <message>
        <source>'%1' is a folder, not a CSV file.</source>
        <translation>„%1“ ist ein Ordner, keine CSV-Datei.</translation>
    </message>
    <message>
        <source>'%1' is not a regular file (a device, a pipe or a socket), not a CSV file.</source>
        <translation>„%1“ ist keine normale Datei (ein Gerät, eine Pipe oder ein Socket) und keine CSV-Datei.</translation>
    </message>
    <message>
        <source>Could not find file '%1'.</source>
        <translation>Die Datei „%1“ wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Could not read '%1': %2.</source>
        <translation>„%1“ konnte nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>%1: field %2 (%3) is not UTF-8 text; save the file as UTF-8 and import it again.</source>
        <translation>%1: Feld %2 (%3) ist kein UTF-8-Text; speichern Sie die Datei als UTF-8 und importieren Sie sie erneut.</translation>
    </message>
    <message>
        <source>%1: the %2 is empty.</source>
        <translation>%1: %2 ist leer.</translation>
    </message>
    <message>
        <source>%1: the first row looks like a header row (%2) but does not name every column once; a header row names %3, in any order and letter case. Correct the header, or remove it.</source>
        <translation>%1: Die erste Zeile sieht wie eine Kopfzeile aus (%2), nennt aber nicht jede Spalte genau einmal; eine Kopfzeile nennt %3, in beliebiger Reihenfolge und Schreibweise. Korrigieren oder entfernen Sie die Kopfzeile.</translation>
    </message>
    <message>
        <source>%1: %2 fields where %3 are needed (%4).</source>
        <translation>%1: %2 Felder, wo %3 nötig sind (%4).</translation>
    </message>
    <message>
        <source>%1, record %2 (line %3)</source>
        <translation>%1, Datensatz %2 (Zeile %3)</translation>
    </message>
    <message>
        <source>%1 row %2</source>
        <translation>%1 Zeile %2</translation>
    </message>
    <message>
        <source>%1: the bomQtyReq '%2' is not a number.</source>
        <translation>%1: bomQtyReq „%2“ ist keine Zahl.</translation>
    </message>
    <message>
        <source>%1: the StartDate '%2' is not a date and time 'YYYY-MM-DD HH:MM:SS'.</source>
        <translation>%1: StartDate „%2“ ist kein Zeitpunkt der Form „YYYY-MM-DD HH:MM:SS“.</translation>
    </message>
    <message>
        <source>No file to import was named.</source>
        <translation>Es wurde keine zu importierende Datei angegeben.</translation>
    </message>
    <message>
        <source>No output was named.</source>
        <translation>Es wurde kein Ziel angegeben.</translation>
    </message>
    <message>
        <source>'%1' is a file being imported; choose another output file.</source>
        <translation>„%1“ ist eine der importierten Dateien; wählen Sie eine andere Zieldatei.</translation>
    </message>
    <message>
        <source>'%1' is %2, not a Jet (.mdb) database.</source>
        <translation>„%1“ ist %2, keine Jet-Datenbank (.mdb).</translation>
    </message>
    <message>
        <source>a folder</source>
        <translation>ein Ordner</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>keine normale Datei</translation>
    </message>
    <message>
        <source>'%1' is not a Jet 3 or Jet 4 (.mdb) database.</source>
        <translation>„%1“ ist keine Jet-3- oder Jet-4-Datenbank (.mdb).</translation>
    </message>
    <message>
        <source>The program that reads Jet files (%1) is not installed beside '%2' nor in '%3'.</source>
        <translation>Das Programm, das Jet-Dateien liest (%1), ist weder neben „%2“ noch in „%3“ installiert.</translation>
    </message>
    <message>
        <source>its reader wrote something unreadable</source>
        <translation>ihr Leseprogramm hat Unlesbares geliefert</translation>
    </message>
    <message>
        <source>its reader made no progress for %1 seconds</source>
        <translation>ihr Leseprogramm kam %1 Sekunden lang nicht voran</translation>
    </message>
    <message>
        <source>reading it failed%1</source>
        <translation>das Lesen ist fehlgeschlagen%1</translation>
    </message>
    <message>
        <source>its reader stopped early%1</source>
        <translation>ihr Leseprogramm hat vorzeitig aufgehört%1</translation>
    </message>
    <message>
        <source>'%1' is damaged or truncated: %2.</source>
        <translation>„%1“ ist beschädigt oder abgeschnitten: %2.</translation>
    </message>
    <message>
        <source>table %1 cannot be found (%2)</source>
        <translation>Tabelle %1 wurde nicht gefunden (%2)</translation>
    </message>
    <message>
        <source>Could not find table '%1' in '%2': it is not a database of bills of material.</source>
        <translation>Tabelle „%1“ wurde in „%2“ nicht gefunden: Das ist keine Stücklistendatenbank.</translation>
    </message>
    <message>
        <source>Table '%1' of '%2' has no column '%3'.</source>
        <translation>Tabelle „%1“ in „%2“ hat keine Spalte „%3“.</translation>
    </message>
    <message>
        <source>Column '%1' of table '%2' in '%3' is %4; it must be %5.</source>
        <translation>Spalte „%1“ der Tabelle „%2“ in „%3“ ist %4; sie muss %5 sein.</translation>
    </message>
    <message>
        <source>Table '%1' of '%2' says it holds %3 rows, but %4 could be read: the file is damaged or truncated.</source>
        <translation>Tabelle „%1“ in „%2“ gibt %3 Zeilen an, gelesen werden konnten aber %4: Die Datei ist beschädigt oder abgeschnitten.</translation>
    </message>
    <message>
        <source>%1: the %2 is not valid text.</source>
        <translation>%1: %2 ist kein gültiger Text.</translation>
    </message>
    <message>
        <source>%1: the %2 is Null.</source>
        <translation>%1: %2 ist leer (Null).</translation>
    </message>
    <message>
        <source>%1: the bomQtyReq is not a finite number.</source>
        <translation>%1: bomQtyReq ist keine endliche Zahl.</translation>
    </message>
    <message>
        <source>Could not start '%1': %2.</source>
        <translation>„%1“ konnte nicht gestartet werden: %2.</translation>
    </message>
    <message>
        <source>%1: the StartDate is outside the years 100 to 9999.</source>
        <translation>%1: StartDate liegt außerhalb der Jahre 100 bis 9999.</translation>
    </message>
    <message>
        <source>The import was cancelled; nothing was written.</source>
        <translation>Der Import wurde abgebrochen; es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>Could not read '%1'</source>
        <translation>„%1“ konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>'%1' has no table %2.</source>
        <translation>„%1“ hat keine Tabelle %2.</translation>
    </message>
    <message>
        <source>Table %1 of '%2' has no column %3.</source>
        <translation>Tabelle %1 in „%2“ hat keine Spalte %3.</translation>
    </message>
    <message>
        <source>%1: the %2 is not text.</source>
        <translation>%1: %2 ist kein Text.</translation>
    </message>
    <message>
        <source>'%1' is not an SQLite database.</source>
        <translation>„%1“ ist keine SQLite-Datenbank.</translation>
    </message>
    <message>
        <source>Could not open '%1'</source>
        <translation>„%1“ konnte nicht geöffnet werden</translation>
    </message>
</context>
<context>
    <name>info</name>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Operation Notes</source>
        <translation>Bedienungshinweise</translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>Tasten</translation>
    </message>
    <message>
        <source>Command</source>
        <translation>Befehl</translation>
    </message>
</context>
<context>
    <name>shell::CheckDatabaseDialog</name>
    <message>
        <source>Check Database</source>
        <translation>Datenbank prüfen</translation>
    </message>
    <message>
        <source>Findings</source>
        <translation>Befunde</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Exportieren…</translation>
    </message>
    <message>
        <source>%1 and %2 of %3</source>
        <translation>%1 und %2 in %3</translation>
    </message>
    <message numerus="yes">
        <source>%Ln item(s)</source>
        <translation>
            <numerusform>%Ln Artikel</numerusform>
            <numerusform>%Ln Artikeln</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln line(s)</source>
        <translation>
            <numerusform>%Ln Position</numerusform>
            <numerusform>%Ln Positionen</numerusform>
        </translation>
    </message>
    <message>
        <source>No problems found in %1.</source>
        <translation>Keine Probleme gefunden in %1.</translation>
    </message>
    <message numerus="yes">
        <source>Findings: %Ln, in %1.</source>
        <translation>
            <numerusform>Befunde: %Ln, in %1.</numerusform>
            <numerusform>Befunde: %Ln, in %1.</numerusform>
        </translation>
    </message>
    <message>
        <source>Export Check Database</source>
        <translation>Datenbankprüfung exportieren</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>shell::CompareDialog</name>
    <message>
        <source>Compare Bills</source>
        <translation>Stücklisten vergleichen</translation>
    </message>
    <message>
        <source>This database</source>
        <translation>Diese Datenbank</translation>
    </message>
    <message>
        <source>Another database file…</source>
        <translation>Eine andere Datenbankdatei…</translation>
    </message>
    <message>
        <source>A server…</source>
        <translation>Ein Server…</translation>
    </message>
    <message>
        <source>&amp;Compare</source>
        <translation>&amp;Vergleichen</translation>
    </message>
    <message>
        <source>The moment of bill %1</source>
        <translation>Stichtag der Stückliste %1</translation>
    </message>
    <message>
        <source>Item &amp;A:</source>
        <translation>Artikel &amp;A:</translation>
    </message>
    <message>
        <source>as &amp;of</source>
        <translation>Stan&amp;d vom</translation>
    </message>
    <message>
        <source>Item &amp;B:</source>
        <translation>Artikel &amp;B:</translation>
    </message>
    <message>
        <source>as o&amp;f</source>
        <translation>Stand v&amp;om</translation>
    </message>
    <message>
        <source>B &amp;from:</source>
        <translation>B a&amp;us:</translation>
    </message>
    <message>
        <source>Summarised comparison</source>
        <translation>Vergleich der Mengenübersicht</translation>
    </message>
    <message>
        <source>Indented comparison</source>
        <translation>Vergleich der Strukturstückliste</translation>
    </message>
    <message>
        <source>&amp;Summarised</source>
        <translation>&amp;Mengenübersicht</translation>
    </message>
    <message>
        <source>&amp;Indented</source>
        <translation>S&amp;truktur</translation>
    </message>
    <message>
        <source>&amp;Hide unchanged</source>
        <translation>Unveränderte ausb&amp;lenden</translation>
    </message>
    <message>
        <source>&amp;Export CSV…</source>
        <translation>CSV e&amp;xportieren…</translation>
    </message>
</context>
<context>
    <name>shell::ItemPickDialog</name>
    <message>
        <source>Item Master List</source>
        <translation>Artikelstammliste</translation>
    </message>
    <message>
        <source>&amp;Reason (optional):</source>
        <translation>&amp;Grund (optional):</translation>
    </message>
    <message>
        <source>Choose an item in the list, or type its ID.</source>
        <translation>Wählen Sie einen Artikel in der Liste, oder geben Sie seine Artikelnummer ein.</translation>
    </message>
    <message>
        <source>No item's ID or description holds '%1'.</source>
        <translation>Keine Artikelnummer und keine Bezeichnung enthält „%1“.</translation>
    </message>
    <message numerus="yes">
        <source>No item's ID is '%1'; %Ln item(s) hold(s) it: choose one in the list (Down, then Enter).</source>
        <translation>
            <numerusform>Keine Artikelnummer lautet „%1“; %Ln Artikel enthält diesen Text: Wählen Sie ihn in der Liste (Pfeil nach unten, dann Eingabe).</numerusform>
            <numerusform>Keine Artikelnummer lautet „%1“; %Ln Artikel enthalten diesen Text: Wählen Sie einen in der Liste (Pfeil nach unten, dann Eingabe).</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::OptionsDialog</name>
    <message>
        <source>Options</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>&amp;Units counted in whole pieces:</source>
        <translation>&amp;Einheiten, die in ganzen Stück gezählt werden:</translation>
    </message>
    <message>
        <source>Units counted in whole pieces</source>
        <translation>Einheiten, die in ganzen Stück gezählt werden</translation>
    </message>
    <message>
        <source>Commas between the units; case does not matter. A line with a fraction of one of these units is marked in the tree, reported by Check Database, and asked about before it is written.</source>
        <translation>Kommas zwischen den Einheiten; Groß- und Kleinschreibung spielt keine Rolle. Eine Position mit einem Bruchteil einer dieser Einheiten wird im Baum markiert, von „Datenbank prüfen“ gemeldet und vor dem Schreiben nachgefragt.</translation>
    </message>
    <message>
        <source>&amp;Defaults</source>
        <translation>S&amp;tandardwerte</translation>
    </message>
    <message>
        <source>&amp;Language:</source>
        <translation>&amp;Sprache:</translation>
    </message>
    <message>
        <source>The system's</source>
        <translation>Wie das System</translation>
    </message>
    <message>
        <source>The window shows the language chosen from its next start.</source>
        <translation>Das Fenster zeigt die gewählte Sprache ab dem nächsten Start.</translation>
    </message>
</context>
<context>
    <name>shell::PasteColumnsDialog</name>
    <message>
        <source>Paste Lines</source>
        <translation>Positionen einfügen</translation>
    </message>
    <message>
        <source>The pasted rows have a header the editor does not know. Which column holds the item ID, and which the quantity? The answer is remembered for this header.</source>
        <translation>Die eingefügten Zeilen haben eine Kopfzeile, die der Editor nicht kennt. Welche Spalte enthält die Artikelnummer, welche die Menge? Die Antwort wird für diese Kopfzeile gemerkt.</translation>
    </message>
    <message>
        <source>&amp;Item ID:</source>
        <translation>&amp;Artikelnummer:</translation>
    </message>
    <message>
        <source>&amp;Quantity:</source>
        <translation>&amp;Menge:</translation>
    </message>
</context>
<context>
    <name>shell::PasteDialog</name>
    <message>
        <source>Paste Lines</source>
        <translation>Positionen einfügen</translation>
    </message>
    <message>
        <source>Item ID</source>
        <translation>Artikelnummer</translation>
    </message>
    <message>
        <source>Quantity</source>
        <translation>Menge</translation>
    </message>
    <message>
        <source>UOM</source>
        <translation>ME</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Bezeichnung</translation>
    </message>
    <message>
        <source>Refused</source>
        <translation>Abgelehnt</translation>
    </message>
    <message numerus="yes">
        <source>%Ln line(s) go(es)</source>
        <translation>
            <numerusform>%Ln Position kommt</numerusform>
            <numerusform>%Ln Positionen kommen</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 into %2.</source>
        <translation>%1 in %2.</translation>
    </message>
    <message>
        <source>The line cannot go into %1; nothing is written.</source>
        <translation>Die Position kann nicht in %1 aufgenommen werden; es wird nichts geschrieben.</translation>
    </message>
    <message numerus="yes">
        <source>None of the %Ln lines can go into %1; nothing is written.</source>
        <translation>
            <numerusform>Die Position kann nicht in %1 aufgenommen werden; es wird nichts geschrieben.</numerusform>
            <numerusform>Keine der %Ln Positionen kann in %1 aufgenommen werden; es wird nichts geschrieben.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 into %2; %3 left out.</source>
        <translation>%1 in %2; %3 ausgelassen.</translation>
    </message>
    <message numerus="yes">
        <source>%Ln refused line(s) is/are</source>
        <translation>
            <numerusform>%Ln abgelehnte Position wird</numerusform>
            <numerusform>%Ln abgelehnte Positionen werden</numerusform>
        </translation>
    </message>
    <message>
        <source>Lines to paste</source>
        <translation>Einzufügende Positionen</translation>
    </message>
    <message numerus="yes">
        <source>Add %Ln Line(s)</source>
        <translation>
            <numerusform>%Ln Position hinzufügen</numerusform>
            <numerusform>%Ln Positionen hinzufügen</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::ReplaceDialog</name>
    <message>
        <source>Replace Component</source>
        <translation>Komponente ersetzen</translation>
    </message>
    <message>
        <source>Set Quantity</source>
        <translation>Menge setzen</translation>
    </message>
    <message>
        <source>Remove From Every Assembly</source>
        <translation>Aus allen Baugruppen entfernen</translation>
    </message>
    <message numerus="yes">
        <source>Replace %1 with %2 in the ticked assemblies (%Ln list(s) %1):</source>
        <translation>
            <numerusform>%1 in den angehakten Baugruppen durch %2 ersetzen (in %Ln enthalten):</numerusform>
            <numerusform>%1 in den angehakten Baugruppen durch %2 ersetzen (in %Ln enthalten):</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Remove %1 from the ticked assemblies (%Ln list(s) it):</source>
        <translation>
            <numerusform>%1 aus den angehakten Baugruppen entfernen (in %Ln enthalten):</numerusform>
            <numerusform>%1 aus den angehakten Baugruppen entfernen (in %Ln enthalten):</numerusform>
        </translation>
    </message>
    <message>
        <source>Assemblies</source>
        <translation>Baugruppen</translation>
    </message>
    <message>
        <source>Assembly</source>
        <translation>Baugruppe</translation>
    </message>
    <message>
        <source>Quantity</source>
        <translation>Menge</translation>
    </message>
    <message>
        <source>New Quantity</source>
        <translation>Neue Menge</translation>
    </message>
    <message>
        <source>Refused</source>
        <translation>Abgelehnt</translation>
    </message>
    <message>
        <source>New &amp;quantity:</source>
        <translation>Neue &amp;Menge:</translation>
    </message>
    <message>
        <source>kept</source>
        <translation>beibehalten</translation>
    </message>
    <message>
        <source>set to</source>
        <translation>gesetzt auf</translation>
    </message>
    <message>
        <source>multiplied by</source>
        <translation>multipliziert mit</translation>
    </message>
    <message>
        <source>Factor</source>
        <translation>Faktor</translation>
    </message>
    <message>
        <source>Each new line keeps the start date of the line it replaces.</source>
        <translation>Jede neue Position behält das Gültig-ab-Datum der Position, die sie ersetzt.</translation>
    </message>
    <message>
        <source>Each line keeps its start date.</source>
        <translation>Jede Position behält ihr Gültig-ab-Datum.</translation>
    </message>
    <message>
        <source>&amp;Reason (optional):</source>
        <translation>&amp;Grund (optional):</translation>
    </message>
    <message numerus="yes">
        <source>Set the quantity of %1 in %Ln assembly/assemblies</source>
        <translation>
            <numerusform>Menge von %1 in %Ln Baugruppe setzen</numerusform>
            <numerusform>Menge von %1 in %Ln Baugruppen setzen</numerusform>
        </translation>
    </message>
    <message>
        <source>not a finite number</source>
        <translation>keine endliche Zahl</translation>
    </message>
</context>
<context>
    <name>shell::WhereUsedDialog</name>
    <message>
        <source>Where Used</source>
        <translation>Verwendungsnachweis</translation>
    </message>
    <message>
        <source>Assemblies</source>
        <translation>Baugruppen</translation>
    </message>
    <message>
        <source>Replace Component…</source>
        <translation>Komponente ersetzen…</translation>
    </message>
    <message>
        <source>Up to the finished items</source>
        <translation>Bis zu den Enderzeugnissen</translation>
    </message>
    <message>
        <source>%1 is in no finished item.</source>
        <translation>%1 ist in keinem Enderzeugnis enthalten.</translation>
    </message>
    <message>
        <source>%1 is used in no assembly.</source>
        <translation>%1 wird in keiner Baugruppe verwendet.</translation>
    </message>
    <message>
        <source>Finished items that use %1: %2</source>
        <translation>Enderzeugnisse, die %1 verwenden: %2</translation>
    </message>
    <message>
        <source>Assemblies that use %1: %2</source>
        <translation>Baugruppen, die %1 verwenden: %2</translation>
    </message>
    <message>
        <source>Quantities in %1 per finished unit.</source>
        <translation>Mengen in %1 je Einheit des Enderzeugnisses.</translation>
    </message>
    <message>
        <source>Quantities in %1.</source>
        <translation>Mengen in %1.</translation>
    </message>
</context>
<context>
    <name>tree</name>
    <message>
        <source>yes</source>
        <translation>ja</translation>
    </message>
    <message>
        <source>no</source>
        <translation>nein</translation>
    </message>
    <message>
        <source>circular</source>
        <translation>zirkulär</translation>
    </message>
    <message>
        <source>not in Item Master</source>
        <translation>nicht im Artikelstamm</translation>
    </message>
</context>
<context>
    <name>tree::PrintedBill</name>
    <message>
        <source>Summarised Bill: %1</source>
        <translation>Mengenübersichtsstückliste: %1</translation>
    </message>
    <message>
        <source>Where Used: %1</source>
        <translation>Verwendungsnachweis: %1</translation>
    </message>
    <message>
        <source>Date: %1</source>
        <translation>Datum: %1</translation>
    </message>
    <message>
        <source>Database: %1</source>
        <translation>Datenbank: %1</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Seite %1 von %2</translation>
    </message>
</context>
</TS>

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
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
        <source>&apos;%1&apos; is no ISO date (2024-05-31) or date-time (2024-05-31T14:00:00Z).</source>
        <translation>„%1“ ist weder ein ISO-Datum (2024-05-31) noch ein ISO-Zeitpunkt (2024-05-31T14:00:00Z).</translation>
    </message>
    <message>
        <source>--history takes one database (a file or a server address), then --since WHEN and --item ID if wanted; &apos;%1&apos; is none of them.</source>
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
What it costs other programs: every row that any program writes into ItemMaster or BomDetail costs that writer one more insert, of one row into bom_history.change, in the writer&apos;s own transaction, and each such transaction one row more, its commit taken in turn with the others&apos;.</source>
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
        <source>Unknown option &apos;%1&apos;; see bom-import --help.</source>
        <translation>Unbekannte Option „%1“; siehe bom-import --help.</translation>
    </message>
    <message>
        <source>An empty argument names no file or server; see bom-import --help.</source>
        <translation>Ein leeres Argument nennt weder Datei noch Server; siehe bom-import --help.</translation>
    </message>
    <message>
        <source>Could not connect to &apos;%1&apos;: the address holds a password; give it in ~/.pgpass or PGPASSWORD instead.</source>
        <translation>Keine Verbindung zu „%1“: Die Adresse enthält ein Passwort; geben Sie es stattdessen in ~/.pgpass oder PGPASSWORD an.</translation>
    </message>
    <message>
        <source>%1 takes one server address (postgresql://…) and nothing else.</source>
        <translation>%1 erwartet genau eine Serveradresse (postgresql://…) und sonst nichts.</translation>
    </message>
    <message>
        <source>%1: ItemMaster and BomDetail were there already; their change triggers, which tell editors of each other&apos;s changes, were made anew.</source>
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
        <source>&apos;%1&apos; exists already; use --force to replace it.</source>
        <translation>„%1“ ist bereits vorhanden; mit --force wird sie ersetzt.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is neither a Jet 3 or Jet 4 (.mdb) database nor an SQLite database; CSV data needs two files.</source>
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
        <source>&apos;%1&apos; is not a page list: give pages and ranges separated by commas, for example 2-4,9.</source>
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
        <source>&apos;%1&apos; is a folder, not a CSV file.</source>
        <translation>„%1“ ist ein Ordner, keine CSV-Datei.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a regular file (a device, a pipe or a socket), not a CSV file.</source>
        <translation>„%1“ ist keine normale Datei (ein Gerät, eine Pipe oder ein Socket) und keine CSV-Datei.</translation>
    </message>
    <message>
        <source>Could not find file &apos;%1&apos;.</source>
        <translation>Die Datei „%1“ wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Could not read &apos;%1&apos;: %2.</source>
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
        <source>%1: the bomQtyReq &apos;%2&apos; is not a number.</source>
        <translation>%1: bomQtyReq „%2“ ist keine Zahl.</translation>
    </message>
    <message>
        <source>%1: the StartDate &apos;%2&apos; is not a date and time &apos;YYYY-MM-DD HH:MM:SS&apos;.</source>
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
        <source>&apos;%1&apos; is a file being imported; choose another output file.</source>
        <translation>„%1“ ist eine der importierten Dateien; wählen Sie eine andere Zieldatei.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is %2, not a Jet (.mdb) database.</source>
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
        <source>&apos;%1&apos; is not a Jet 3 or Jet 4 (.mdb) database.</source>
        <translation>„%1“ ist keine Jet-3- oder Jet-4-Datenbank (.mdb).</translation>
    </message>
    <message>
        <source>The program that reads Jet files (%1) is not installed beside &apos;%2&apos; nor in &apos;%3&apos;.</source>
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
        <source>&apos;%1&apos; is damaged or truncated: %2.</source>
        <translation>„%1“ ist beschädigt oder abgeschnitten: %2.</translation>
    </message>
    <message>
        <source>table %1 cannot be found (%2)</source>
        <translation>Tabelle %1 wurde nicht gefunden (%2)</translation>
    </message>
    <message>
        <source>Could not find table &apos;%1&apos; in &apos;%2&apos;: it is not a database of bills of material.</source>
        <translation>Tabelle „%1“ wurde in „%2“ nicht gefunden: Das ist keine Stücklistendatenbank.</translation>
    </message>
    <message>
        <source>Table &apos;%1&apos; of &apos;%2&apos; has no column &apos;%3&apos;.</source>
        <translation>Tabelle „%1“ in „%2“ hat keine Spalte „%3“.</translation>
    </message>
    <message>
        <source>Column &apos;%1&apos; of table &apos;%2&apos; in &apos;%3&apos; is %4; it must be %5.</source>
        <translation>Spalte „%1“ der Tabelle „%2“ in „%3“ ist %4; sie muss %5 sein.</translation>
    </message>
    <message>
        <source>Table &apos;%1&apos; of &apos;%2&apos; says it holds %3 rows, but %4 could be read: the file is damaged or truncated.</source>
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
        <source>Could not start &apos;%1&apos;: %2.</source>
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
        <source>Could not read &apos;%1&apos;</source>
        <translation>„%1“ konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>&apos;%1&apos; has no table %2.</source>
        <translation>„%1“ hat keine Tabelle %2.</translation>
    </message>
    <message>
        <source>Table %1 of &apos;%2&apos; has no column %3.</source>
        <translation>Tabelle %1 in „%2“ hat keine Spalte %3.</translation>
    </message>
    <message>
        <source>%1: the %2 is not text.</source>
        <translation>%1: %2 ist kein Text.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not an SQLite database.</source>
        <translation>„%1“ ist keine SQLite-Datenbank.</translation>
    </message>
    <message>
        <source>Could not open &apos;%1&apos;</source>
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
    <name>shell</name>
    <message>
        <source>&amp;Check Database</source>
        <translation>&amp;Datenbank prüfen</translation>
    </message>
    <message>
        <source> as of %1</source>
        <translation> Stand vom %1</translation>
    </message>
    <message>
        <source> (not in the Item Master, no bill)</source>
        <translation> (nicht im Artikelstamm, keine Stückliste)</translation>
    </message>
    <message>
        <source> (not in the Item Master)</source>
        <translation> (nicht im Artikelstamm)</translation>
    </message>
    <message>
        <source> (no bill)</source>
        <translation> (keine Stückliste)</translation>
    </message>
    <message>
        <source>Co&amp;mpare Bills…</source>
        <translation>Stücklisten &amp;vergleichen…</translation>
    </message>
    <message>
        <source>&amp;Open Database</source>
        <translation>Datenbank ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Connect to &amp;Server…</source>
        <translation>Mit &amp;Server verbinden…</translation>
    </message>
    <message>
        <source>&amp;Recent Databases</source>
        <translation>&amp;Zuletzt geöffnete Datenbanken</translation>
    </message>
    <message>
        <source>Access databases (*.mdb)</source>
        <translation>Access-Datenbanken (*.mdb)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>SQLite databases (*.db *.sqlite *.sqlite3)</source>
        <translation>SQLite-Datenbanken (*.db *.sqlite *.sqlite3)</translation>
    </message>
    <message>
        <source>The database on a PostgreSQL server that holds the ItemMaster and BomDetail tables. Leave the host empty for the server on this computer, or give the folder of its socket. A password comes from PGPASSWORD or ~/.pgpass, or is asked for when the server wants one; it is saved nowhere but in the desktop&apos;s keyring, and there only when asked to. The whole address, when given, stands for the four fields: a service of ~/.pg_service.conf (service=plant), libpq&apos;s key=value pairs or a postgresql:// address, with any of libpq&apos;s settings.</source>
        <translation>Die Datenbank auf einem PostgreSQL-Server, die die Tabellen ItemMaster und BomDetail enthält. Für den Server auf diesem Rechner den Host leer lassen oder den Ordner seines Sockets angeben. Ein Passwort kommt aus PGPASSWORD oder ~/.pgpass oder wird abgefragt, wenn der Server eines verlangt; es wird nirgends gespeichert außer im Schlüsselbund des Desktops, und dort nur auf Wunsch. Die ganze Adresse steht, wenn angegeben, für die vier Felder: ein Dienst aus ~/.pg_service.conf (service=plant), key=value-Paare von libpq oder eine postgresql://-Adresse, mit beliebigen Einstellungen von libpq.</translation>
    </message>
    <message>
        <source>Connect to Server</source>
        <translation>Mit Server verbinden</translation>
    </message>
    <message>
        <source>&amp;Host or socket folder</source>
        <translation>&amp;Host oder Socket-Ordner</translation>
    </message>
    <message>
        <source>P&amp;ort</source>
        <translation>P&amp;ort</translation>
    </message>
    <message>
        <source>&amp;Database</source>
        <translation>&amp;Datenbank</translation>
    </message>
    <message>
        <source>&amp;User</source>
        <translation>&amp;Benutzer</translation>
    </message>
    <message>
        <source>Or the whole &amp;address</source>
        <translation>Oder die ganze &amp;Adresse</translation>
    </message>
    <message>
        <source>Could not connect: the address is neither key=value pairs nor postgresql://….</source>
        <translation>Keine Verbindung möglich: Die Adresse besteht weder aus key=value-Paaren noch ist sie eine postgresql://…-Adresse.</translation>
    </message>
    <message>
        <source>no line</source>
        <translation>keine Position</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>quantity %1, start date %2</source>
        <translation>Menge %1, gültig ab %2</translation>
    </message>
    <message>
        <source>&amp;New Draft…</source>
        <translation>&amp;Neuer Entwurf…</translation>
    </message>
    <message>
        <source>Open &amp;Draft…</source>
        <translation>Entwurf ö&amp;ffnen…</translation>
    </message>
    <message>
        <source>Clos&amp;e Draft</source>
        <translation>Entwurf sch&amp;ließen</translation>
    </message>
    <message>
        <source>A&amp;pply Draft…</source>
        <translation>Entwurf übe&amp;rnehmen…</translation>
    </message>
    <message>
        <source>Disca&amp;rd Draft…</source>
        <translation>Entwurf ver&amp;werfen…</translation>
    </message>
    <message>
        <source>Choose a database first.</source>
        <translation>Zuerst eine Datenbank wählen.</translation>
    </message>
    <message>
        <source>New Draft</source>
        <translation>Neuer Entwurf</translation>
    </message>
    <message>
        <source>A draft holds changes until it is applied; the database gains nothing before.</source>
        <translation>Ein Entwurf hält Änderungen zurück, bis er übernommen wird; bis dahin erhält die Datenbank nichts davon.</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>Grund</translation>
    </message>
    <message>
        <source>This database has no open draft.</source>
        <translation>Diese Datenbank hat keinen offenen Entwurf.</translation>
    </message>
    <message numerus="yes">
        <source>… and %n more</source>
        <translation>
            <numerusform>… und %n weiterer</numerusform>
            <numerusform>… und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>Open drafts:
%1</source>
        <translation>Offene Entwürfe:
%1</translation>
    </message>
    <message>
        <source>Open Draft</source>
        <translation>Entwurf öffnen</translation>
    </message>
    <message>
        <source>No draft is open.</source>
        <translation>Kein Entwurf ist geöffnet.</translation>
    </message>
    <message>
        <source>Discard the draft %1? Its changes are never applied; it is kept read-only.</source>
        <translation>Den Entwurf %1 verwerfen? Seine Änderungen werden nie übernommen; er bleibt schreibgeschützt erhalten.</translation>
    </message>
    <message numerus="yes">
        <source>Apply the draft %1 to the database? It adds %2, changes %3 and removes %n line(s).</source>
        <translation>
            <numerusform>Den Entwurf %1 in die Datenbank übernehmen? Er fügt %2 hinzu, ändert %3 und entfernt %n Position.</numerusform>
            <numerusform>Den Entwurf %1 in die Datenbank übernehmen? Er fügt %2 hinzu, ändert %3 und entfernt %n Positionen.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The draft %1 is applied: %n line(s) written as one change, %2 kept as they were.</source>
        <translation>
            <numerusform>Der Entwurf %1 ist übernommen: %n Position als eine Änderung geschrieben, %2 unverändert belassen.</numerusform>
            <numerusform>Der Entwurf %1 ist übernommen: %n Positionen als eine Änderung geschrieben, %2 unverändert belassen.</numerusform>
        </translation>
    </message>
    <message>
        <source>The line of &apos;%1&apos; in &apos;%2&apos; was changed in the database since it entered the draft.

When it entered: %3
In the draft: %4
In the database now: %5</source>
        <translation>Die Position „%1“ in „%2“ wurde in der Datenbank geändert, seit sie in den Entwurf kam.

Bei Aufnahme: %3
Im Entwurf: %4
Jetzt in der Datenbank: %5</translation>
    </message>
    <message>
        <source>Keep Database&apos;s</source>
        <translation>Datenbank behalten</translation>
    </message>
    <message>
        <source>Take Draft&apos;s</source>
        <translation>Entwurf übernehmen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>The clipboard holds no lines: copy lines of a bill, or rows of a spreadsheet with an item ID and a quantity.</source>
        <translation>Die Zwischenablage enthält keine Positionen: Positionen einer Stückliste kopieren oder Zeilen einer Tabelle mit Artikelnummer und Menge.</translation>
    </message>
    <message>
        <source>Excel workbooks (*.xlsx)</source>
        <translation>Excel-Arbeitsmappen (*.xlsx)</translation>
    </message>
    <message>
        <source>&amp;Indented Bill (CSV)…</source>
        <translation>&amp;Strukturstückliste (CSV)…</translation>
    </message>
    <message>
        <source>&amp;Summarised Bill (CSV)…</source>
        <translation>&amp;Mengenübersichtsstückliste (CSV)…</translation>
    </message>
    <message>
        <source>Indented Bill (&amp;Excel)…</source>
        <translation>Strukturstückliste (&amp;Excel)…</translation>
    </message>
    <message>
        <source>Summarised Bill (E&amp;xcel)…</source>
        <translation>Mengenübersichtsstückliste (E&amp;xcel)…</translation>
    </message>
    <message>
        <source>Print Pre&amp;view…</source>
        <translation>Druck&amp;vorschau…</translation>
    </message>
    <message>
        <source>&amp;Print…</source>
        <translation>&amp;Drucken…</translation>
    </message>
    <message>
        <source>&amp;With Title Block</source>
        <translation>Mit &amp;Kopfblock</translation>
    </message>
    <message>
        <source>The file could not be written: %1 (not a plain file)</source>
        <translation>Die Datei konnte nicht geschrieben werden: %1 (keine gewöhnliche Datei)</translation>
    </message>
    <message>
        <source>The file could not be written: %1 (%2)</source>
        <translation>Die Datei konnte nicht geschrieben werden: %1 (%2)</translation>
    </message>
    <message>
        <source>not a plain file</source>
        <translation>keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>the workbook could not be made</source>
        <translation>die Arbeitsmappe konnte nicht angelegt werden</translation>
    </message>
    <message>
        <source>the worksheet could not be made</source>
        <translation>das Arbeitsblatt konnte nicht angelegt werden</translation>
    </message>
    <message>
        <source>any</source>
        <translation>beliebig</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Änderung</translation>
    </message>
    <message>
        <source>The history holds no change of a line to restore here.</source>
        <translation>Die Historie enthält hier keine Änderung einer Position, die wiederhergestellt werden könnte.</translation>
    </message>
    <message>
        <source>Nothing to restore: the lines chosen hold what they held then.</source>
        <translation>Nichts wiederherzustellen: Die gewählten Positionen enthalten, was sie damals enthielten.</translation>
    </message>
    <message>
        <source>Nothing restored: no line was chosen.</source>
        <translation>Nichts wiederhergestellt: Keine Position wurde gewählt.</translation>
    </message>
    <message>
        <source>The database has changed since these lines were read: %1</source>
        <translation>Die Datenbank hat sich geändert, seit diese Positionen gelesen wurden: %1</translation>
    </message>
    <message>
        <source>Another editor has changed the lines of %1 since they were read: %2</source>
        <translation>Ein anderer Editor hat die Positionen von %1 geändert, seit sie gelesen wurden: %2</translation>
    </message>
    <message numerus="yes">
        <source>%n assemblies listed here</source>
        <translation>
            <numerusform>%n hier aufgeführte Baugruppe</numerusform>
            <numerusform>%n hier aufgeführte Baugruppen</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation>%1 und %2</translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <translation>
            <numerusform>%1 und %n weitere</numerusform>
            <numerusform>%1 und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Where Used</source>
        <translation>&amp;Verwendungsnachweis</translation>
    </message>
    <message>
        <source>Did you mean %1?</source>
        <translation>Meinten Sie %1?</translation>
    </message>
    <message>
        <source>Did you mean %1 or %2?</source>
        <translation>Meinten Sie %1 oder %2?</translation>
    </message>
    <message>
        <source>E&amp;xpand All</source>
        <translation>Alles &amp;aufklappen</translation>
    </message>
    <message>
        <source>&amp;Collapse All</source>
        <translation>Alles zu&amp;klappen</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Item ID: load the bill of the item typed; an ID the Item Master lacks loads too, and the status bar asks &quot;Did you mean …?&quot; with the nearest IDs</source>
        <translation>Artikelnummer: die Stückliste des eingegebenen Artikels laden; eine Nummer, die der Artikelstamm nicht kennt, wird ebenfalls geladen, und die Statusleiste fragt „Meinten Sie …?“ mit den nächstliegenden Nummern</translation>
    </message>
    <message>
        <source>Item ID, as you type: a list of the items whose ID holds the text opens below (the ID typed first); Down moves into it, Enter loads the line moved to. Enter without moving never takes a line: when several items hold the text and none is it, the status bar says so</source>
        <translation>Artikelnummer, während der Eingabe: Darunter öffnet sich eine Liste der Artikel, deren Nummer den Text enthält (die eingegebene Nummer zuerst); Pfeil nach unten wechselt hinein, Eingabe lädt die angesteuerte Zeile. Eingabe ohne Wechsel übernimmt nie eine Zeile: Enthalten mehrere Artikel den Text und ist keiner genau er, sagt es die Statusleiste</translation>
    </message>
    <message>
        <source>Item ID&apos;s list: close it</source>
        <translation>Liste der Artikelnummer: schließen</translation>
    </message>
    <message>
        <source>Item Master List (or a double-click): load the bill of the line</source>
        <translation>Artikelstammliste (oder Doppelklick): die Stückliste der Zeile laden</translation>
    </message>
    <message>
        <source>Find Item: move to the Item Master List</source>
        <translation>Artikel suchen: zur Artikelstammliste wechseln</translation>
    </message>
    <message>
        <source>Find Item: show every line again</source>
        <translation>Artikel suchen: wieder alle Zeilen zeigen</translation>
    </message>
    <message>
        <source>Tree: delete the selected nodes&apos; lines (Shift or Ctrl may be held)</source>
        <translation>Baum: die Positionen der ausgewählten Knoten löschen (Umschalt oder Strg dürfen gedrückt sein)</translation>
    </message>
    <message>
        <source>Tree: select several nodes (or Shift or Ctrl with a click)</source>
        <translation>Baum: mehrere Knoten auswählen (oder Umschalt bzw. Strg mit einem Klick)</translation>
    </message>
    <message>
        <source>Tree: change the current node&apos;s quantity (or a double-click on its Quantity cell)</source>
        <translation>Baum: die Menge des aktuellen Knotens ändern (oder Doppelklick auf seine Mengenzelle)</translation>
    </message>
    <message>
        <source>Quantity cell: leave it unchanged</source>
        <translation>Mengenzelle: unverändert verlassen</translation>
    </message>
    <message>
        <source>Tree: move to another node; the statistics follow</source>
        <translation>Baum: zu einem anderen Knoten wechseln; die Kennzahlen folgen</translation>
    </message>
    <message>
        <source>Tree: open or close the current node</source>
        <translation>Baum: den aktuellen Knoten auf- oder zuklappen</translation>
    </message>
    <message>
        <source>Tree: go to the assembly of the current node; the path under the Item Master List shows where the current node stands, from the loaded item down</source>
        <translation>Baum: zur Baugruppe des aktuellen Knotens gehen; der Pfad unter der Artikelstammliste zeigt, wo der aktuelle Knoten steht, vom geladenen Artikel abwärts</translation>
    </message>
    <message>
        <source>Tree: the current node&apos;s context menu (or a right-click on a node)</source>
        <translation>Baum: das Kontextmenü des aktuellen Knotens (oder Rechtsklick auf einen Knoten)</translation>
    </message>
    <message>
        <source>Tree: open everything below the current node</source>
        <translation>Baum: alles unterhalb des aktuellen Knotens aufklappen</translation>
    </message>
    <message>
        <source>Where Used (or a double-click): load the assembly of the line</source>
        <translation>Verwendungsnachweis (oder Doppelklick): die Baugruppe der Zeile laden</translation>
    </message>
    <message>
        <source>Move between the fields, the tree, the list and the buttons</source>
        <translation>Zwischen den Feldern, dem Baum, der Liste und den Schaltflächen wechseln</translation>
    </message>
    <message>
        <source>Close a question, a box or an information window; a drop&apos;s question left open writes nothing</source>
        <translation>Eine Frage, ein Meldungsfenster oder ein Informationsfenster schließen; eine offen gelassene Frage beim Ablegen schreibt nichts</translation>
    </message>
    <message>
        <source>Help ▸ Operation Notes</source>
        <translation>Hilfe ▸ Bedienungshinweise</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Operation Notes</source>
        <translation>&amp;Bedienungshinweise</translation>
    </message>
    <message>
        <source>&amp;Keyboard Shortcuts</source>
        <translation>&amp;Tastenkürzel</translation>
    </message>
    <message>
        <source>&amp;About BOM Editor</source>
        <translation>&amp;Über den Stücklisteneditor</translation>
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
        <source>Re&amp;view Draft…</source>
        <translation>Entwurf &amp;prüfen…</translation>
    </message>
    <message>
        <source>Export Draft</source>
        <translation>Entwurf exportieren</translation>
    </message>
    <message numerus="yes">
        <source>Draft %1 written to %2: %n line(s).</source>
        <translation>
            <numerusform>Entwurf %1 nach %2 geschrieben: %n Position.</numerusform>
            <numerusform>Entwurf %1 nach %2 geschrieben: %n Positionen.</numerusform>
        </translation>
    </message>
    <message>
        <source> without the draft %1</source>
        <translation> ohne den Entwurf %1</translation>
    </message>
    <message>
        <source> with the draft %1</source>
        <translation> mit dem Entwurf %1</translation>
    </message>
    <message>
        <source>Compare Draft &amp;With Database…</source>
        <translation>Entwurf mit Datenbank &amp;vergleichen…</translation>
    </message>
    <message>
        <source>%1 The window shows the database again.</source>
        <translation>%1 Das Fenster zeigt wieder die Datenbank.</translation>
    </message>
    <message>
        <source>Print Draft</source>
        <translation>Entwurf drucken</translation>
    </message>
    <message>
        <source>The draft could not be printed: %1.</source>
        <translation>Der Entwurf konnte nicht gedruckt werden: %1.</translation>
    </message>
    <message numerus="yes">
        <source>Draft %1 printed: %n page(s).</source>
        <translation>
            <numerusform>Entwurf %1 gedruckt: %n Seite.</numerusform>
            <numerusform>Entwurf %1 gedruckt: %n Seiten.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::AsOfCommands</name>
    <message>
        <source>Show This Bill &amp;As Of…</source>
        <translation>Diese Stückliste mit Stand vo&amp;m…</translation>
    </message>
    <message>
        <source>Load a bill first: its earlier states are shown from the history.</source>
        <translation>Zuerst eine Stückliste laden: Ihre früheren Stände werden aus der Historie gezeigt.</translation>
    </message>
    <message>
        <source>Type a moment, such as 2026-12-10 08:00, and press Show.</source>
        <translation>Einen Zeitpunkt eingeben, etwa 2026-12-10 08:00, und „Zeigen“ drücken.</translation>
    </message>
    <message>
        <source>Bill of %1 As Of</source>
        <translation>Stückliste von %1, Stand vom</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is no moment: type a date and time such as 2026-12-10 08:00, or as %2.</source>
        <translation>„%1“ ist kein Zeitpunkt: Datum und Uhrzeit eingeben, etwa 2026-12-10 08:00 oder wie %2.</translation>
    </message>
    <message numerus="yes">
        <source>%1 as it stood at %2%3: %Ln line(s), read-only.</source>
        <translation>
            <numerusform>%1 mit Stand vom %2%3: %Ln Position, schreibgeschützt.</numerusform>
            <numerusform>%1 mit Stand vom %2%3: %Ln Positionen, schreibgeschützt.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::AsOfDialog</name>
    <message>
        <source>Bill As Of</source>
        <translation>Stückliste mit Stand vom</translation>
    </message>
    <message>
        <source>&amp;As of:</source>
        <translation>&amp;Stand vom:</translation>
    </message>
    <message>
        <source>As of</source>
        <translation>Stand vom</translation>
    </message>
    <message>
        <source>A date and time such as 2026-12-10 08:00, or as %1 (a date alone: the start of that day; a time alone: today). A moment typed to the second means its whole second.</source>
        <translation>Datum und Uhrzeit, etwa 2026-12-10 08:00 oder wie %1 (ein Datum allein: der Beginn dieses Tages; eine Uhrzeit allein: heute). Ein sekundengenau eingegebener Zeitpunkt meint die ganze Sekunde.</translation>
    </message>
    <message>
        <source>&amp;Show</source>
        <translation>&amp;Zeigen</translation>
    </message>
    <message>
        <source>Bill as of the moment chosen, read-only</source>
        <translation>Stückliste zum gewählten Zeitpunkt, schreibgeschützt</translation>
    </message>
    <message>
        <source>&amp;Restore This Bill…</source>
        <translation>Diese Stückliste &amp;wiederherstellen…</translation>
    </message>
    <message>
        <source>Puts back the bill shown; after the moment is changed, press Show first</source>
        <translation>Stellt die gezeigte Stückliste wieder her; nach einer Änderung des Zeitpunkts zuerst „Zeigen“ drücken</translation>
    </message>
</context>
<context>
    <name>shell::BomWindow</name>
    <message>
        <source>The database given is empty: name a database file or a server address.</source>
        <translation>Die angegebene Datenbank ist leer: eine Datenbankdatei oder eine Serveradresse angeben.</translation>
    </message>
    <message>
        <source>No item&apos;s ID is &apos;%1&apos;, and several items&apos; IDs hold it: choose one in the list under Item ID (Down, then Enter), or press Enter again to load &apos;%1&apos; as typed.</source>
        <translation>Kein Artikel hat die Nummer „%1“, und mehrere Artikelnummern enthalten sie: einen in der Liste unter der Artikelnummer wählen (Pfeil nach unten, dann Eingabe) oder erneut Eingabe drücken, um „%1“ wie eingegeben zu laden.</translation>
    </message>
    <message>
        <source>Item ID</source>
        <translation>Artikelnummer</translation>
    </message>
    <message>
        <source>Bill of Material</source>
        <translation>Stückliste</translation>
    </message>
    <message>
        <source>Item Description</source>
        <translation>Bezeichnung</translation>
    </message>
    <message>
        <source>Item Master List</source>
        <translation>Artikelstammliste</translation>
    </message>
    <message>
        <source>Bill of Material Statisticts</source>
        <translation>Stücklistenkennzahlen</translation>
    </message>
    <message>
        <source>Path of the Current Node</source>
        <translation>Pfad des aktuellen Knotens</translation>
    </message>
    <message>
        <source>BOM Component Description</source>
        <translation>Bezeichnung der Komponente</translation>
    </message>
    <message>
        <source>Quantity Per Assembly</source>
        <translation>Menge je Baugruppe</translation>
    </message>
    <message>
        <source>UOM</source>
        <translation>ME</translation>
    </message>
    <message>
        <source>Start Date</source>
        <translation>Gültig ab</translation>
    </message>
    <message>
        <source>Open Database</source>
        <translation>Datenbank öffnen</translation>
    </message>
    <message>
        <source>Expand All</source>
        <translation>Alles aufklappen</translation>
    </message>
    <message>
        <source>Collapse All</source>
        <translation>Alles zuklappen</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Item Master List (double-click)</source>
        <translation>Artikelstammliste (Doppelklick)</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>E&amp;xtras</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>NUM</source>
        <translation>NUM</translation>
    </message>
</context>
<context>
    <name>shell::BulkCommands</name>
    <message>
        <source>Rep&amp;lace Component…</source>
        <translation>Komponente erse&amp;tzen…</translation>
    </message>
    <message>
        <source>Remove From &amp;Every Assembly</source>
        <translation>Aus allen Baugruppen ent&amp;fernen</translation>
    </message>
    <message>
        <source>Cop&amp;y Bill To…</source>
        <translation>Stückliste kop&amp;ieren nach…</translation>
    </message>
    <message>
        <source>Choose the component first: a node of the tree, or a line of the Item Master list.</source>
        <translation>Zuerst die Komponente wählen: einen Knoten des Baums oder eine Zeile der Artikelstammliste.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is a component of no assembly: there is nothing to %2.</source>
        <translation>„%1“ ist Komponente keiner Baugruppe: Es gibt nichts zu %2.</translation>
    </message>
    <message>
        <source>replace</source>
        <translation>ersetzen</translation>
    </message>
    <message>
        <source>Replace Component</source>
        <translation>Komponente ersetzen</translation>
    </message>
    <message>
        <source>Replace %1 with the item (%1 itself: set its quantity):</source>
        <translation>%1 durch den Artikel ersetzen (%1 selbst: seine Menge setzen):</translation>
    </message>
    <message>
        <source>remove</source>
        <translation>entfernen</translation>
    </message>
    <message>
        <source>No item is loaded: load the item whose bill is to be copied.</source>
        <translation>Kein Artikel ist geladen: den Artikel laden, dessen Stückliste kopiert werden soll.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; has no bill of material to copy.</source>
        <translation>„%1“ hat keine Stückliste zum Kopieren.</translation>
    </message>
    <message>
        <source>Copy Bill To</source>
        <translation>Stückliste kopieren nach</translation>
    </message>
    <message numerus="yes">
        <source>Copy the %Ln line(s) of %1 into the bill of the item:</source>
        <translation>
            <numerusform>Die %Ln Position von %1 in die Stückliste des Artikels kopieren:</numerusform>
            <numerusform>Die %Ln Positionen von %1 in die Stückliste des Artikels kopieren:</numerusform>
        </translation>
    </message>
    <message>
        <source>None of the lines of %1 can go into the bill of %2; nothing was written:
%3</source>
        <translation>Keine der Positionen von %1 kann in die Stückliste von %2 aufgenommen werden; es wurde nichts geschrieben:
%3</translation>
    </message>
    <message>
        <source>%1 Has A Bill Of Material. Add To It?</source>
        <translation>%1 hat eine Stückliste. Ergänzen?</translation>
    </message>
    <message>
        <source>Copy The Lines That Can Go In?</source>
        <translation>Die aufnehmbaren Positionen kopieren?</translation>
    </message>
    <message numerus="yes">
        <source>OK: %1 of the %Ln line(s) of %2 go into the bill of %3</source>
        <translation>
            <numerusform>OK: %1 der %Ln Position von %2 kommt in die Stückliste von %3</numerusform>
            <numerusform>OK: %1 der %Ln Positionen von %2 kommen in die Stückliste von %3</numerusform>
        </translation>
    </message>
    <message>
        <source>; these are skipped:
%1
</source>
        <translation>; diese werden übersprungen:
%1
</translation>
    </message>
    <message>
        <source>Cancel: nothing is written.</source>
        <translation>Abbrechen: Es wird nichts geschrieben.</translation>
    </message>
    <message>
        <source>a line that changed is refused when it is written.</source>
        <translation>Eine geänderte Position wird beim Schreiben abgelehnt.</translation>
    </message>
</context>
<context>
    <name>shell::ChangeHistoryDialog</name>
    <message>
        <source>Change History</source>
        <translation>Änderungshistorie</translation>
    </message>
    <message>
        <source>Loaded bill</source>
        <translation>Geladene Stückliste</translation>
    </message>
    <message>
        <source>This line</source>
        <translation>Diese Position</translation>
    </message>
    <message>
        <source>Whole database</source>
        <translation>Ganze Datenbank</translation>
    </message>
    <message>
        <source>Since</source>
        <translation>Seit</translation>
    </message>
    <message>
        <source>Until</source>
        <translation>Bis</translation>
    </message>
    <message>
        <source>any</source>
        <translation>beliebig</translation>
    </message>
    <message>
        <source>&amp;Show</source>
        <translation>&amp;Zeigen</translation>
    </message>
    <message>
        <source>S&amp;cope:</source>
        <translation>&amp;Umfang:</translation>
    </message>
    <message>
        <source>&amp;until</source>
        <translation>b&amp;is</translation>
    </message>
    <message>
        <source>Si&amp;nce:</source>
        <translation>Sei&amp;t:</translation>
    </message>
    <message>
        <source>&amp;Person:</source>
        <translation>&amp;Person:</translation>
    </message>
    <message>
        <source>Sou&amp;rce:</source>
        <translation>He&amp;rkunft:</translation>
    </message>
    <message>
        <source>&amp;Item:</source>
        <translation>&amp;Artikel:</translation>
    </message>
    <message>
        <source>Changes</source>
        <translation>Änderungen</translation>
    </message>
    <message>
        <source>The change&apos;s details</source>
        <translation>Einzelheiten der Änderung</translation>
    </message>
    <message>
        <source>Show the Bill &amp;Before This Change</source>
        <translation>Stückliste &amp;vor dieser Änderung zeigen</translation>
    </message>
    <message>
        <source>&amp;Compare With Before This Change</source>
        <translation>Mit dem Stand vor dieser Änderung &amp;vergleichen</translation>
    </message>
    <message>
        <source>&amp;Restore…</source>
        <translation>&amp;Wiederherstellen…</translation>
    </message>
    <message>
        <source>Export CS&amp;V…</source>
        <translation>CS&amp;V exportieren…</translation>
    </message>
    <message>
        <source>Export &amp;Excel…</source>
        <translation>&amp;Excel exportieren…</translation>
    </message>
    <message>
        <source>Res&amp;tore…</source>
        <translation>Wieder&amp;herstellen…</translation>
    </message>
    <message>
        <source>Puts back what the current change set changed; in the scope of one line, the line as it was before the current change</source>
        <translation>Stellt wieder her, was der aktuelle Änderungssatz geändert hat; im Umfang einer Position die Position, wie sie vor der aktuellen Änderung war</translation>
    </message>
    <message>
        <source>&amp;Forget Changes Before…</source>
        <translation>Änderungen vor … &amp;vergessen…</translation>
    </message>
    <message>
        <source>the start</source>
        <translation>dem Beginn</translation>
    </message>
    <message numerus="yes">
        <source>%Ln change(s) listed; the history keeps %1 since %2.</source>
        <translation>
            <numerusform>%Ln Änderung aufgeführt; die Historie hält %1 seit %2.</numerusform>
            <numerusform>%Ln Änderungen aufgeführt; die Historie hält %1 seit %2.</numerusform>
        </translation>
    </message>
    <message>
        <source> Only the newest %1 are listed: narrow the time or the scope to see older ones.</source>
        <translation> Nur die neuesten %1 sind aufgeführt: Zeitraum oder Umfang eingrenzen, um ältere zu sehen.</translation>
    </message>
</context>
<context>
    <name>shell::CheckDatabaseCommands</name>
    <message>
        <source>Checking %1…</source>
        <translation>Prüfe %1…</translation>
    </message>
    <message>
        <source>Check Database</source>
        <translation>Datenbank prüfen</translation>
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
    <message>
        <source>The file could not be written: %1 (%2)</source>
        <translation>Die Datei konnte nicht geschrieben werden: %1 (%2)</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Art</translation>
    </message>
    <message>
        <source>Assembly</source>
        <translation>Baugruppe</translation>
    </message>
    <message>
        <source>Component</source>
        <translation>Komponente</translation>
    </message>
    <message>
        <source>Detail</source>
        <translation>Einzelheit</translation>
    </message>
</context>
<context>
    <name>shell::CompareCommands</name>
    <message>
        <source>Select Database File for B</source>
        <translation>Datenbankdatei für B wählen</translation>
    </message>
    <message>
        <source>Type the item of each bill to compare, A and B.</source>
        <translation>Den Artikel jeder zu vergleichenden Stückliste eingeben, A und B.</translation>
    </message>
    <message>
        <source>A: %1%2 in %3%7
B: %4%5 in %6%8
</source>
        <translation>A: %1%2 in %3%7
B: %4%5 in %6%8
</translation>
    </message>
    <message numerus="yes">
        <source>%Ln item(s): %1 added, %2 removed, %3 changed, %4 unchanged</source>
        <translation>
            <numerusform>%Ln Artikel: %1 hinzugekommen, %2 entfallen, %3 geändert, %4 unverändert</numerusform>
            <numerusform>%Ln Artikel: %1 hinzugekommen, %2 entfallen, %3 geändert, %4 unverändert</numerusform>
        </translation>
    </message>
    <message>
        <source>, %1 without a number on either side</source>
        <translation>, %1 ohne Zahl auf beiden Seiten</translation>
    </message>
    <message numerus="yes">
        <source> The indented comparison shows the first %Ln row(s).</source>
        <translation>
            <numerusform> Der Vergleich der Strukturstückliste zeigt die erste %Ln Zeile.</numerusform>
            <numerusform> Der Vergleich der Strukturstückliste zeigt die ersten %Ln Zeilen.</numerusform>
        </translation>
    </message>
    <message>
        <source>Export Comparison</source>
        <translation>Vergleich exportieren</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message numerus="yes">
        <source>Comparison written to %1: %Ln row(s).</source>
        <translation>
            <numerusform>Vergleich nach %1 geschrieben: %Ln Zeile.</numerusform>
            <numerusform>Vergleich nach %1 geschrieben: %Ln Zeilen.</numerusform>
        </translation>
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
    <message>
        <source>Level</source>
        <translation>Ebene</translation>
    </message>
    <message>
        <source>Item ID</source>
        <translation>Artikelnummer</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Bezeichnung</translation>
    </message>
    <message>
        <source>Quantity A</source>
        <translation>Menge A</translation>
    </message>
    <message>
        <source>Total A</source>
        <translation>Gesamt A</translation>
    </message>
    <message>
        <source>Quantity B</source>
        <translation>Menge B</translation>
    </message>
    <message>
        <source>Total B</source>
        <translation>Gesamt B</translation>
    </message>
    <message>
        <source>Difference</source>
        <translation>Differenz</translation>
    </message>
    <message>
        <source>Mark</source>
        <translation>Kennzeichen</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>No number: a quantity on the way is Null, or a cycle lies on the way, so the need has no end. The note says which.</source>
        <translation>Keine Zahl: Eine Menge auf dem Weg ist leer (Null), oder auf dem Weg liegt ein Zyklus, sodass der Bedarf kein Ende hat. Der Hinweis sagt, welches von beiden.</translation>
    </message>
    <message>
        <source>without the &amp;draft</source>
        <translation>ohne den &amp;Entwurf</translation>
    </message>
    <message>
        <source>Bill A as the database holds it, without the draft %1</source>
        <translation>Stückliste A, wie die Datenbank sie enthält, ohne den Entwurf %1</translation>
    </message>
</context>
<context>
    <name>shell::DatabaseChoice</name>
    <message>
        <source>...Loading Item Master file...</source>
        <translation>...Artikelstamm wird geladen...</translation>
    </message>
</context>
<context>
    <name>shell::DraftReviewDialog</name>
    <message>
        <source>Change</source>
        <translation>Änderung</translation>
    </message>
    <message>
        <source>Assembly</source>
        <translation>Baugruppe</translation>
    </message>
    <message>
        <source>Component</source>
        <translation>Komponente</translation>
    </message>
    <message>
        <source>Base Quantity</source>
        <translation>Menge (Ausgangsstand)</translation>
    </message>
    <message>
        <source>Base Start Date</source>
        <translation>Gültig ab (Ausgangsstand)</translation>
    </message>
    <message>
        <source>Draft Quantity</source>
        <translation>Menge (Entwurf)</translation>
    </message>
    <message>
        <source>Draft Start Date</source>
        <translation>Gültig ab (Entwurf)</translation>
    </message>
    <message>
        <source>Live Quantity</source>
        <translation>Menge (Datenbank)</translation>
    </message>
    <message>
        <source>Live Start Date</source>
        <translation>Gültig ab (Datenbank)</translation>
    </message>
    <message>
        <source>Live</source>
        <translation>Datenbank</translation>
    </message>
    <message>
        <source>added</source>
        <translation>hinzugefügt</translation>
    </message>
    <message>
        <source>changed</source>
        <translation>geändert</translation>
    </message>
    <message>
        <source>removed</source>
        <translation>entfernt</translation>
    </message>
    <message>
        <source>as it was</source>
        <translation>unverändert</translation>
    </message>
    <message>
        <source>already as drafted</source>
        <translation>bereits wie im Entwurf</translation>
    </message>
    <message>
        <source>changed since</source>
        <translation>seitdem geändert</translation>
    </message>
    <message>
        <source>The tables&apos; line was changed, removed or added since it entered the draft: Apply Draft asks whether to keep the tables&apos; or take the draft&apos;s.</source>
        <translation>Die Position wurde in der Datenbank geändert, entfernt oder hinzugefügt, seit sie in den Entwurf kam: „Entwurf übernehmen“ fragt, ob die der Datenbank bleibt oder die des Entwurfs übernommen wird.</translation>
    </message>
    <message>
        <source>Review Draft</source>
        <translation>Entwurf prüfen</translation>
    </message>
    <message>
        <source>Lines of the draft</source>
        <translation>Positionen des Entwurfs</translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation>&amp;Aktualisieren</translation>
    </message>
    <message>
        <source>Export &amp;CSV…</source>
        <translation>&amp;CSV exportieren…</translation>
    </message>
    <message>
        <source>Export &amp;Excel…</source>
        <translation>&amp;Excel exportieren…</translation>
    </message>
    <message>
        <source>Reason: %1</source>
        <translation>Grund: %1</translation>
    </message>
    <message>
        <source>Made by %1 on %2.</source>
        <translation>Angelegt von %1 am %2.</translation>
    </message>
    <message numerus="yes">
        <source>%Ln line(s) changed in the database since entering the draft, marked: Apply Draft asks about each.</source>
        <translation>
            <numerusform>%Ln Position seit der Aufnahme in den Entwurf in der Datenbank geändert, markiert: „Entwurf übernehmen“ fragt nach jeder.</numerusform>
            <numerusform>%Ln Positionen seit der Aufnahme in den Entwurf in der Datenbank geändert, markiert: „Entwurf übernehmen“ fragt nach jeder.</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Print…</source>
        <translation>&amp;Drucken…</translation>
    </message>
</context>
<context>
    <name>shell::ExportCommands</name>
    <message>
        <source>Item, description, database and date above the header of the CSV and Excel files</source>
        <translation>Artikel, Bezeichnung, Datenbank und Datum über der Kopfzeile der CSV- und Excel-Dateien</translation>
    </message>
    <message>
        <source>Expor&amp;t</source>
        <translation>Expor&amp;tieren</translation>
    </message>
    <message>
        <source>There is no bill of material to export or print: load an item that has components first.</source>
        <translation>Es gibt keine Stückliste zum Exportieren oder Drucken: zuerst einen Artikel laden, der Komponenten hat.</translation>
    </message>
    <message>
        <source>%1 not written: cancelled.</source>
        <translation>%1 nicht geschrieben: abgebrochen.</translation>
    </message>
    <message numerus="yes">
        <source>%1 written to %2: %Ln row(s).</source>
        <translation>
            <numerusform>%1 nach %2 geschrieben: %Ln Zeile.</numerusform>
            <numerusform>%1 nach %2 geschrieben: %Ln Zeilen.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The bill of material has %1 row(s). %2 all of them?</source>
        <translation>
            <numerusform>Die Stückliste hat %1 Zeile. %2 – alle?</numerusform>
            <numerusform>Die Stückliste hat %1 Zeilen. %2 – alle?</numerusform>
        </translation>
    </message>
    <message>
        <source>The structure shares its sub-assemblies: each is a row wherever it is used. Yes: all of them. No: nothing is done.</source>
        <translation>Die Struktur teilt ihre Unterbaugruppen: Jede ist überall dort eine Zeile, wo sie verwendet wird. Ja: alle. Nein: Es geschieht nichts.</translation>
    </message>
    <message>
        <source>The bill of material has %1 rows; a worksheet holds %2 below its header. Export it as CSV instead.</source>
        <translation>Die Stückliste hat %1 Zeilen; ein Arbeitsblatt fasst %2 unter seiner Kopfzeile. Stattdessen als CSV exportieren.</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Writing the indented bill…</source>
        <translation>Strukturstückliste wird geschrieben…</translation>
    </message>
    <message>
        <source>Export Indented Bill</source>
        <translation>Strukturstückliste exportieren</translation>
    </message>
    <message>
        <source>Indented bill</source>
        <translation>Strukturstückliste</translation>
    </message>
    <message>
        <source>Export Summarised Bill</source>
        <translation>Mengenübersichtsstückliste exportieren</translation>
    </message>
    <message>
        <source>Summarised bill</source>
        <translation>Mengenübersichtsstückliste</translation>
    </message>
    <message>
        <source>About %1 pages: print</source>
        <translation>Etwa %1 Seiten: drucken</translation>
    </message>
    <message>
        <source>Bill of material</source>
        <translation>Stückliste</translation>
    </message>
    <message>
        <source>&amp;Indented bill</source>
        <translation>&amp;Strukturstückliste</translation>
    </message>
    <message>
        <source>&amp;Summarised bill</source>
        <translation>&amp;Mengenübersichtsstückliste</translation>
    </message>
    <message>
        <source>Where Used list</source>
        <translation>Verwendungsnachweis</translation>
    </message>
    <message>
        <source>&amp;Where Used list of %1</source>
        <translation>&amp;Verwendungsnachweis von %1</translation>
    </message>
    <message>
        <source>Print Bill of Material</source>
        <translation>Stückliste drucken</translation>
    </message>
    <message numerus="yes">
        <source>%1 printed: %Ln page(s).</source>
        <translation>
            <numerusform>%1 gedruckt: %Ln Seite.</numerusform>
            <numerusform>%1 gedruckt: %Ln Seiten.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 written to %2: %Ln page(s).</source>
        <translation>
            <numerusform>%1 nach %2 geschrieben: %Ln Seite.</numerusform>
            <numerusform>%1 nach %2 geschrieben: %Ln Seiten.</numerusform>
        </translation>
    </message>
    <message>
        <source>The bill of material could not be printed: %1.</source>
        <translation>Die Stückliste konnte nicht gedruckt werden: %1.</translation>
    </message>
    <message>
        <source>The bill of material could not be printed to %1: %2.</source>
        <translation>Die Stückliste konnte nicht nach %1 gedruckt werden: %2.</translation>
    </message>
</context>
<context>
    <name>shell::HistoryCommands</name>
    <message>
        <source>Change &amp;History…</source>
        <translation>Änderungs&amp;historie…</translation>
    </message>
    <message>
        <source>&amp;Keep History on This Server…</source>
        <translation>Historie auf diesem &amp;Server führen…</translation>
    </message>
    <message>
        <source>This creates the schema bom_history on the server (its table of changes, bom_history.change, one row for each transaction that changes the tables, bom_history.change_set, and the moment it keeps them since) and the triggers bom_history_record and bom_history_truncate on ItemMaster and BomDetail. From then on every write to those tables, by this editor, other editors and the manufacturing application alike, also writes the rows before and after to bom_history.change in the same transaction: each write takes a little longer (about one more row written for each row it changes, and the commits that record history are numbered one after another, so that &quot;as of&quot; follows the order of the commits), and the schema grows with every change until older changes are forgotten. Only its triggers may write there, whoever the user. The shared tables gain no column. It takes the right to create in the database and to make triggers on both tables and to read them; bom-import --disable-history removes it all again.</source>
        <translation>Dies legt auf dem Server das Schema bom_history an (seine Tabelle der Änderungen, bom_history.change, eine Zeile für jede Transaktion, die die Tabellen ändert, bom_history.change_set, und den Zeitpunkt, seit dem es sie führt) sowie die Trigger bom_history_record und bom_history_truncate auf ItemMaster und BomDetail. Von da an schreibt jeder Schreibvorgang in diese Tabellen, ob von diesem Editor, anderen Editoren oder der Fertigungsanwendung, in derselben Transaktion auch die Zeilen vorher und nachher nach bom_history.change: Jeder Schreibvorgang dauert etwas länger (etwa eine weitere geschriebene Zeile je geänderter Zeile, und die Commits, die Historie aufzeichnen, werden nacheinander nummeriert, damit „Stand vom“ der Reihenfolge der Commits folgt), und das Schema wächst mit jeder Änderung, bis ältere Änderungen vergessen werden. Nur seine Trigger dürfen dort schreiben, gleich welcher Benutzer. Die gemeinsamen Tabellen erhalten keine Spalte. Nötig ist das Recht, in der Datenbank anzulegen, auf beiden Tabellen Trigger anzulegen und sie zu lesen; bom-import --disable-history entfernt alles wieder.</translation>
    </message>
    <message>
        <source>Keep The History Of Every Change On This Server?</source>
        <translation>Die Historie jeder Änderung auf diesem Server führen?</translation>
    </message>
    <message>
        <source>The server keeps the history of every change already.</source>
        <translation>Der Server führt die Historie jeder Änderung bereits.</translation>
    </message>
    <message>
        <source>The server keeps the history of every change from now on.</source>
        <translation>Der Server führt ab jetzt die Historie jeder Änderung.</translation>
    </message>
    <message>
        <source>Forget Changes Before</source>
        <translation>Änderungen vor einem Zeitpunkt vergessen</translation>
    </message>
    <message>
        <source>Forget every change &amp;before:</source>
        <translation>Jede Änderung &amp;vor diesem Zeitpunkt vergessen:</translation>
    </message>
    <message>
        <source>The bill can be shown as of any moment from then on, never before it. Nothing of the database changes.</source>
        <translation>Die Stückliste lässt sich danach mit Stand jedes späteren Zeitpunkts zeigen, nie davor. An der Datenbank ändert sich nichts.</translation>
    </message>
    <message>
        <source>&amp;Forget</source>
        <translation>&amp;Vergessen</translation>
    </message>
    <message numerus="yes">
        <source>Stopped: %Ln change(s) of the history forgotten.</source>
        <translation>
            <numerusform>Angehalten: %Ln Änderung der Historie vergessen.</numerusform>
            <numerusform>Angehalten: %Ln Änderungen der Historie vergessen.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Done: %Ln change(s) of the history forgotten.</source>
        <translation>
            <numerusform>Fertig: %Ln Änderung der Historie vergessen.</numerusform>
            <numerusform>Fertig: %Ln Änderungen der Historie vergessen.</numerusform>
        </translation>
    </message>
    <message>
        <source>No bill is loaded: load an item, or choose the whole database.</source>
        <translation>Keine Stückliste geladen: einen Artikel laden oder die ganze Datenbank wählen.</translation>
    </message>
    <message>
        <source>Changes to the bill of %1</source>
        <translation>Änderungen an der Stückliste von %1</translation>
    </message>
    <message>
        <source>No line is chosen: click a node of the tree first.</source>
        <translation>Keine Position gewählt: zuerst einen Knoten des Baums anklicken.</translation>
    </message>
    <message>
        <source>Changes to the line %1 → %2</source>
        <translation>Änderungen an der Position %1 → %2</translation>
    </message>
    <message>
        <source>Changes to the whole database</source>
        <translation>Änderungen an der ganzen Datenbank</translation>
    </message>
    <message>
        <source>Export Change History</source>
        <translation>Änderungshistorie exportieren</translation>
    </message>
    <message>
        <source>Excel workbooks (*.xlsx)</source>
        <translation>Excel-Arbeitsmappen (*.xlsx)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message numerus="yes">
        <source>Change history written to %1: %Ln row(s).</source>
        <translation>
            <numerusform>Änderungshistorie nach %1 geschrieben: %Ln Zeile.</numerusform>
            <numerusform>Änderungshistorie nach %1 geschrieben: %Ln Zeilen.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::ImportCommands</name>
    <message>
        <source>&amp;Import</source>
        <translation>&amp;Importieren</translation>
    </message>
    <message>
        <source>From &amp;Access Database…</source>
        <translation>Aus &amp;Access-Datenbank…</translation>
    </message>
    <message>
        <source>From &amp;CSV Files…</source>
        <translation>Aus &amp;CSV-Dateien…</translation>
    </message>
    <message>
        <source>Importing %1…</source>
        <translation>Importiere %1…</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>Save Imported Database As</source>
        <translation>Importierte Datenbank speichern unter</translation>
    </message>
    <message>
        <source>%1 is an Access (Jet) database. The editor works on SQLite databases: it will copy the bills of material into a new SQLite database file and open that one. The Access file is left unchanged.</source>
        <translation>%1 ist eine Access-Datenbank (Jet). Der Editor arbeitet mit SQLite-Datenbanken: Er kopiert die Stücklisten in eine neue SQLite-Datenbankdatei und öffnet diese. Die Access-Datei bleibt unverändert.</translation>
    </message>
    <message>
        <source>Select Access Database to Import</source>
        <translation>Zu importierende Access-Datenbank wählen</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a Jet 3 or Jet 4 (.mdb) database.</source>
        <translation>„%1“ ist keine Jet-3- oder Jet-4-Datenbank (.mdb).</translation>
    </message>
    <message>
        <source>Select the Items File (items.csv) to Import</source>
        <translation>Zu importierende Artikeldatei (items.csv) wählen</translation>
    </message>
    <message>
        <source>Select the Lines File (lines.csv) to Import</source>
        <translation>Zu importierende Positionsdatei (lines.csv) wählen</translation>
    </message>
    <message>
        <source>Add the items and lines of these files to the current database on the server %1?

Add Here: add them to it (every row or none; the other editors see them once all are in).
New File…: write them into a new database file on this computer.</source>
        <translation>Die Artikel und Positionen dieser Dateien der aktuellen Datenbank auf dem Server %1 hinzufügen?

Hier hinzufügen: ihr hinzufügen (jede Zeile oder keine; die anderen Editoren sehen sie, sobald alle drin sind).
Neue Datei…: in eine neue Datenbankdatei auf diesem Rechner schreiben.</translation>
    </message>
    <message>
        <source>Add the items and lines of these files to the current database, %1?

Add Here: add them to it (every row or none).
New File…: write them into a new database file.</source>
        <translation>Die Artikel und Positionen dieser Dateien der aktuellen Datenbank %1 hinzufügen?

Hier hinzufügen: ihr hinzufügen (jede Zeile oder keine).
Neue Datei…: in eine neue Datenbankdatei schreiben.</translation>
    </message>
    <message>
        <source>Add Here</source>
        <translation>Hier hinzufügen</translation>
    </message>
    <message>
        <source>New File…</source>
        <translation>Neue Datei…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%1 and %2 imported into %3</source>
        <translation>%1 und %2 nach %3 importiert</translation>
    </message>
    <message numerus="yes">
        <source>%Ln item(s)</source>
        <translation>
            <numerusform>%Ln Artikel</numerusform>
            <numerusform>%Ln Artikel</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln line(s)</source>
        <translation>
            <numerusform>%Ln Position</numerusform>
            <numerusform>%Ln Positionen</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::ItemFindField</name>
    <message>
        <source>Find Item</source>
        <translation>Artikel suchen</translation>
    </message>
</context>
<context>
    <name>shell::ItemList</name>
    <message>
        <source>&amp;Low-Level Code</source>
        <translation>&amp;Dispositionsstufe</translation>
    </message>
</context>
<context>
    <name>shell::ItemListModel</name>
    <message>
        <source>On or below a cycle: no low-level code</source>
        <translation>In oder unter einem Zyklus: keine Dispositionsstufe</translation>
    </message>
    <message>
        <source>Item ID</source>
        <translation>Artikelnummer</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Bezeichnung</translation>
    </message>
    <message>
        <source>Low-Level Code</source>
        <translation>Dispositionsstufe</translation>
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
        <source>No item&apos;s ID or description holds &apos;%1&apos;.</source>
        <translation>Keine Artikelnummer und keine Bezeichnung enthält „%1“.</translation>
    </message>
    <message numerus="yes">
        <source>No item&apos;s ID is &apos;%1&apos;; %Ln item(s) hold(s) it: choose one in the list (Down, then Enter).</source>
        <translation>
            <numerusform>Keine Artikelnummer lautet „%1“; %Ln Artikel enthält diesen Text: Wählen Sie ihn in der Liste (Pfeil nach unten, dann Eingabe).</numerusform>
            <numerusform>Keine Artikelnummer lautet „%1“; %Ln Artikel enthalten diesen Text: Wählen Sie einen in der Liste (Pfeil nach unten, dann Eingabe).</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::LineCommands</name>
    <message>
        <source>&amp;Add Component…</source>
        <translation>Komponente &amp;hinzufügen…</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Ausschneiden</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Einfügen</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>No bill is loaded: load an item&apos;s bill first.</source>
        <translation>Keine Stückliste geladen: zuerst die Stückliste eines Artikels laden.</translation>
    </message>
    <message>
        <source>No node is current: choose the node the lines go to.</source>
        <translation>Kein Knoten ist aktuell: den Knoten wählen, zu dem die Positionen kommen.</translation>
    </message>
    <message>
        <source>Add Component</source>
        <translation>Komponente hinzufügen</translation>
    </message>
    <message>
        <source>The item to add at %1:</source>
        <translation>Der bei %1 hinzuzufügende Artikel:</translation>
    </message>
    <message numerus="yes">
        <source>Copied %n line(s).</source>
        <translation>
            <numerusform>%n Position kopiert.</numerusform>
            <numerusform>%n Positionen kopiert.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Cut %n line(s): Paste moves it (them), Esc keeps it (them).</source>
        <translation>
            <numerusform>%n Position ausgeschnitten: Einfügen verschiebt sie, Esc behält sie.</numerusform>
            <numerusform>%n Positionen ausgeschnitten: Einfügen verschiebt sie, Esc behält sie.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>the %Ln pasted line(s) go(es)</source>
        <translation>
            <numerusform>die %Ln eingefügte Position kommt</numerusform>
            <numerusform>die %Ln eingefügten Positionen kommen</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::LiveUpdates</name>
    <message>
        <source>Changes by other editors could not be read: %1</source>
        <translation>Änderungen anderer Editoren konnten nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>%1 changed by another program</source>
        <translation>%1 von einem anderen Programm geändert</translation>
    </message>
    <message>
        <source>%1 changed by another editor</source>
        <translation>%1 von einem anderen Editor geändert</translation>
    </message>
    <message>
        <source>The Item Master list was changed by another program</source>
        <translation>Die Artikelstammliste wurde von einem anderen Programm geändert</translation>
    </message>
    <message>
        <source>The Item Master list was changed by another editor</source>
        <translation>Die Artikelstammliste wurde von einem anderen Editor geändert</translation>
    </message>
    <message numerus="yes">
        <source>%n other editor(s)</source>
        <translation>
            <numerusform>%n anderer Editor</numerusform>
            <numerusform>%n andere Editoren</numerusform>
        </translation>
    </message>
    <message>
        <source>Editors that have this database open on other computers or in other windows</source>
        <translation>Editoren, die diese Datenbank auf anderen Rechnern oder in anderen Fenstern geöffnet haben</translation>
    </message>
</context>
<context>
    <name>shell::LowLevelColumn</name>
    <message>
        <source>Low-level codes not read.</source>
        <translation>Dispositionsstufen nicht gelesen.</translation>
    </message>
    <message>
        <source>Low-level codes not read: %1</source>
        <translation>Dispositionsstufen nicht gelesen: %1</translation>
    </message>
    <message numerus="yes">
        <source>%n item(s) stand(s) on or below a cycle, without a low-level code: %1</source>
        <translation>
            <numerusform>%n Artikel steht in oder unter einem Zyklus, ohne Dispositionsstufe: %1</numerusform>
            <numerusform>%n Artikel stehen in oder unter einem Zyklus, ohne Dispositionsstufe: %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::NodeCommands</name>
    <message>
        <source>Change &amp;Quantity</source>
        <translation>&amp;Menge ändern</translation>
    </message>
    <message>
        <source>&amp;Expand This Node and Below</source>
        <translation>Diesen Knoten und darunter a&amp;ufklappen</translation>
    </message>
    <message>
        <source>C&amp;ollapse This Node and Below</source>
        <translation>Diesen Knoten und darunter &amp;zuklappen</translation>
    </message>
    <message>
        <source>Load This &amp;Item</source>
        <translation>Diesen Artikel la&amp;den</translation>
    </message>
    <message>
        <source>&amp;History of This Line</source>
        <translation>H&amp;istorie dieser Position</translation>
    </message>
    <message numerus="yes">
        <source>The tree holds %Ln row(s); the nodes below %1 were opened up to that many.</source>
        <translation>
            <numerusform>Der Baum hat %Ln Zeile; die Knoten unter %1 wurden bis zu dieser Zahl aufgeklappt.</numerusform>
            <numerusform>Der Baum hat %Ln Zeilen; die Knoten unter %1 wurden bis zu dieser Zahl aufgeklappt.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::OptionsCommands</name>
    <message>
        <source>&amp;Options…</source>
        <translation>&amp;Einstellungen…</translation>
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
        <source>The system&apos;s</source>
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
    <name>shell::RequirementsCommands</name>
    <message>
        <source>Re&amp;quirements…</source>
        <translation>&amp;Bedarfsermittlung…</translation>
    </message>
    <message>
        <source>not in the Item Master</source>
        <translation>nicht im Artikelstamm</translation>
    </message>
    <message>
        <source>%1 is not in the Item Master.</source>
        <translation>%1 ist nicht im Artikelstamm.</translation>
    </message>
    <message>
        <source>Add Item to Build</source>
        <translation>Zu fertigenden Artikel hinzufügen</translation>
    </message>
    <message>
        <source>Item to build:</source>
        <translation>Zu fertigender Artikel:</translation>
    </message>
    <message>
        <source>The pasted rows name no item.</source>
        <translation>Die eingefügten Zeilen nennen keinen Artikel.</translation>
    </message>
    <message numerus="yes">
        <source>%n pasted item(s) listed already: %1. Add the pasted quantities to those listed, or let the pasted quantities replace them?</source>
        <translation>
            <numerusform>Der eingefügte Artikel ist bereits aufgeführt: %1. Die eingefügte Menge zur aufgeführten addieren oder sie ersetzen lassen?</numerusform>
            <numerusform>%n eingefügte Artikel sind bereits aufgeführt: %1. Die eingefügten Mengen zu den aufgeführten addieren oder sie ersetzen lassen?</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Addieren</translation>
    </message>
    <message>
        <source>&amp;Replace</source>
        <translation>&amp;Ersetzen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%1 pasted: %2</source>
        <translation>%1 eingefügt: %2</translation>
    </message>
    <message numerus="yes">
        <source>%Ln row(s)</source>
        <translation>
            <numerusform>%Ln Zeile</numerusform>
            <numerusform>%Ln Zeilen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln new line(s)</source>
        <translation>
            <numerusform>%Ln neue Zeile</numerusform>
            <numerusform>%Ln neue Zeilen</numerusform>
        </translation>
    </message>
    <message>
        <source>; the pasted quantities added to those listed (%1)</source>
        <translation>; die eingefügten Mengen zu den aufgeführten addiert (%1)</translation>
    </message>
    <message>
        <source>; the pasted quantities in place of those listed (%1)</source>
        <translation>; die eingefügten Mengen anstelle der aufgeführten (%1)</translation>
    </message>
    <message numerus="yes">
        <source> %Ln item(s) is (are) not in the Item Master: mend or remove its (their) row(s) before Work Out.</source>
        <translation>
            <numerusform> %Ln Artikel ist nicht im Artikelstamm: seine Zeile vor „Ermitteln“ berichtigen oder entfernen.</numerusform>
            <numerusform> %Ln Artikel sind nicht im Artikelstamm: ihre Zeilen vor „Ermitteln“ berichtigen oder entfernen.</numerusform>
        </translation>
    </message>
    <message>
        <source>The quantity to build of %1 must be a number above 0: &apos;%2&apos;.</source>
        <translation>Die zu fertigende Menge von %1 muss eine Zahl über 0 sein: „%2“.</translation>
    </message>
    <message>
        <source>List at least one item to build, with its quantity.</source>
        <translation>Mindestens einen zu fertigenden Artikel mit seiner Menge aufführen.</translation>
    </message>
    <message>
        <source>%1 (row %2)</source>
        <translation>%1 (Zeile %2)</translation>
    </message>
    <message>
        <source>%1 is %2%3 Mend or remove its row, then Work Out again.</source>
        <translation>%1 ist %2%3 Seine Zeile berichtigen oder entfernen, dann erneut ermitteln.</translation>
    </message>
    <message numerus="yes">
        <source>%Ln items to build are not in the Item Master: %1. Mend or remove their rows, then Work Out again.</source>
        <translation>
            <numerusform>%Ln zu fertigender Artikel ist nicht im Artikelstamm: %1. Seine Zeile berichtigen oder entfernen, dann erneut ermitteln.</numerusform>
            <numerusform>%Ln zu fertigende Artikel sind nicht im Artikelstamm: %1. Ihre Zeilen berichtigen oder entfernen, dann erneut ermitteln.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>To build %1: %Ln item(s).</source>
        <translation>
            <numerusform>Zu fertigen %1: %Ln Artikel.</numerusform>
            <numerusform>Zu fertigen %1: %Ln Artikel.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> %Ln item(s) without a total: a line on the way has no quantity.</source>
        <translation>
            <numerusform> %Ln Artikel ohne Gesamtmenge: Eine Position auf dem Weg hat keine Menge.</numerusform>
            <numerusform> %Ln Artikel ohne Gesamtmenge: Eine Position auf dem Weg hat keine Menge.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> %Ln item(s) without a total: it is past what a number holds (above %1).</source>
        <translation>
            <numerusform> %Ln Artikel ohne Gesamtmenge: Sie übersteigt, was eine Zahl fasst (über %1).</numerusform>
            <numerusform> %Ln Artikel ohne Gesamtmenge: Sie übersteigt, was eine Zahl fasst (über %1).</numerusform>
        </translation>
    </message>
    <message>
        <source>Export Requirements</source>
        <translation>Bedarfsermittlung exportieren</translation>
    </message>
    <message numerus="yes">
        <source>Requirements written to %1: %Ln row(s).</source>
        <translation>
            <numerusform>Bedarfsermittlung nach %1 geschrieben: %Ln Zeile.</numerusform>
            <numerusform>Bedarfsermittlung nach %1 geschrieben: %Ln Zeilen.</numerusform>
        </translation>
    </message>
    <message>
        <source>Requirements</source>
        <translation>Bedarfsermittlung</translation>
    </message>
    <message>
        <source>Print Requirements</source>
        <translation>Bedarfsermittlung drucken</translation>
    </message>
    <message>
        <source>The requirements could not be printed: %1.</source>
        <translation>Die Bedarfsermittlung konnte nicht gedruckt werden: %1.</translation>
    </message>
    <message numerus="yes">
        <source>Requirements printed: %Ln page(s).</source>
        <translation>
            <numerusform>Bedarfsermittlung gedruckt: %Ln Seite.</numerusform>
            <numerusform>Bedarfsermittlung gedruckt: %Ln Seiten.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>shell::RequirementsDialog</name>
    <message>
        <source>Requirements</source>
        <translation>Bedarfsermittlung</translation>
    </message>
    <message>
        <source>Items to &amp;build</source>
        <translation>Zu &amp;fertigende Artikel</translation>
    </message>
    <message>
        <source>Items to build</source>
        <translation>Zu fertigende Artikel</translation>
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
        <source>Note</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>&amp;Add Item…</source>
        <translation>Artikel &amp;hinzufügen…</translation>
    </message>
    <message>
        <source>&amp;Paste Rows</source>
        <translation>Zeilen &amp;einfügen</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>E&amp;ntfernen</translation>
    </message>
    <message>
        <source>Bought parts &amp;only</source>
        <translation>&amp;Nur Kaufteile</translation>
    </message>
    <message>
        <source>&amp;Stop at level</source>
        <translation>Bei Ebene &amp;anhalten</translation>
    </message>
    <message>
        <source>Stop at level</source>
        <translation>Bei Ebene anhalten</translation>
    </message>
    <message>
        <source>&amp;Include the listed items</source>
        <translation>Aufgeführte Artikel ein&amp;beziehen</translation>
    </message>
    <message>
        <source>&amp;Work Out</source>
        <translation>E&amp;rmitteln</translation>
    </message>
    <message>
        <source>Export &amp;CSV…</source>
        <translation>&amp;CSV exportieren…</translation>
    </message>
    <message>
        <source>Export &amp;Excel…</source>
        <translation>&amp;Excel exportieren…</translation>
    </message>
    <message>
        <source>P&amp;rint…</source>
        <translation>&amp;Drucken…</translation>
    </message>
    <message>
        <source>Co&amp;py</source>
        <translation>Ko&amp;pieren</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>shell::RestoreDialog</name>
    <message>
        <source>Restore</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Put back</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Assembly</source>
        <translation>Baugruppe</translation>
    </message>
    <message>
        <source>Component</source>
        <translation>Komponente</translation>
    </message>
    <message>
        <source>Restore to</source>
        <translation>Wiederherstellen auf</translation>
    </message>
    <message>
        <source>The change left</source>
        <translation>Nach der Änderung</translation>
    </message>
    <message>
        <source>Now</source>
        <translation>Jetzt</translation>
    </message>
    <message>
        <source>changed since</source>
        <translation>seitdem geändert</translation>
    </message>
    <message>
        <source>as it was</source>
        <translation>wie sie war</translation>
    </message>
    <message>
        <source>&amp;Reason (optional):</source>
        <translation>&amp;Grund (optional):</translation>
    </message>
    <message>
        <source>Re&amp;store</source>
        <translation>&amp;Wiederherstellen</translation>
    </message>
</context>
<context>
    <name>shell::TreeFindBar</name>
    <message>
        <source>F&amp;ind in tree:</source>
        <translation>Im Baum &amp;suchen:</translation>
    </message>
    <message>
        <source>Find in Tree</source>
        <translation>Im Baum suchen</translation>
    </message>
    <message>
        <source>ID or description</source>
        <translation>Nummer oder Bezeichnung</translation>
    </message>
    <message>
        <source>Hits of the find text in the tree</source>
        <translation>Treffer des Suchtexts im Baum</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>Vorheriger</translation>
    </message>
    <message>
        <source>The previous hit (Shift+F3)</source>
        <translation>Der vorherige Treffer (Umschalt+F3)</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Nächster</translation>
    </message>
    <message>
        <source>The next hit (F3)</source>
        <translation>Der nächste Treffer (F3)</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Close the find bar (Esc)</source>
        <translation>Suchleiste schließen (Esc)</translation>
    </message>
    <message>
        <source>&amp;Find in Tree…</source>
        <translation>Im Baum &amp;suchen…</translation>
    </message>
    <message>
        <source>Find &amp;Next</source>
        <translation>&amp;Nächsten suchen</translation>
    </message>
    <message>
        <source>Find Pre&amp;vious</source>
        <translation>V&amp;orherigen suchen</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>Nicht gefunden</translation>
    </message>
    <message>
        <source>about %1</source>
        <translation>etwa %1</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>%1 found</source>
        <translation>%1 gefunden</translation>
    </message>
</context>
<context>
    <name>shell::WhereUsedCommands</name>
    <message>
        <source>run Where Used again to see them as they are now.</source>
        <translation>den Verwendungsnachweis erneut ausführen, um sie im jetzigen Stand zu sehen.</translation>
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
    <message>
        <source>Assembly</source>
        <translation>Baugruppe</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>Ebene</translation>
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
        <source>Circular: a cycle in the structure stands between this assembly and the item, so it would need the item without end.</source>
        <translation>Zirkulär: Zwischen dieser Baugruppe und dem Artikel steht ein Zyklus in der Struktur, sodass sie den Artikel ohne Ende bräuchte.</translation>
    </message>
    <message>
        <source>A line on the way down to the item has no quantity.</source>
        <translation>Eine Position auf dem Weg hinunter zum Artikel hat keine Menge.</translation>
    </message>
</context>
<context>
    <name>store</name>
    <message>
        <source>Circular structure</source>
        <translation>Zirkuläre Struktur</translation>
    </message>
    <message>
        <source>Assembly not in Item Master</source>
        <translation>Baugruppe nicht im Artikelstamm</translation>
    </message>
    <message>
        <source>Component not in Item Master</source>
        <translation>Komponente nicht im Artikelstamm</translation>
    </message>
    <message>
        <source>Assembly ID differs from Item Master</source>
        <translation>Baugruppennummer weicht vom Artikelstamm ab</translation>
    </message>
    <message>
        <source>Component ID differs from Item Master</source>
        <translation>Komponentennummer weicht vom Artikelstamm ab</translation>
    </message>
    <message>
        <source>No quantity</source>
        <translation>Keine Menge</translation>
    </message>
    <message>
        <source>Zero quantity</source>
        <translation>Menge null</translation>
    </message>
    <message>
        <source>Negative quantity</source>
        <translation>Negative Menge</translation>
    </message>
    <message>
        <source>Quantity not a number</source>
        <translation>Menge keine Zahl</translation>
    </message>
    <message>
        <source>Line ID not valid UTF-8</source>
        <translation>Nummer der Position kein gültiges UTF-8</translation>
    </message>
    <message>
        <source>Item Master ID not valid UTF-8</source>
        <translation>Artikelnummer im Artikelstamm kein gültiges UTF-8</translation>
    </message>
    <message>
        <source>Fraction of a whole-number unit</source>
        <translation>Bruchteil einer ganzzahligen Mengeneinheit</translation>
    </message>
    <message>
        <source>%1: the item is a component of itself.</source>
        <translation>%1: Der Artikel ist Komponente seiner selbst.</translation>
    </message>
    <message>
        <source>%1: the item is a component of itself, in a loop of %2 items.</source>
        <translation>%1: Der Artikel ist Komponente seiner selbst, in einem Zyklus aus %2 Artikeln.</translation>
    </message>
    <message>
        <source>%1: one way round a loop of %2 items.</source>
        <translation>%1: ein Weg durch einen Zyklus aus %2 Artikeln.</translation>
    </message>
    <message>
        <source>The Item Master has no item &apos;%1&apos;.</source>
        <translation>Der Artikelstamm enthält keinen Artikel „%1“.</translation>
    </message>
    <message>
        <source>The line holds &apos;%1&apos;, the Item Master &apos;%2&apos;: they differ in letter case and blanks.</source>
        <translation>Die Position enthält „%1“, der Artikelstamm „%2“: Sie unterscheiden sich in Groß-/Kleinschreibung und Leerzeichen.</translation>
    </message>
    <message>
        <source>The line holds &apos;%1&apos;, the Item Master &apos;%2&apos;: they differ in leading or trailing blanks.</source>
        <translation>Die Position enthält „%1“, der Artikelstamm „%2“: Sie unterscheiden sich in Leerzeichen am Anfang oder Ende.</translation>
    </message>
    <message>
        <source>The line holds &apos;%1&apos;, the Item Master &apos;%2&apos;: they differ in letter case.</source>
        <translation>Die Position enthält „%1“, der Artikelstamm „%2“: Sie unterscheiden sich in Groß-/Kleinschreibung.</translation>
    </message>
    <message>
        <source>The quantity is Null.</source>
        <translation>Die Menge ist leer (Null).</translation>
    </message>
    <message>
        <source>The quantity is 0.</source>
        <translation>Die Menge ist 0.</translation>
    </message>
    <message>
        <source>The quantity is %1.</source>
        <translation>Die Menge ist %1.</translation>
    </message>
    <message>
        <source>The quantity holds the text &apos;%1&apos;.</source>
        <translation>Die Menge enthält den Text „%1“.</translation>
    </message>
    <message>
        <source>The quantity is not a finite number.</source>
        <translation>Die Menge ist keine endliche Zahl.</translation>
    </message>
    <message>
        <source>The assembly ID &apos;%1&apos; and the component ID &apos;%2&apos; of this line are not valid UTF-8 text: correct it in BomDetail, for example by importing it again as UTF-8.</source>
        <translation>Die Baugruppennummer „%1“ und die Komponentennummer „%2“ dieser Position sind kein gültiger UTF-8-Text: Korrigieren Sie sie in BomDetail, zum Beispiel durch erneuten Import als UTF-8.</translation>
    </message>
    <message>
        <source>The assembly ID &apos;%1&apos; of this line is not valid UTF-8 text: correct it in BomDetail, for example by importing it again as UTF-8.</source>
        <translation>Die Baugruppennummer „%1“ dieser Position ist kein gültiger UTF-8-Text: Korrigieren Sie sie in BomDetail, zum Beispiel durch erneuten Import als UTF-8.</translation>
    </message>
    <message>
        <source>The component ID &apos;%1&apos; of this line is not valid UTF-8 text: correct it in BomDetail, for example by importing it again as UTF-8.</source>
        <translation>Die Komponentennummer „%1“ dieser Position ist kein gültiger UTF-8-Text: Korrigieren Sie sie in BomDetail, zum Beispiel durch erneuten Import als UTF-8.</translation>
    </message>
    <message>
        <source>The quantity %1 is not a whole number of %2, a unit counted in whole pieces.</source>
        <translation>Die Menge %1 ist keine ganze Zahl von %2, einer Mengeneinheit, die in ganzen Stück gezählt wird.</translation>
    </message>
    <message>
        <source>The Item Master ID &apos;%1&apos; is not valid UTF-8 text: correct it in ItemMaster, for example by importing it again as UTF-8.</source>
        <translation>Die Artikelnummer „%1“ im Artikelstamm ist kein gültiger UTF-8-Text: Korrigieren Sie sie in ItemMaster, zum Beispiel durch erneuten Import als UTF-8.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; (the same ID as &apos;%2&apos;: IDs compare without regard to ASCII case)</source>
        <translation>„%1“ (dieselbe Nummer wie „%2“: Nummern werden ohne Rücksicht auf ASCII-Groß-/Kleinschreibung verglichen)</translation>
    </message>
    <message>
        <source>&apos;%1&apos; would hold %2 ItemMaster and %3 BomDetail rows instead of %4 and %5.</source>
        <translation>„%1“ enthielte %2 Zeilen in ItemMaster und %3 in BomDetail statt %4 und %5.</translation>
    </message>
    <message>
        <source>%1: the %2 is %3 bytes long; a value may hold at most %4 bytes.</source>
        <translation>%1: %2 ist %3 Byte lang; ein Wert darf höchstens %4 Byte lang sein.</translation>
    </message>
    <message>
        <source>Could not write the lines</source>
        <translation>Die Positionen konnten nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Could not add the lines</source>
        <translation>Die Positionen konnten nicht hinzugefügt werden</translation>
    </message>
    <message>
        <source>&apos;%1&apos; cannot be a component of itself.</source>
        <translation>„%1“ kann nicht Komponente seiner selbst sein.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; cannot be a component of &apos;%2&apos;: &apos;%2&apos; is already part of the structure of &apos;%1&apos;.</source>
        <translation>„%1“ kann nicht Komponente von „%2“ sein: „%2“ ist bereits Teil der Struktur von „%1“.</translation>
    </message>
    <message>
        <source>The bill of material of &apos;%1&apos; already lists &apos;%2&apos;.</source>
        <translation>Die Stückliste von „%1“ enthält „%2“ bereits.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not in the Item Master, and it has no bill of material yet: a bill is only started for an item of the Item Master. Nothing was written.</source>
        <translation>„%1“ ist nicht im Artikelstamm und hat noch keine Stückliste: Eine Stückliste wird nur für einen Artikel des Artikelstamms angelegt. Es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not in the Item Master.</source>
        <translation>„%1“ ist nicht im Artikelstamm.</translation>
    </message>
    <message>
        <source>The quantity of &apos;%1&apos; in the bill of material of &apos;%2&apos; would be %3, which is not a finite number.</source>
        <translation>Die Menge von „%1“ in der Stückliste von „%2“ wäre %3, und das ist keine endliche Zahl.</translation>
    </message>
    <message>
        <source>The line of &apos;%1&apos; in the bill of material of &apos;%2&apos; has been changed or removed by another program since; nothing was written.</source>
        <translation>Die Position „%1“ in der Stückliste von „%2“ wurde inzwischen von einem anderen Programm geändert oder entfernt; es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>The line of &apos;%1&apos; in the bill of material of &apos;%2&apos; stands in BomDetail as %3 rows whose IDs differ only in letter case, and the editor changes one line at a time; nothing was written. Keep one of those rows and give the table its unique index under the key rule (on a server, bom-import --create-schema adds it).</source>
        <translation>Die Position „%1“ in der Stückliste von „%2“ steht in BomDetail als %3 Zeilen, deren Nummern sich nur in Groß-/Kleinschreibung unterscheiden, und der Editor ändert eine Position nach der anderen; es wurde nichts geschrieben. Behalten Sie eine dieser Zeilen und geben Sie der Tabelle ihren eindeutigen Index nach der Schlüsselregel (auf einem Server legt ihn bom-import --create-schema an).</translation>
    </message>
    <message>
        <source>Could not find table &apos;%1&apos; in %2.</source>
        <translation>Tabelle „%1“ wurde in %2 nicht gefunden.</translation>
    </message>
    <message>
        <source>Table &apos;%1&apos; has no primary key on %2.</source>
        <translation>Tabelle „%1“ hat keinen Primärschlüssel auf %2.</translation>
    </message>
    <message>
        <source>Table &apos;%1&apos; has no column &apos;%2&apos;.</source>
        <translation>Tabelle „%1“ hat keine Spalte „%2“.</translation>
    </message>
    <message>
        <source>Column &apos;%1&apos; of table &apos;%2&apos; is not in its place in the primary key.</source>
        <translation>Spalte „%1“ der Tabelle „%2“ steht nicht an ihrer Stelle im Primärschlüssel.</translation>
    </message>
    <message>
        <source>The user&apos;s rights on %1 do not allow reading the table &apos;%2&apos; (it lacks SELECT on its column &apos;%3&apos;).</source>
        <translation>Die Rechte des Benutzers auf %1 erlauben nicht, die Tabelle „%2“ zu lesen (es fehlt SELECT auf ihrer Spalte „%3“).</translation>
    </message>
    <message>
        <source>Table &apos;%1&apos; in %2 has no unique index on (%3), so IDs that differ only in letter case could stand in it as two rows, and one delete or undo would change both. bom-import --create-schema %2 adds the index (it refuses while two rows differ only so).</source>
        <translation>Tabelle „%1“ in %2 hat keinen eindeutigen Index auf (%3); Nummern, die sich nur in Groß-/Kleinschreibung unterscheiden, könnten darin als zwei Zeilen stehen, und ein Löschen oder Rückgängigmachen änderte beide. bom-import --create-schema %2 legt den Index an (es lehnt ab, solange sich zwei Zeilen nur so unterscheiden).</translation>
    </message>
    <message>
        <source>Could not connect: %1.</source>
        <translation>Keine Verbindung: %1.</translation>
    </message>
    <message>
        <source>the server address given cannot be read; write it as postgresql://[user@][host][:port][/database][?parameter=value&amp;…] or as libpq&apos;s key=value pairs</source>
        <translation>Die angegebene Serveradresse ist nicht lesbar; schreiben Sie sie als postgresql://[user@][host][:port][/database][?parameter=value&amp;…] oder als Paare key=value von libpq</translation>
    </message>
    <message>
        <source>Could not connect to &apos;%1&apos;: the port &apos;%2&apos; is not a number from 1 to 65535.</source>
        <translation>Keine Verbindung zu „%1“: Der Port „%2“ ist keine Zahl von 1 bis 65535.</translation>
    </message>
    <message>
        <source>no database name was given</source>
        <translation>Es wurde kein Datenbankname angegeben</translation>
    </message>
    <message>
        <source>the port &apos;%1&apos; is not a number from 1 to 65535</source>
        <translation>Der Port „%1“ ist keine Zahl von 1 bis 65535</translation>
    </message>
    <message>
        <source>Could not read ItemMaster</source>
        <translation>ItemMaster konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>Could not read BomDetail</source>
        <translation>BomDetail konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>The quantity of &apos;%1&apos; in &apos;%2&apos; is not a number: &apos;%3&apos;.</source>
        <translation>Die Menge von „%1“ in „%2“ ist keine Zahl: „%3“.</translation>
    </message>
    <message>
        <source>Could not add &apos;%1&apos; to &apos;%2&apos;</source>
        <translation>„%1“ konnte nicht zu „%2“ hinzugefügt werden</translation>
    </message>
    <message>
        <source>Could not delete the line</source>
        <translation>Die Position konnte nicht gelöscht werden</translation>
    </message>
    <message>
        <source>Could not change the quantity of &apos;%1&apos; in &apos;%2&apos;</source>
        <translation>Die Menge von „%1“ in „%2“ konnte nicht geändert werden</translation>
    </message>
    <message>
        <source>unknown database error</source>
        <translation>unbekannter Datenbankfehler</translation>
    </message>
    <message>
        <source>The quantity of &apos;%1&apos; in &apos;%2&apos; is not a number.</source>
        <translation>Die Menge von „%1“ in „%2“ ist keine Zahl.</translation>
    </message>
    <message>
        <source>Changes by other editors show only after a reload: the server&apos;s tables have no change triggers (bom-import --create-schema adds them)</source>
        <translation>Änderungen anderer Editoren erscheinen erst nach erneutem Laden: Die Tabellen des Servers haben keine Änderungstrigger (bom-import --create-schema legt sie an)</translation>
    </message>
    <message>
        <source>This server keeps no history of changes, not even the editor&apos;s own: Tools ▸ Keep History on This Server… or bom-import --enable-history turns it on</source>
        <translation>Dieser Server führt keine Änderungshistorie, auch nicht die des Editors selbst: Extras ▸ Historie auf diesem Server führen… oder bom-import --enable-history schaltet sie ein</translation>
    </message>
    <message>
        <source>The server&apos;s tables have their change triggers again; what is shown was read again.</source>
        <translation>Die Tabellen des Servers haben wieder ihre Änderungstrigger; das Angezeigte wurde neu gelesen.</translation>
    </message>
    <message>
        <source>This server is a read-only standby: browse, no edits. Other editors&apos; changes, made on the primary, are looked for every %1 s, as a standby cannot tell of them.</source>
        <translation>Dieser Server ist ein schreibgeschützter Standby: ansehen, nicht bearbeiten. Änderungen anderer Editoren auf dem Primärserver werden alle %1 s gesucht, da ein Standby sie nicht meldet.</translation>
    </message>
    <message>
        <source>Live changes need a direct or session-pooled connection: behind this pooler other editors&apos; changes are looked for every %1 s instead, more slowly.</source>
        <translation>Live-Änderungen brauchen eine direkte oder sitzungsweise gepoolte Verbindung: Hinter diesem Pooler werden Änderungen anderer Editoren stattdessen alle %1 s gesucht, langsamer.</translation>
    </message>
    <message>
        <source>The connection to the server was lost; trying again…</source>
        <translation>Die Verbindung zum Server ist unterbrochen; neuer Versuch…</translation>
    </message>
    <message>
        <source>Connected to another of the address&apos;s servers (%1, port %2); what is shown was read again.</source>
        <translation>Mit einem anderen Server der Adresse verbunden (%1, Port %2); das Angezeigte wurde neu gelesen.</translation>
    </message>
    <message>
        <source>Connected to the server again; what is shown was read again.</source>
        <translation>Wieder mit dem Server verbunden; das Angezeigte wurde neu gelesen.</translation>
    </message>
    <message>
        <source>Could not read the database</source>
        <translation>Die Datenbank konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>The user &apos;%1&apos; may not keep the history of changes on &apos;%2&apos;: it lacks the right %3.</source>
        <translation>Der Benutzer „%1“ darf auf „%2“ keine Änderungshistorie führen: Ihm fehlt das Recht %3.</translation>
    </message>
    <message>
        <source>Could not keep the history of changes on &apos;%1&apos;</source>
        <translation>Die Änderungshistorie auf „%1“ konnte nicht eingerichtet werden</translation>
    </message>
    <message>
        <source>CREATE on the database &apos;%1&apos;</source>
        <translation>CREATE auf der Datenbank „%1“</translation>
    </message>
    <message>
        <source>TRIGGER on the table ItemMaster</source>
        <translation>TRIGGER auf der Tabelle ItemMaster</translation>
    </message>
    <message>
        <source>TRIGGER on the table BomDetail</source>
        <translation>TRIGGER auf der Tabelle BomDetail</translation>
    </message>
    <message>
        <source>SELECT on the table ItemMaster</source>
        <translation>SELECT auf der Tabelle ItemMaster</translation>
    </message>
    <message>
        <source>SELECT on the table BomDetail</source>
        <translation>SELECT auf der Tabelle BomDetail</translation>
    </message>
    <message>
        <source>the schema bom_history (its tables change, change_set, kept and gap, its functions record, record_truncate, stamp_commit and check_triggers)</source>
        <translation>das Schema bom_history (seine Tabellen change, change_set, kept und gap, seine Funktionen record, record_truncate, stamp_commit und check_triggers)</translation>
    </message>
    <message>
        <source>the history&apos;s order of commits and check of its triggers, its functions running with the rights of &apos;%1&apos;, nobody else writing there</source>
        <translation>die Commit-Reihenfolge der Historie und die Prüfung ihrer Trigger, ihre Funktionen mit den Rechten von „%1“, niemand sonst schreibt dort</translation>
    </message>
    <message>
        <source>the triggers on ItemMaster</source>
        <translation>die Trigger auf ItemMaster</translation>
    </message>
    <message>
        <source>the triggers on BomDetail</source>
        <translation>die Trigger auf BomDetail</translation>
    </message>
    <message>
        <source>Could not remove the history of changes on &apos;%1&apos;</source>
        <translation>Die Änderungshistorie auf „%1“ konnte nicht entfernt werden</translation>
    </message>
    <message>
        <source>Could not read the history of &apos;%1&apos;</source>
        <translation>Die Historie von „%1“ konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>&apos;%1&apos; keeps no history of changes (bom-import --enable-history turns it on).</source>
        <translation>„%1“ führt keine Änderungshistorie (bom-import --enable-history schaltet sie ein).</translation>
    </message>
    <message>
        <source>The history of changes on &apos;%1&apos; was made by an earlier editor and knows neither the order of its commits nor its gaps: bom-import --enable-history brings it up to date.</source>
        <translation>Die Änderungshistorie auf „%1“ wurde von einem älteren Editor angelegt und kennt weder die Reihenfolge ihrer Commits noch ihre Lücken: bom-import --enable-history bringt sie auf den neuesten Stand.</translation>
    </message>
    <message>
        <source>: it says not since when it is kept.</source>
        <translation>: Sie gibt nicht an, seit wann sie geführt wird.</translation>
    </message>
    <message>
        <source>Could not forget changes in the history of &apos;%1&apos;</source>
        <translation>Änderungen in der Historie von „%1“ konnten nicht verworfen werden</translation>
    </message>
    <message>
        <source>The history of &apos;%1&apos; is kept since %2 only.</source>
        <translation>Die Historie von „%1“ wird erst seit %2 geführt.</translation>
    </message>
    <message>
        <source>ItemMaster and BomDetail</source>
        <translation>ItemMaster und BomDetail</translation>
    </message>
    <message>
        <source>The history of &apos;%1&apos; records no changes now: its triggers on %2 were disabled or dropped after %3, so no earlier moment can be shown exactly (bom-import --enable-history puts them back).</source>
        <translation>Die Historie von „%1“ zeichnet derzeit keine Änderungen auf: Ihre Trigger auf %2 wurden nach %3 deaktiviert oder entfernt, daher lässt sich kein früherer Zeitpunkt genau zeigen (bom-import --enable-history stellt sie wieder her).</translation>
    </message>
    <message>
        <source>The history of &apos;%1&apos; is not whole before %2: its triggers on %3 were disabled, dropped or made anew between %4 and %2, and what was written meanwhile was not recorded.</source>
        <translation>Die Historie von „%1“ ist vor %2 nicht vollständig: Ihre Trigger auf %3 wurden zwischen %4 und %2 deaktiviert, entfernt oder neu angelegt, und was in der Zwischenzeit geschrieben wurde, ist nicht aufgezeichnet.</translation>
    </message>
    <message>
        <source>The server&apos;s history records no changes: its triggers on %1 were disabled or dropped (bom-import --enable-history puts them back)</source>
        <translation>Die Historie des Servers zeichnet keine Änderungen auf: Ihre Trigger auf %1 wurden deaktiviert oder entfernt (bom-import --enable-history stellt sie wieder her)</translation>
    </message>
    <message>
        <source>Could not create the tables on &apos;%1&apos;</source>
        <translation>Die Tabellen auf „%1“ konnten nicht angelegt werden</translation>
    </message>
    <message>
        <source>: the server did not answer.</source>
        <translation>: Der Server hat nicht geantwortet.</translation>
    </message>
    <message>
        <source>Could not start writing &apos;%1&apos;</source>
        <translation>Das Schreiben von „%1“ konnte nicht begonnen werden</translation>
    </message>
    <message>
        <source>Could not lock the tables on &apos;%1&apos;</source>
        <translation>Die Tabellen auf „%1“ konnten nicht gesperrt werden</translation>
    </message>
    <message>
        <source>Could not read the tables on &apos;%1&apos;</source>
        <translation>Die Tabellen auf „%1“ konnten nicht gelesen werden</translation>
    </message>
    <message>
        <source>Could not count ItemMaster</source>
        <translation>ItemMaster konnte nicht gezählt werden</translation>
    </message>
    <message>
        <source>Could not count BomDetail</source>
        <translation>BomDetail konnte nicht gezählt werden</translation>
    </message>
    <message>
        <source>&apos;%1&apos; holds %2 ItemMaster and %3 BomDetail rows already; a database is copied only into empty tables (CSV rows can be added with --into).</source>
        <translation>„%1“ enthält bereits %2 Zeilen in ItemMaster und %3 in BomDetail; eine Datenbank wird nur in leere Tabellen kopiert (CSV-Zeilen lassen sich mit --into hinzufügen).</translation>
    </message>
    <message>
        <source>: no answer.</source>
        <translation>: keine Antwort.</translation>
    </message>
    <message>
        <source>%1: the %2 holds a NUL character (byte 0), which text on a server cannot hold.</source>
        <translation>%1: %2 enthält ein NUL-Zeichen (Byte 0), das Text auf einem Server nicht enthalten kann.</translation>
    </message>
    <message>
        <source>%1: ItemMaster already holds the ItemID %2.</source>
        <translation>%1: ItemMaster enthält die ItemID %2 bereits.</translation>
    </message>
    <message>
        <source>%1 to %2: could not write the rows into ItemMaster</source>
        <translation>%1 bis %2: Die Zeilen konnten nicht in ItemMaster geschrieben werden</translation>
    </message>
    <message>
        <source>%1: BomDetail already lists the component %2 under the assembly %3.</source>
        <translation>%1: BomDetail führt die Komponente %2 unter der Baugruppe %3 bereits.</translation>
    </message>
    <message>
        <source>%1 to %2: could not write the rows into BomDetail</source>
        <translation>%1 bis %2: Die Zeilen konnten nicht in BomDetail geschrieben werden</translation>
    </message>
    <message>
        <source>Could not write &apos;%1&apos;</source>
        <translation>„%1“ konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>No database has been chosen.</source>
        <translation>Es wurde keine Datenbank gewählt.</translation>
    </message>
    <message>
        <source>the address holds a password; give it in ~/.pgpass or PGPASSWORD instead</source>
        <translation>Die Adresse enthält ein Passwort; geben Sie es stattdessen in ~/.pgpass oder PGPASSWORD an</translation>
    </message>
    <message>
        <source>Could not connect to &apos;%1&apos;: %2.</source>
        <translation>Keine Verbindung zu „%1“: %2.</translation>
    </message>
    <message>
        <source>The client key for &apos;%1&apos; did not open with the passphrase given.</source>
        <translation>Der Client-Schlüssel für „%1“ ließ sich mit der angegebenen Passphrase nicht öffnen.</translation>
    </message>
    <message>
        <source>The client key for &apos;%1&apos; is locked with a passphrase.</source>
        <translation>Der Client-Schlüssel für „%1“ ist mit einer Passphrase gesperrt.</translation>
    </message>
    <message>
        <source>The server of &apos;%1&apos; asks for a password.</source>
        <translation>Der Server von „%1“ verlangt ein Passwort.</translation>
    </message>
    <message>
        <source>The server of &apos;%1&apos; did not accept the password.</source>
        <translation>Der Server von „%1“ hat das Passwort nicht angenommen.</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>nicht genügend Speicher</translation>
    </message>
    <message>
        <source>this server is a read-only standby: browse, no edits</source>
        <translation>Dieser Server ist ein schreibgeschützter Standby: ansehen, nicht bearbeiten</translation>
    </message>
    <message>
        <source>this connection&apos;s transactions are read-only (default_transaction_read_only): browse, no edits</source>
        <translation>Die Transaktionen dieser Verbindung sind schreibgeschützt (default_transaction_read_only): ansehen, nicht bearbeiten</translation>
    </message>
    <message>
        <source>Could not read the tables</source>
        <translation>Die Tabellen konnten nicht gelesen werden</translation>
    </message>
    <message>
        <source>Could not read the tables&apos; indexes</source>
        <translation>Die Indizes der Tabellen konnten nicht gelesen werden</translation>
    </message>
    <message>
        <source>The operation was cancelled; nothing of it was written.</source>
        <translation>Der Vorgang wurde abgebrochen; nichts davon wurde geschrieben.</translation>
    </message>
    <message>
        <source>Changes by other programs show only after a reload: &apos;%1&apos; cannot be watched (%2).</source>
        <translation>Änderungen anderer Programme erscheinen erst nach erneutem Laden: „%1“ kann nicht überwacht werden (%2).</translation>
    </message>
    <message>
        <source>there is no file of that name</source>
        <translation>es gibt keine Datei dieses Namens</translation>
    </message>
    <message>
        <source>The history of changes to this database is kept in &apos;%1&apos;, not beside the database: that place could not be written when it was begun. It is kept there until it is moved beside the database as &apos;%2&apos;.</source>
        <translation>Die Änderungshistorie dieser Datenbank wird in „%1“ geführt, nicht neben der Datenbank: Dieser Ort war beim Anlegen nicht beschreibbar. Sie bleibt dort, bis sie als „%2“ neben die Datenbank verschoben wird.</translation>
    </message>
    <message>
        <source>Removed &apos;%1&apos;, left behind by an import that is no longer running.</source>
        <translation>„%1“ entfernt, zurückgelassen von einem Import, der nicht mehr läuft.</translation>
    </message>
    <message>
        <source>No output file was named.</source>
        <translation>Es wurde keine Ausgabedatei angegeben.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a file.</source>
        <translation>„%1“ ist keine Datei.</translation>
    </message>
    <message>
        <source>its lock file could not be made</source>
        <translation>Die Sperrdatei konnte nicht angelegt werden</translation>
    </message>
    <message>
        <source>Could not create a file in &apos;%1&apos;: %2.</source>
        <translation>In „%1“ konnte keine Datei angelegt werden: %2.</translation>
    </message>
    <message>
        <source>Could not set the permissions of &apos;%1&apos;.</source>
        <translation>Die Zugriffsrechte von „%1“ konnten nicht gesetzt werden.</translation>
    </message>
    <message>
        <source>Could not create ItemMaster</source>
        <translation>ItemMaster konnte nicht angelegt werden</translation>
    </message>
    <message>
        <source>Could not create BomDetail</source>
        <translation>BomDetail konnte nicht angelegt werden</translation>
    </message>
    <message>
        <source>Could not prepare the inserts</source>
        <translation>Das Einfügen konnte nicht vorbereitet werden</translation>
    </message>
    <message>
        <source>Could not open &apos;%1&apos;</source>
        <translation>„%1“ konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>%1: the row is too long for %2: %3.</source>
        <translation>%1: Die Zeile ist zu lang für %2: %3.</translation>
    </message>
    <message>
        <source>%1: could not write the row into %2: %3.</source>
        <translation>%1: Die Zeile konnte nicht in %2 geschrieben werden: %3.</translation>
    </message>
    <message>
        <source>it is too long</source>
        <translation>Der Wert ist zu lang</translation>
    </message>
    <message>
        <source>%1: could not take the %2: %3.</source>
        <translation>%1: %2 konnte nicht übernommen werden: %3.</translation>
    </message>
    <message>
        <source>ItemMaster already holds the ItemID %1</source>
        <translation>ItemMaster enthält die ItemID %1 bereits</translation>
    </message>
    <message>
        <source>BomDetail already lists the component %1 under the assembly %2</source>
        <translation>BomDetail führt die Komponente %1 unter der Baugruppe %2 bereits</translation>
    </message>
    <message>
        <source>Could not close &apos;%1&apos;.</source>
        <translation>„%1“ konnte nicht geschlossen werden.</translation>
    </message>
    <message>
        <source>Could not replace &apos;%1&apos;: its journal &apos;%1%2&apos; is there (another program may have it open).</source>
        <translation>„%1“ konnte nicht ersetzt werden: Sein Journal „%1%2“ ist vorhanden (ein anderes Programm hat die Datei vielleicht geöffnet).</translation>
    </message>
    <message>
        <source>Could not put the new database in place as &apos;%1&apos;: %2.</source>
        <translation>Die neue Datenbank konnte nicht als „%1“ an ihren Platz gebracht werden: %2.</translation>
    </message>
    <message>
        <source>The bill of material of &apos;%1&apos; lists the component &apos;%2&apos;, whose ID is not valid UTF-8 text: correct it in BomDetail, for example by importing it again as UTF-8.</source>
        <translation>Die Stückliste von „%1“ führt die Komponente „%2“, deren Nummer kein gültiger UTF-8-Text ist: Korrigieren Sie sie in BomDetail, zum Beispiel durch erneuten Import als UTF-8.</translation>
    </message>
    <message>
        <source>The file is not a database: %1.</source>
        <translation>Die Datei ist keine Datenbank: %1.</translation>
    </message>
    <message>
        <source>The database driver is not SQLite.</source>
        <translation>Der Datenbanktreiber ist nicht SQLite.</translation>
    </message>
    <message>
        <source>ItemMaster holds the item ID %1, which is not valid UTF-8 text: correct it in the database, for example by importing it again as UTF-8.</source>
        <translation>ItemMaster enthält die Artikelnummer %1, die kein gültiger UTF-8-Text ist: Korrigieren Sie sie in der Datenbank, zum Beispiel durch erneuten Import als UTF-8.</translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <translation>
            <numerusform>%1 und %n weitere</numerusform>
            <numerusform>%1 und %n weitere</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>ItemMaster holds %n item IDs that are not valid UTF-8 text: %1. Correct them in the database, for example by importing them again as UTF-8.</source>
        <translation>
            <numerusform>ItemMaster enthält %n Artikelnummer, die kein gültiger UTF-8-Text ist: %1. Korrigieren Sie sie in der Datenbank, zum Beispiel durch erneuten Import als UTF-8.</numerusform>
            <numerusform>ItemMaster enthält %n Artikelnummern, die kein gültiger UTF-8-Text sind: %1. Korrigieren Sie sie in der Datenbank, zum Beispiel durch erneuten Import als UTF-8.</numerusform>
        </translation>
    </message>
    <message>
        <source>No database file has been chosen.</source>
        <translation>Es wurde keine Datenbankdatei gewählt.</translation>
    </message>
    <message>
        <source>Could not find file &apos;%1&apos;.</source>
        <translation>Die Datei „%1“ wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Could not open &apos;%1&apos;: %2.</source>
        <translation>„%1“ konnte nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>%1: the lines of &apos;%2&apos; changed while read.</source>
        <translation>%1: Die Positionen von „%2“ haben sich beim Lesen geändert.</translation>
    </message>
    <message>
        <source>%1 holds the item ID &apos;%2&apos;, which is not valid UTF-8 text: correct it in the database, for example by importing it again as UTF-8.</source>
        <translation>%1 enthält die Artikelnummer „%2“, die kein gültiger UTF-8-Text ist: Korrigieren Sie sie in der Datenbank, zum Beispiel durch erneuten Import als UTF-8.</translation>
    </message>
    <message>
        <source>Where Used was cancelled before the file was read.</source>
        <translation>Der Verwendungsnachweis wurde abgebrochen, bevor die Datei gelesen war.</translation>
    </message>
    <message>
        <source>Could not write the history &apos;%1&apos;: %2.</source>
        <translation>Die Historie „%1“ konnte nicht geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>The history &apos;%1&apos; is a symbolic link; it is not used, so that no editor writes where the link points. Remove the link to keep the history there.</source>
        <translation>Die Historie „%1“ ist ein symbolischer Link; sie wird nicht benutzt, damit kein Editor dorthin schreibt, wohin der Link zeigt. Entfernen Sie den Link, um die Historie dort zu führen.</translation>
    </message>
    <message>
        <source>Could not open the history &apos;%1&apos;: %2.</source>
        <translation>Die Historie „%1“ konnte nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>The history &apos;%1&apos; is damaged (%2); it was set aside as &apos;%3&apos; and a new one is begun from the database as it is now.</source>
        <translation>Die Historie „%1“ ist beschädigt (%2); sie wurde als „%3“ beiseitegelegt, und eine neue wird mit dem jetzigen Stand der Datenbank begonnen.</translation>
    </message>
    <message>
        <source>The history &apos;%1&apos; is not a history file; it was set aside as &apos;%2&apos;.</source>
        <translation>Die Historie „%1“ ist keine Historiendatei; sie wurde als „%2“ beiseitegelegt.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is no history of the editor&apos;s: it holds the table %2. It is left as it is and nothing is recorded in it.</source>
        <translation>„%1“ ist keine Historie des Editors: Sie enthält die Tabelle %2. Sie bleibt, wie sie ist, und es wird nichts darin aufgezeichnet.</translation>
    </message>
    <message>
        <source>The history &apos;%1&apos; was made by a newer editor (format %2).</source>
        <translation>Die Historie „%1“ wurde von einem neueren Editor angelegt (Format %2).</translation>
    </message>
    <message>
        <source>The history &apos;%1&apos; was made for another database (&apos;%2&apos;), not for &apos;%3&apos;; it is left as it is and nothing is recorded in it.</source>
        <translation>Die Historie „%1“ wurde für eine andere Datenbank („%2“) angelegt, nicht für „%3“; sie bleibt, wie sie ist, und es wird nichts darin aufgezeichnet.</translation>
    </message>
    <message>
        <source>Could not read the history: %1.</source>
        <translation>Die Historie konnte nicht gelesen werden: %1.</translation>
    </message>
    <message>
        <source>Could not read the history</source>
        <translation>Die Historie konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>The history holds no changes before %1: %2 cannot be rebuilt.</source>
        <translation>Die Historie enthält keine Änderungen vor %1: %2 lässt sich nicht wiederherstellen.</translation>
    </message>
    <message>
        <source>The change was not made: it could not be recorded in the history (%1). Turn the history off in the settings to edit without it.</source>
        <translation>Die Änderung wurde nicht ausgeführt: Sie konnte nicht in der Historie aufgezeichnet werden (%1). Schalten Sie die Historie in den Einstellungen aus, um ohne sie zu bearbeiten.</translation>
    </message>
    <message>
        <source>The server&apos;s history missed what was written between %1 and %2: its triggers on %3 were disabled or made anew meanwhile; “as of” a moment before %2 is not shown</source>
        <translation>Der Historie des Servers fehlt, was zwischen %1 und %2 geschrieben wurde: Ihre Trigger auf %3 wurden in der Zwischenzeit deaktiviert oder neu angelegt; ein „Stand vom“ vor %2 wird nicht gezeigt</translation>
    </message>
    <message>
        <source>%1 has the draft open for editing since %2: here it can be read, not changed. It can be changed here once they close it.</source>
        <translation>%1 bearbeitet den Entwurf seit %2: Hier kann er gelesen, aber nicht geändert werden. Geändert werden kann er hier, sobald er dort geschlossen ist.</translation>
    </message>
    <message>
        <source>open</source>
        <translation>offen</translation>
    </message>
    <message>
        <source>applied</source>
        <translation>übernommen</translation>
    </message>
    <message>
        <source>discarded</source>
        <translation>verworfen</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is applying the draft &apos;%2&apos; now (since %3); nothing was written.</source>
        <translation>„%1“ übernimmt den Entwurf „%2“ gerade (seit %3); nichts wurde geschrieben.</translation>
    </message>
    <message>
        <source>The draft &apos;%1&apos; was %2 by &apos;%3&apos; at %4; it is kept as it is and nothing was written.</source>
        <translation>Der Entwurf „%1“ wurde von „%3“ am %4 %2; er bleibt, wie er ist, und nichts wurde geschrieben.</translation>
    </message>
    <message>
        <source>The draft&apos;s lines were written into the tables, but the draft could not be marked applied (%1); it is marked so at its next look, a minute from now.</source>
        <translation>Die Positionen des Entwurfs wurden in die Tabellen geschrieben, aber der Entwurf konnte nicht als übernommen markiert werden (%1); das geschieht beim nächsten Blick auf ihn, in einer Minute.</translation>
    </message>
    <message>
        <source>Other programs kept changing the draft&apos;s lines while &apos;%1&apos; was applied; nothing was written.</source>
        <translation>Andere Programme haben die Positionen des Entwurfs geändert, während „%1“ übernommen wurde; nichts wurde geschrieben.</translation>
    </message>
    <message>
        <source>The draft &apos;%1&apos; is %2: it is kept as it is and takes no more changes.</source>
        <translation>Der Entwurf „%1“ ist %2: Er bleibt, wie er ist, und nimmt keine Änderungen mehr an.</translation>
    </message>
    <message>
        <source>Could not read the drafts</source>
        <translation>Die Entwürfe konnten nicht gelesen werden</translation>
    </message>
    <message>
        <source>The draft is applied, discarded or being applied now: it takes no more changes.</source>
        <translation>Der Entwurf ist übernommen, verworfen oder wird gerade übernommen: Er nimmt keine Änderungen mehr an.</translation>
    </message>
    <message>
        <source>Could not make the drafts&apos; tables</source>
        <translation>Die Tabellen der Entwürfe konnten nicht angelegt werden</translation>
    </message>
    <message>
        <source>the drafts of changes (the tables draft, draft_line and draft_editor of bom_history, which everyone who edits the database may write)</source>
        <translation>die Änderungsentwürfe (die Tabellen draft, draft_line und draft_editor von bom_history, die jeder schreiben darf, der die Datenbank bearbeitet)</translation>
    </message>
    <message>
        <source>&apos;%1&apos; keeps no drafts of changes: they are kept beside the history of changes, which bom-import --enable-history makes (and with it their place).</source>
        <translation>„%1“ führt keine Änderungsentwürfe: Sie liegen neben der Änderungshistorie, die bom-import --enable-history anlegt (und mit ihr ihren Platz).</translation>
    </message>
    <message>
        <source>There is no draft named &apos;%1&apos;.</source>
        <translation>Es gibt keinen Entwurf namens „%1“.</translation>
    </message>
    <message>
        <source>A draft needs a name.</source>
        <translation>Ein Entwurf braucht einen Namen.</translation>
    </message>
    <message>
        <source>Could not make the draft &apos;%1&apos;</source>
        <translation>Der Entwurf „%1“ konnte nicht angelegt werden</translation>
    </message>
    <message>
        <source>A draft named &apos;%1&apos; exists already.</source>
        <translation>Ein Entwurf namens „%1“ existiert bereits.</translation>
    </message>
    <message>
        <source>Could not write into the draft</source>
        <translation>In den Entwurf konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Could not open the draft for editing</source>
        <translation>Der Entwurf konnte nicht zum Bearbeiten geöffnet werden</translation>
    </message>
    <message>
        <source>Could not close the draft for editing</source>
        <translation>Der Entwurf konnte nicht für andere freigegeben werden</translation>
    </message>
    <message>
        <source>Could not take the draft for its apply</source>
        <translation>Der Entwurf konnte nicht zur Übernahme belegt werden</translation>
    </message>
    <message>
        <source>Could not mark the draft applied</source>
        <translation>Der Entwurf konnte nicht als übernommen markiert werden</translation>
    </message>
    <message>
        <source>Could not give the draft back</source>
        <translation>Der Entwurf konnte nicht freigegeben werden</translation>
    </message>
    <message>
        <source>Could not settle the draft&apos;s last apply</source>
        <translation>Die letzte Übernahme des Entwurfs konnte nicht abgeschlossen werden</translation>
    </message>
    <message>
        <source>Could not discard the draft</source>
        <translation>Der Entwurf konnte nicht verworfen werden</translation>
    </message>
    <message>
        <source>The draft is applied, discarded or being applied now: it cannot be discarded.</source>
        <translation>Der Entwurf ist übernommen, verworfen oder wird gerade übernommen: Er kann nicht verworfen werden.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a server address (postgresql://…).</source>
        <translation>„%1“ ist keine Serveradresse (postgresql://…).</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a server address (postgresql://…): a database file&apos;s history is kept by the editor itself.</source>
        <translation>„%1“ ist keine Serveradresse (postgresql://…): Die Historie einer Datenbankdatei führt der Editor selbst.</translation>
    </message>
    <message>
        <source>Drafts of changes are kept in the history of changes of &apos;%1&apos;, and the history is turned off; ordinary editing goes on.</source>
        <translation>Änderungsentwürfe liegen in der Änderungshistorie von „%1“, und die Historie ist ausgeschaltet; das normale Bearbeiten geht weiter.</translation>
    </message>
    <message>
        <source>Drafts of changes are kept in the history of changes, which cannot be used now: %1</source>
        <translation>Änderungsentwürfe liegen in der Änderungshistorie, die jetzt nicht benutzt werden kann: %1</translation>
    </message>
    <message>
        <source>Could not open the drafts in &apos;%1&apos;: %2.</source>
        <translation>Die Entwürfe in „%1“ konnten nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>Could not make the drafts&apos; tables in &apos;%1&apos;</source>
        <translation>Die Tabellen der Entwürfe in „%1“ konnten nicht angelegt werden</translation>
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
    <message>
        <source>The structure is deeper than %1 levels; the tree shows the first %1 and stops there.</source>
        <translation>Die Struktur ist tiefer als %1 Ebenen; der Baum zeigt die ersten %1 und endet dort.</translation>
    </message>
    <message>
        <source>The structure has %1 rows; Expand All opened the first %2.</source>
        <translation>Die Struktur hat %1 Zeilen; „Alles aufklappen“ hat die ersten %2 geöffnet.</translation>
    </message>
    <message>
        <source>...searching Bill of Material structure...</source>
        <translation>...Stücklistenstruktur wird durchsucht...</translation>
    </message>
    <message>
        <source>Loading the bill of material of %1…</source>
        <translation>Stückliste von %1 wird geladen…</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not in the Item Master of %2</source>
        <translation>„%1“ ist nicht im Artikelstamm von %2</translation>
    </message>
    <message>
        <source>...accessing Item Master record...</source>
        <translation>...Artikelstammsatz wird gelesen...</translation>
    </message>
    <message>
        <source>The quantity of &apos;%1&apos; in &apos;%2&apos; is not a number: &apos;%3&apos;.</source>
        <translation>Die Menge von „%1“ in „%2“ ist keine Zahl: „%3“.</translation>
    </message>
    <message>
        <source>Reading the whole bill of material of %1…</source>
        <translation>Die ganze Stückliste von %1 wird gelesen…</translation>
    </message>
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
        <source>cut</source>
        <translation>ausgeschnitten</translation>
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
    <message numerus="yes">
        <source>%1 component(s)</source>
        <translation>
            <numerusform>%1 Komponente</numerusform>
            <numerusform>%1 Komponenten</numerusform>
        </translation>
    </message>
    <message>
        <source>%1: no components</source>
        <translation>%1: keine Komponenten</translation>
    </message>
    <message>
        <source>%1: %2, %3 in %4, %5</source>
        <translation>%1: %2, %3 in %4, %5</translation>
    </message>
    <message numerus="yes">
        <source>%1 row(s)</source>
        <translation>
            <numerusform>%1 Zeile</numerusform>
            <numerusform>%1 Zeilen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 level(s)</source>
        <translation>
            <numerusform>%1 Ebene</numerusform>
            <numerusform>%1 Ebenen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 line(s)</source>
        <translation>
            <numerusform>%1 Position</numerusform>
            <numerusform>%1 Positionen</numerusform>
        </translation>
    </message>
    <message>
        <source>%1: %2; counting the rows, levels and lines…</source>
        <translation>%1: %2; Zeilen, Ebenen und Positionen werden gezählt…</translation>
    </message>
    <message numerus="yes">
        <source>Draft %1: %n line(s) added, %2 changed, %3 removed — not in the database yet</source>
        <translation>
            <numerusform>Entwurf %1: %n Position hinzugefügt, %2 geändert, %3 entfernt – noch nicht in der Datenbank</numerusform>
            <numerusform>Entwurf %1: %n Positionen hinzugefügt, %2 geändert, %3 entfernt – noch nicht in der Datenbank</numerusform>
        </translation>
    </message>
    <message>
        <source>Reading the drafts</source>
        <translation>Entwürfe werden gelesen</translation>
    </message>
    <message>
        <source>Making the draft</source>
        <translation>Entwurf wird angelegt</translation>
    </message>
    <message>
        <source>Reading the draft</source>
        <translation>Entwurf wird gelesen</translation>
    </message>
    <message>
        <source>Applying the draft</source>
        <translation>Entwurf wird übernommen</translation>
    </message>
    <message>
        <source>Discarding the draft</source>
        <translation>Entwurf wird verworfen</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation>%1 und %2</translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <translation>
            <numerusform>%1 und %n weitere</numerusform>
            <numerusform>%1 und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 is also used in %2: the change shows there too.</source>
        <translation>%1 wird auch in %2 verwendet: Die Änderung zeigt sich auch dort.</translation>
    </message>
    <message>
        <source>If Yes: </source>
        <translation>Bei Ja: </translation>
    </message>
    <message>
        <source>If No: </source>
        <translation>Bei Nein: </translation>
    </message>
    <message numerus="yes">
        <source>… and %n more.</source>
        <translation>
            <numerusform>… und %n weitere.</numerusform>
            <numerusform>… und %n weitere.</numerusform>
        </translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not in the Item Master.</source>
        <translation>„%1“ ist nicht im Artikelstamm.</translation>
    </message>
    <message>
        <source>no quantity</source>
        <translation>keine Menge</translation>
    </message>
    <message>
        <source>The line names no item.</source>
        <translation>Die Position nennt keinen Artikel.</translation>
    </message>
    <message>
        <source>The line has no quantity.</source>
        <translation>Die Position hat keine Menge.</translation>
    </message>
    <message>
        <source>The lines on the clipboard cannot be read.</source>
        <translation>Die Positionen in der Zwischenablage können nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The line&apos;s quantity is not a finite number.</source>
        <translation>Die Menge der Position ist keine endliche Zahl.</translation>
    </message>
    <message>
        <source>The clipboard holds no lines.</source>
        <translation>Die Zwischenablage enthält keine Positionen.</translation>
    </message>
    <message>
        <source>The pasted text has an item ID column but no quantity column (&quot;Quantity&quot;).</source>
        <translation>Der eingefügte Text hat eine Spalte mit Artikelnummern, aber keine Mengenspalte („Quantity“).</translation>
    </message>
    <message>
        <source>The clipboard holds no lines: tab-separated text with an item ID and a quantity on each row is what Paste reads.</source>
        <translation>Die Zwischenablage enthält keine Positionen: „Einfügen“ liest durch Tabulatoren getrennten Text mit Artikelnummer und Menge in jeder Zeile.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is pasted more than once; only its first line is added.</source>
        <translation>„%1“ wird mehr als einmal eingefügt; nur seine erste Zeile wird hinzugefügt.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is ambiguous: it reads as %2 and, with &apos;%3&apos; grouping the digits, as %4; enter the number without digit grouping.</source>
        <translation>„%1“ ist mehrdeutig: Es lässt sich als %2 lesen und, mit „%3“ als Tausendertrennzeichen, als %4; die Zahl ohne Tausendertrennzeichen eingeben.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a quantity: digit grouping (&apos;%2&apos;) is not accepted; enter the number without it, for example %3.</source>
        <translation>„%1“ ist keine Menge: Tausendertrennzeichen („%2“) werden nicht angenommen; die Zahl ohne sie eingeben, zum Beispiel %3.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a quantity: it is out of range; a quantity other than 0 lies between %2 and %3 in size.</source>
        <translation>„%1“ ist keine Menge: Sie liegt außerhalb des Bereichs; eine Menge ungleich 0 liegt dem Betrag nach zwischen %2 und %3.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a quantity: enter a number, for example 2 or 0.5.</source>
        <translation>„%1“ ist keine Menge: eine Zahl eingeben, zum Beispiel 2 oder 0,5.</translation>
    </message>
    <message>
        <source>Reading the change history…</source>
        <translation>Änderungshistorie wird gelesen…</translation>
    </message>
    <message>
        <source>Forgetting changes…</source>
        <translation>Änderungen werden vergessen…</translation>
    </message>
    <message>
        <source>Forgetting changes… %1 of %2</source>
        <translation>Änderungen werden vergessen… %1 von %2</translation>
    </message>
    <message>
        <source>Making the server keep a history…</source>
        <translation>Der Server wird zum Führen einer Historie eingerichtet…</translation>
    </message>
    <message>
        <source>Reading the history…</source>
        <translation>Historie wird gelesen…</translation>
    </message>
    <message>
        <source>%1 is still to come: a bill can be shown as it stood, not as it will stand.</source>
        <translation>%1 liegt noch in der Zukunft: Eine Stückliste lässt sich zeigen, wie sie stand, nicht, wie sie stehen wird.</translation>
    </message>
    <message>
        <source>Null</source>
        <translation>leer (Null)</translation>
    </message>
    <message>
        <source>%1, started %2</source>
        <translation>%1, gültig ab %2</translation>
    </message>
    <message>
        <source>from %1</source>
        <translation>ab %1</translation>
    </message>
    <message>
        <source>(no description on file)</source>
        <translation>(keine Bezeichnung hinterlegt)</translation>
    </message>
    <message>
        <source>this editor</source>
        <translation>dieser Editor</translation>
    </message>
    <message>
        <source>another editor</source>
        <translation>ein anderer Editor</translation>
    </message>
    <message>
        <source>another program</source>
        <translation>ein anderes Programm</translation>
    </message>
    <message>
        <source>restore</source>
        <translation>Wiederherstellung</translation>
    </message>
    <message>
        <source>between %1 and %2</source>
        <translation>zwischen %1 und %2</translation>
    </message>
    <message>
        <source>%1, claiming to be %2</source>
        <translation>%1, gibt sich aus als %2</translation>
    </message>
    <message>
        <source>line</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>item</source>
        <translation>Artikel</translation>
    </message>
    <message>
        <source>no unit</source>
        <translation>keine Einheit</translation>
    </message>
    <message>
        <source>found %1</source>
        <translation>gefunden %1</translation>
    </message>
    <message>
        <source>Time: %1</source>
        <translation>Zeit: %1</translation>
    </message>
    <message>
        <source>Who: %1</source>
        <translation>Wer: %1</translation>
    </message>
    <message>
        <source>Source: %1</source>
        <translation>Herkunft: %1</translation>
    </message>
    <message>
        <source>Program: %1</source>
        <translation>Programm: %1</translation>
    </message>
    <message>
        <source>Command: %1</source>
        <translation>Befehl: %1</translation>
    </message>
    <message>
        <source>Reason: %1</source>
        <translation>Grund: %1</translation>
    </message>
    <message>
        <source>Change set: %1</source>
        <translation>Änderungssatz: %1</translation>
    </message>
    <message>
        <source>Assembly: %1</source>
        <translation>Baugruppe: %1</translation>
    </message>
    <message>
        <source>Component: %1</source>
        <translation>Komponente: %1</translation>
    </message>
    <message>
        <source>Item: %1</source>
        <translation>Artikel: %1</translation>
    </message>
    <message>
        <source>Before: %1</source>
        <translation>Vorher: %1</translation>
    </message>
    <message>
        <source>After: %1</source>
        <translation>Nachher: %1</translation>
    </message>
    <message>
        <source> (the history starts at %1; showing that)</source>
        <translation> (die Historie beginnt am %1; dieser Stand wird gezeigt)</translation>
    </message>
    <message>
        <source>Remember in the &amp;keyring</source>
        <translation>Im &amp;Schlüsselbund merken</translation>
    </message>
    <message>
        <source>The requirements were not worked out.</source>
        <translation>Der Bedarf wurde nicht ermittelt.</translation>
    </message>
    <message>
        <source>Total Quantity</source>
        <translation>Gesamtmenge</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>Ebene</translation>
    </message>
    <message>
        <source>Made or Bought</source>
        <translation>Eigenfertigung oder Kauf</translation>
    </message>
    <message>
        <source>Needed By</source>
        <translation>Benötigt von</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>no quantity on a path</source>
        <translation>keine Menge auf einem Pfad</translation>
    </message>
    <message>
        <source>made</source>
        <translation>Eigenfertigung</translation>
    </message>
    <message>
        <source>bought</source>
        <translation>Kauf</translation>
    </message>
    <message>
        <source>total past what a number holds (above %1)</source>
        <translation>Gesamtmenge übersteigt, was eine Zahl fasst (über %1)</translation>
    </message>
    <message>
        <source>Looking the items to build up in the Item Master…</source>
        <translation>Die zu fertigenden Artikel werden im Artikelstamm nachgeschlagen…</translation>
    </message>
    <message>
        <source>Reading the bills to build…</source>
        <translation>Die zu fertigenden Stücklisten werden gelesen…</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Unchanged</source>
        <translation>Unverändert</translation>
    </message>
    <message>
        <source>Added</source>
        <translation>Hinzugekommen</translation>
    </message>
    <message>
        <source>Removed</source>
        <translation>Entfallen</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source> (circular)</source>
        <translation> (zirkulär)</translation>
    </message>
    <message>
        <source>… and more paths without end: a cycle stands on the way</source>
        <translation>… und weitere Pfade ohne Ende: Ein Zyklus steht im Weg</translation>
    </message>
    <message>
        <source>… and more: more than %1 paths in all</source>
        <translation>… und weitere: insgesamt mehr als %1 Pfade</translation>
    </message>
    <message numerus="yes">
        <source>… and %1 more path(s)</source>
        <translation>
            <numerusform>… und %1 weiterer Pfad</numerusform>
            <numerusform>… und %1 weitere Pfade</numerusform>
        </translation>
    </message>
    <message>
        <source>No item is chosen: select a node of the tree or a line of the Item Master list first.</source>
        <translation>Kein Artikel gewählt: zuerst einen Knoten des Baums oder eine Zeile der Artikelstammliste auswählen.</translation>
    </message>
    <message>
        <source>Reading the bills of material of %1…</source>
        <translation>Stücklisten von %1 werden gelesen…</translation>
    </message>
    <message>
        <source>Where Used</source>
        <translation>Verwendungsnachweis</translation>
    </message>
    <message>
        <source>Finding where %1 is used…</source>
        <translation>Verwendung von %1 wird gesucht…</translation>
    </message>
    <message>
        <source>Key Passphrase</source>
        <translation>Passphrase des Schlüssels</translation>
    </message>
    <message>
        <source>Server Password</source>
        <translation>Serverpasswort</translation>
    </message>
    <message>
        <source>%1
Passphrase of the client key:</source>
        <translation>%1
Passphrase des Client-Schlüssels:</translation>
    </message>
    <message>
        <source>%1
Password of the user &apos;%2&apos;:</source>
        <translation>%1
Passwort des Benutzers „%2“:</translation>
    </message>
    <message>
        <source>(not in the Item Master)</source>
        <translation>(nicht im Artikelstamm)</translation>
    </message>
    <message>
        <source>Showing the saved change…</source>
        <translation>Die gespeicherte Änderung wird angezeigt…</translation>
    </message>
    <message>
        <source>The change was saved; only showing it was stopped.</source>
        <translation>Die Änderung wurde gespeichert; nur ihre Anzeige wurde abgebrochen.</translation>
    </message>
    <message>
        <source>Yes: the tree shows it now. No: the tree shows it when the bill is loaded again (Enter in the Item ID).</source>
        <translation>Ja: Der Baum zeigt sie jetzt. Nein: Der Baum zeigt sie, wenn die Stückliste neu geladen wird (Eingabe in der Artikelnummer).</translation>
    </message>
    <message>
        <source>&amp;Passphrase</source>
        <translation>&amp;Passphrase</translation>
    </message>
    <message>
        <source>&amp;Password</source>
        <translation>&amp;Passwort</translation>
    </message>
    <message>
        <source>The draft adds this line: it is not in the database yet.</source>
        <translation>Der Entwurf fügt diese Position hinzu: Sie ist noch nicht in der Datenbank.</translation>
    </message>
    <message>
        <source>The draft changes this line: the database holds it as it was.</source>
        <translation>Der Entwurf ändert diese Position: Die Datenbank hat sie noch wie zuvor.</translation>
    </message>
    <message>
        <source>added in the draft</source>
        <translation>im Entwurf hinzugefügt</translation>
    </message>
    <message>
        <source>changed in the draft</source>
        <translation>im Entwurf geändert</translation>
    </message>
    <message>
        <source>no quantity in %1</source>
        <translation>keine Menge in %1</translation>
    </message>
    <message>
        <source>circular in %1</source>
        <translation>zirkulär in %1</translation>
    </message>
    <message>
        <source>not expanded: depth limit in %1</source>
        <translation>nicht aufgeklappt: Tiefengrenze in %1</translation>
    </message>
    <message>
        <source>not expanded: node limit</source>
        <translation>nicht aufgeklappt: Knotengrenze</translation>
    </message>
    <message>
        <source>not expanded: depth limit</source>
        <translation>nicht aufgeklappt: Tiefengrenze</translation>
    </message>
    <message>
        <source>quantity ≤ 0</source>
        <translation>Menge ≤ 0</translation>
    </message>
    <message>
        <source>added</source>
        <translation>hinzugefügt</translation>
    </message>
    <message>
        <source>changed</source>
        <translation>geändert</translation>
    </message>
    <message>
        <source>removed</source>
        <translation>entfernt</translation>
    </message>
    <message>
        <source>changed since</source>
        <translation>seitdem geändert</translation>
    </message>
    <message>
        <source>start date now %1</source>
        <translation>Gültig ab in der Datenbank jetzt: %1</translation>
    </message>
    <message>
        <source>start date %1 → %2</source>
        <translation>Gültig ab %1 → %2</translation>
    </message>
    <message>
        <source>Closing the draft</source>
        <translation>Der Entwurf wird geschlossen</translation>
    </message>
    <message>
        <source>read-only: %1 has it open for editing since %2</source>
        <translation>schreibgeschützt: %1 bearbeitet ihn seit %2</translation>
    </message>
</context>
<context>
    <name>tree::EditHistory</name>
    <message>
        <source>Done: %1.</source>
        <translation>Ausgeführt: %1.</translation>
    </message>
    <message>
        <source>Undone: %1.</source>
        <translation>Rückgängig gemacht: %1.</translation>
    </message>
    <message>
        <source>Not undone: %1.</source>
        <translation>Nicht rückgängig gemacht: %1.</translation>
    </message>
    <message>
        <source>Redone: %1.</source>
        <translation>Wiederholt: %1.</translation>
    </message>
    <message>
        <source>Not redone: %1.</source>
        <translation>Nicht wiederholt: %1.</translation>
    </message>
</context>
<context>
    <name>tree::LineEdits</name>
    <message>
        <source>quantity %1</source>
        <translation>Menge %1</translation>
    </message>
    <message>
        <source>no quantity</source>
        <translation>keine Menge</translation>
    </message>
    <message numerus="yes">
        <source>and %n more</source>
        <translation>
            <numerusform>und %n weitere</numerusform>
            <numerusform>und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>Use Quantity %1?</source>
        <translation>Menge %1 verwenden?</translation>
    </message>
    <message>
        <source>A quantity of zero or less is seldom meant. Yes: the line %1 gets it. No: nothing is written.</source>
        <translation>Eine Menge von null oder weniger ist selten gemeint. Ja: Die Position %1 erhält sie. Nein: Es wird nichts geschrieben.</translation>
    </message>
    <message>
        <source>Use %1 %2?</source>
        <translation>%1 %2 verwenden?</translation>
    </message>
    <message>
        <source>%1 is counted in whole pieces, and %2 is not a whole number. OK: the line %3 gets it. Cancel: nothing is written.</source>
        <translation>%1 wird in ganzen Stück gezählt, und %2 ist keine ganze Zahl. OK: Die Position %3 erhält sie. Abbrechen: Es wird nichts geschrieben.</translation>
    </message>
    <message numerus="yes">
        <source>Use Quantities of Zero or Less?</source>
        <translation>
            <numerusform>Eine Menge von null oder weniger verwenden?</numerusform>
            <numerusform>Mengen von null oder weniger verwenden?</numerusform>
        </translation>
    </message>
    <message>
        <source>A quantity of zero or less is seldom meant. Yes: these lines get theirs:
%1
No: nothing is written.</source>
        <translation>Eine Menge von null oder weniger ist selten gemeint. Ja: Diese Positionen erhalten ihre:
%1
Nein: Es wird nichts geschrieben.</translation>
    </message>
    <message>
        <source>Yes: %1 into %2. No: beside %2, into %3.</source>
        <translation>Ja: %1 in %2. Nein: neben %2, in %3.</translation>
    </message>
    <message>
        <source>Make Target Item A Parent?</source>
        <translation>Zielartikel zur übergeordneten Baugruppe machen?</translation>
    </message>
    <message>
        <source>The bill cannot be edited here: %1.</source>
        <translation>Die Stückliste kann hier nicht bearbeitet werden: %1.</translation>
    </message>
    <message>
        <source>%1 into %2</source>
        <translation>%1 in %2</translation>
    </message>
    <message>
        <source>, in %1</source>
        <translation>, in %1</translation>
    </message>
    <message>
        <source>Enter the quantity required of the new component.
</source>
        <translation>Die benötigte Menge der neuen Komponente eingeben.
</translation>
    </message>
    <message>
        <source>Add BOM Item</source>
        <translation>Stücklistenposition hinzufügen</translation>
    </message>
    <message>
        <source>Added the line %1, %2.</source>
        <translation>Position %1, %2 hinzugefügt.</translation>
    </message>
    <message>
        <source>the line %1, %2</source>
        <translation>die Position %1, %2</translation>
    </message>
    <message>
        <source>Delete Selected Item?</source>
        <translation>Ausgewählte Position löschen?</translation>
    </message>
    <message>
        <source>Deletes %1.</source>
        <translation>Löscht %1.</translation>
    </message>
    <message>
        <source>Error in Database!  This item can not be located!</source>
        <translation>Fehler in der Datenbank!  Diese Position ist nicht auffindbar!</translation>
    </message>
    <message>
        <source>Deleted the line %1, %2.</source>
        <translation>Position %1, %2 gelöscht.</translation>
    </message>
    <message>
        <source>Another program has removed these lines meanwhile; nothing was deleted:
%1</source>
        <translation>Ein anderes Programm hat diese Positionen inzwischen entfernt; es wurde nichts gelöscht:
%1</translation>
    </message>
    <message>
        <source>Deletes these lines, all or none:
%1</source>
        <translation>Löscht diese Positionen, alle oder keine:
%1</translation>
    </message>
    <message numerus="yes">
        <source>Delete %n Selected Line(s)?</source>
        <translation>
            <numerusform>%n ausgewählte Position löschen?</numerusform>
            <numerusform>%n ausgewählte Positionen löschen?</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>the %Ln cut line(s) move(s)</source>
        <translation>
            <numerusform>die %Ln ausgeschnittene Position kommt</numerusform>
            <numerusform>die %Ln ausgeschnittenen Positionen kommen</numerusform>
        </translation>
    </message>
    <message>
        <source>The cut lines are in %1 already; nothing was moved.</source>
        <translation>Die ausgeschnittenen Positionen sind bereits in %1; es wurde nichts verschoben.</translation>
    </message>
    <message>
        <source>Another program has changed or removed these lines since they were cut; nothing was moved:
%1</source>
        <translation>Ein anderes Programm hat diese Positionen geändert oder entfernt, seit sie ausgeschnitten wurden; es wurde nichts verschoben:
%1</translation>
    </message>
    <message>
        <source>Nothing was moved:
%1</source>
        <translation>Es wurde nichts verschoben:
%1</translation>
    </message>
    <message>
        <source>Moved the line %1 into %2.</source>
        <translation>Position %1 nach %2 verschoben.</translation>
    </message>
    <message numerus="yes">
        <source>Moved %n line(s) into %1.</source>
        <translation>
            <numerusform>%n Position nach %1 verschoben.</numerusform>
            <numerusform>%n Positionen nach %1 verschoben.</numerusform>
        </translation>
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
    <message>
        <source>Bill of Material: %1</source>
        <translation>Stückliste: %1</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>Ebene</translation>
    </message>
    <message>
        <source>Item ID</source>
        <translation>Artikelnummer</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Bezeichnung</translation>
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
        <source>Extended Quantity</source>
        <translation>Gesamtmenge</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>Total Quantity</source>
        <translation>Gesamtmenge</translation>
    </message>
    <message>
        <source>Has Bill</source>
        <translation>Hat Stückliste</translation>
    </message>
    <message>
        <source>Assembly</source>
        <translation>Baugruppe</translation>
    </message>
    <message>
        <source>Draft: %1</source>
        <translation>Entwurf: %1</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Änderung</translation>
    </message>
    <message>
        <source>Component</source>
        <translation>Komponente</translation>
    </message>
    <message>
        <source>Draft Quantity</source>
        <translation>Menge (Entwurf)</translation>
    </message>
    <message>
        <source>Base Quantity</source>
        <translation>Menge (Ausgangsstand)</translation>
    </message>
    <message>
        <source>Live Quantity</source>
        <translation>Menge (Datenbank)</translation>
    </message>
</context>
</TS>

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CheckoutTable</name>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>User</source>
        <translation>Benutzer</translation>
    </message>
    <message>
        <source>Since</source>
        <translation>Seit</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Machine</source>
        <translation>Computer</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
</context>
<context>
    <name>DesktopNote</name>
    <message>
        <source> by </source>
        <translation> von </translation>
    </message>
    <message>
        <source>%1 changes to watched files</source>
        <translation>%1 Änderungen an überwachten Dateien</translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation>und %1 weitere</translation>
    </message>
    <message>
        <source>Check In</source>
        <translation>Eingecheckt</translation>
    </message>
    <message>
        <source>Check Out</source>
        <translation>Ausgecheckt</translation>
    </message>
    <message>
        <source>Check In (Undo Check Out)</source>
        <translation>Eingecheckt (Auschecken rückgängig gemacht)</translation>
    </message>
    <message>
        <source>1 change while paused</source>
        <translation>1 Änderung während der Pause</translation>
    </message>
    <message>
        <source>%1 changes while paused</source>
        <translation>%1 Änderungen während der Pause</translation>
    </message>
</context>
<context>
    <name>DesktopNotifier</name>
    <message>
        <source>Open Event Log</source>
        <translation>Ereignisprotokoll öffnen</translation>
    </message>
</context>
<context>
    <name>DialogHook</name>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>No printer is installed, so nothing can be printed. Add a printer (Windows: Settings, Printers &amp; scanners) and print again.</source>
        <translation>Es ist kein Drucker installiert, daher kann nichts gedruckt werden. Fügen Sie einen Drucker hinzu (Windows: Einstellungen, Drucker &amp; Scanner) und drucken Sie erneut.</translation>
    </message>
</context>
<context>
    <name>EventHooks</name>
    <message>
        <source>ERROR: %1 event(s) not handed over to the event command: %2 were already waiting</source>
        <translation>FEHLER: %1 Ereignis(se) nicht an den Ereignisbefehl übergeben: %2 warteten bereits</translation>
    </message>
    <message>
        <source>ran over %1 s and was stopped</source>
        <translation>lief länger als %1 s und wurde beendet</translation>
    </message>
    <message>
        <source>was ended by a signal</source>
        <translation>wurde durch ein Signal beendet</translation>
    </message>
    <message>
        <source>failed with exit status %1</source>
        <translation>ist mit dem Exit-Status %1 fehlgeschlagen</translation>
    </message>
    <message>
        <source>could not be started: </source>
        <translation>konnte nicht gestartet werden: </translation>
    </message>
    <message>
        <source>ERROR: The event command %1 (%2)</source>
        <translation>FEHLER: Der Ereignisbefehl %1 (%2)</translation>
    </message>
    <message>
        <source>ERROR: %1 event command(s) stopped or not run at the end</source>
        <translation>FEHLER: %1 Ereignisbefehl(e) beim Beenden abgebrochen oder nicht ausgeführt</translation>
    </message>
</context>
<context>
    <name>EventList</name>
    <message>
        <source>Action</source>
        <translation>Aktion</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Uhrzeit</translation>
    </message>
    <message>
        <source>Object</source>
        <translation>Objekt</translation>
    </message>
    <message>
        <source>User</source>
        <translation>Benutzer</translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>Quorvik Help</source>
        <translation>Quorvik-Hilfe</translation>
    </message>
    <message>
        <source>No web browser could be started. The manual is also at %1</source>
        <translation>Es konnte kein Webbrowser gestartet werden. Das Handbuch liegt auch unter %1</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Handbuch</translation>
    </message>
</context>
<context>
    <name>PrintFile</name>
    <message>
        <source>The printer could not be started.</source>
        <translation>Der Drucker konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>The printer could not start a new page.</source>
        <translation>Der Drucker konnte keine neue Seite beginnen.</translation>
    </message>
    <message>
        <source>The print job could not be sent.</source>
        <translation>Der Druckauftrag konnte nicht gesendet werden.</translation>
    </message>
    <message>
        <source>Printing File...</source>
        <translation>Datei drucken...</translation>
    </message>
    <message>
        <source>Error :</source>
        <translation>Fehler: </translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>ERROR: OnEventTimeout=%1 is not a number of seconds from 1 to 3600; %2 is used</source>
        <translation>FEHLER: OnEventTimeout=%1 ist keine Sekundenzahl von 1 bis 3600; %2 wird verwendet</translation>
    </message>
</context>
<context>
    <name>Status</name>
    <message>
        <source>ERROR: </source>
        <translation>FEHLER: </translation>
    </message>
</context>
<context>
    <name>WatchedEntry</name>
    <message>
        <source>Files below %1 to leave out, patterns separated by &quot;;&quot;
(* any characters, ? one; with a &quot;/&quot; the whole path):</source>
        <translation>Auszulassende Dateien unter %1, Muster durch „;“ getrennt
(* beliebige Zeichen, ? eines; mit „/“ der ganze Pfad):</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>This program comes with no warranty of any kind: you use it at your own risk, and its authors are not liable for any loss it may cause.</source>
        <translation>Für dieses Programm wird keinerlei Gewähr übernommen: Sie verwenden es auf eigenes Risiko, und seine Autoren haften für keinen Schaden, den es verursachen kann.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>&amp;System Info...</source>
        <translation>&amp;Systeminformationen...</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
    <message>
        <source>Version %1.%2.%3</source>
        <translation>Version %1.%2.%3</translation>
    </message>
    <message>
        <source>VSS monitoring utility. 
Makes easy to keep track of check in/out operations in Microsoft® Visual SourceSafe database.

Microsoft® Visual SourceSafe is registered trademark of Microsoft Corporation.</source>
        <translation>Dienstprogramm zur Überwachung von VSS. 
Behält Ein- und Auscheckvorgänge in einer Microsoft® Visual SourceSafe-Datenbank mühelos im Blick.

Microsoft® Visual SourceSafe ist eine eingetragene Marke der Microsoft Corporation.</translation>
    </message>
    <message>
        <source>System Information Is Unavailable At This Time</source>
        <translation>Systeminformationen sind zurzeit nicht verfügbar</translation>
    </message>
</context>
<context>
    <name>frmCheckouts</name>
    <message>
        <source>Check-outs</source>
        <translation>Ausgecheckte Dateien</translation>
    </message>
    <message>
        <source>Reading... %1 items</source>
        <translation>Wird gelesen... %1 Elemente</translation>
    </message>
    <message>
        <source>Wa&amp;tched files</source>
        <translation>Über&amp;wachte Dateien</translation>
    </message>
    <message>
        <source>Whole &amp;database</source>
        <translation>Gesamte &amp;Datenbank</translation>
    </message>
    <message>
        <source>&amp;User:</source>
        <translation>&amp;Benutzer:</translation>
    </message>
    <message>
        <source>&amp;Path contains:</source>
        <translation>&amp;Pfad enthält:</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation>A&amp;ktualisieren</translation>
    </message>
    <message>
        <source>&amp;Export...</source>
        <translation>&amp;Exportieren...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>No database is chosen: choose one in the settings</source>
        <translation>Keine Datenbank gewählt: Wählen Sie eine in den Einstellungen</translation>
    </message>
    <message>
        <source>No file is watched: choose &quot;Whole database&quot;</source>
        <translation>Keine Datei wird überwacht: Wählen Sie „Gesamte Datenbank“</translation>
    </message>
    <message>
        <source>Reading...</source>
        <translation>Wird gelesen...</translation>
    </message>
    <message>
        <source>Cancelled after %1 items</source>
        <translation>Abgebrochen nach %1 Elementen</translation>
    </message>
    <message>
        <source>Read %1 items in %2 s</source>
        <translation>Gelesen: %1 Elemente in %2 s</translation>
    </message>
    <message>
        <source>; %1 not read</source>
        <translation>; %1 nicht gelesen</translation>
    </message>
    <message>
        <source>%1 check-outs</source>
        <translation>Ausgecheckt: %1</translation>
    </message>
    <message>
        <source>%1 of %2 check-outs</source>
        <translation>Ausgecheckt: %1 von %2</translation>
    </message>
    <message>
        <source>All users</source>
        <translation>Alle Benutzer</translation>
    </message>
    <message>
        <source>CSV (*.csv);;JSON (*.json)</source>
        <translation>CSV (*.csv);;JSON (*.json)</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Exported %1 check-outs to %2</source>
        <translation>%1 ausgecheckte Datei(en) nach %2 exportiert</translation>
    </message>
    <message>
        <source>One row per checked-out file: file, user, since when, version, folder, machine and comment</source>
        <translation>Eine Zeile je ausgecheckter Datei: Datei, Benutzer, seit wann, Version, Ordner, Rechner und Kommentar</translation>
    </message>
    <message>
        <source>Export Check-outs</source>
        <translation>Ausgecheckte Dateien exportieren</translation>
    </message>
</context>
<context>
    <name>frmLog</name>
    <message>
        <source>Clear all events</source>
        <translation>Alle Ereignisse löschen</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Properties</source>
        <translation>Eigenschaften</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Event log</source>
        <translation>Ereignisprotokoll</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Cannot read the event log: </source>
        <translation>Das Ereignisprotokoll kann nicht gelesen werden: </translation>
    </message>
    <message>
        <source>Events</source>
        <translation>Ereignisse</translation>
    </message>
    <message>
        <source>The changes seen, one per row: date, time, file and action</source>
        <translation>Die gesehenen Änderungen, eine je Zeile: Datum, Uhrzeit, Datei und Aktion</translation>
    </message>
</context>
<context>
    <name>frmOptions</name>
    <message>
        <source>(unknown)</source>
        <translation>(unbekannt)</translation>
    </message>
    <message>
        <source>Text (Tab delimited)(*.txt)</source>
        <translation>Text (Tabulatorgetrennt)(*.txt)</translation>
    </message>
    <message>
        <source>Properties</source>
        <translation>Eigenschaften</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Set Options for Group 1</source>
        <translation>Optionen für Gruppe 1 festlegen</translation>
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
        <source>Apply</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>Log file:</source>
        <translation>Protokolldatei:</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>Größe:</translation>
    </message>
    <message>
        <source>Created:</source>
        <translation>Erstellt:</translation>
    </message>
    <message>
        <source>Modified:</source>
        <translation>Geändert:</translation>
    </message>
    <message>
        <source>Maximum log size:</source>
        <translation>Maximale Protokollgröße:</translation>
    </message>
    <message>
        <source>When maximum log size is reached:</source>
        <translation>Wenn die maximale Protokollgröße erreicht ist:</translation>
    </message>
    <message>
        <source>KB</source>
        <translation>KB</translation>
    </message>
    <message>
        <source>days</source>
        <translation>Tage</translation>
    </message>
    <message>
        <source>Overwrite events as needed</source>
        <translation>Ereignisse bei Bedarf überschreiben</translation>
    </message>
    <message>
        <source>Overwrite events older than </source>
        <translation>Ereignisse überschreiben, die älter sind als </translation>
    </message>
    <message>
        <source>Do not overwrite events (clear log manually)</source>
        <translation>Ereignisse nicht überschreiben (Protokoll manuell löschen)</translation>
    </message>
    <message>
        <source>Clear Log</source>
        <translation>Protokoll löschen</translation>
    </message>
    <message>
        <source>Log size</source>
        <translation>Protokollgröße</translation>
    </message>
    <message>
        <source>No log file is named.</source>
        <translation>Es ist keine Protokolldatei angegeben.</translation>
    </message>
    <message>
        <source>The folder of the log file does not exist: </source>
        <translation>Der Ordner der Protokolldatei existiert nicht: </translation>
    </message>
    <message>
        <source>The log file cannot be created: </source>
        <translation>Die Protokolldatei kann nicht erstellt werden: </translation>
    </message>
    <message>
        <source>The log could not be cleared: </source>
        <translation>Das Protokoll konnte nicht gelöscht werden: </translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Seiten</translation>
    </message>
    <message>
        <source>Choose the log file</source>
        <translation>Protokolldatei wählen</translation>
    </message>
    <message>
        <source>In kilobytes; type the number</source>
        <translation>In Kilobyte; die Zahl eintippen</translation>
    </message>
    <message>
        <source>Days</source>
        <translation>Tage</translation>
    </message>
    <message>
        <source>With the option before it chosen, events older than this are overwritten</source>
        <translation>Ist die Option davor gewählt, werden ältere Ereignisse überschrieben</translation>
    </message>
</context>
<context>
    <name>frmTree</name>
    <message>
        <source>Quorvik Explorer</source>
        <translation>Quorvik-Explorer</translation>
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
        <source>Select</source>
        <translation>Auswählen</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alle auswählen</translation>
    </message>
    <message>
        <source>Undo select</source>
        <translation>Auswahl aufheben</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove All</source>
        <translation>Alle entfernen</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Projects</source>
        <translation>Projekte</translation>
    </message>
    <message>
        <source>The database&apos;s projects; the files of the one chosen are listed beside</source>
        <translation>Die Projekte der Datenbank; die Dateien des gewählten stehen daneben</translation>
    </message>
    <message>
        <source>Files of the project</source>
        <translation>Dateien des Projekts</translation>
    </message>
    <message>
        <source>Ctrl+C adds the selected files to the files to watch; the Menu key or Shift+F10 opens the list&apos;s commands.</source>
        <translation>Strg+C nimmt die gewählten Dateien zu den zu überwachenden auf; die Menütaste oder Umschalt+F10 öffnet die Befehle der Liste.</translation>
    </message>
    <message>
        <source>Files to watch</source>
        <translation>Zu überwachende Dateien</translation>
    </message>
    <message>
        <source>What OK hands over. Delete removes the selected files; the Menu key or Shift+F10 opens the list&apos;s commands.</source>
        <translation>Was OK übergibt. Entf entfernt die gewählten Dateien; die Menütaste oder Umschalt+F10 öffnet die Befehle der Liste.</translation>
    </message>
    <message>
        <source>&amp;Watch Whole Project</source>
        <translation>&amp;Ganzes Projekt überwachen</translation>
    </message>
    <message>
        <source>&amp;Leave Out...</source>
        <translation>&amp;Auslassen...</translation>
    </message>
</context>
<context>
    <name>frmZel</name>
    <message>
        <source>ERROR: Cannot store the settings</source>
        <translation>FEHLER: Die Einstellungen können nicht gespeichert werden</translation>
    </message>
    <message>
        <source>10 sec</source>
        <translation>10 Sek.</translation>
    </message>
    <message>
        <source>30 sec</source>
        <translation>30 Sek.</translation>
    </message>
    <message>
        <source>1  min</source>
        <translation>1  Min.</translation>
    </message>
    <message>
        <source>3  min</source>
        <translation>3  Min.</translation>
    </message>
    <message>
        <source>5  min</source>
        <translation>5  Min.</translation>
    </message>
    <message>
        <source>10 min</source>
        <translation>10 Min.</translation>
    </message>
    <message>
        <source>30 min</source>
        <translation>30 Min.</translation>
    </message>
    <message>
        <source>60 min</source>
        <translation>60 Min.</translation>
    </message>
    <message>
        <source>VSS connection settings</source>
        <translation>VSS-Verbindungseinstellungen</translation>
    </message>
    <message>
        <source>Database </source>
        <translation>Datenbank </translation>
    </message>
    <message>
        <source>User &amp;Name</source>
        <translation>Benutzer&amp;name</translation>
    </message>
    <message>
        <source>Pass&amp;word</source>
        <translation>&amp;Kennwort</translation>
    </message>
    <message>
        <source>Select &amp;Database...</source>
        <translation>&amp;Datenbank auswählen...</translation>
    </message>
    <message>
        <source>Remember &amp;Last logged database</source>
        <translation>&amp;Letzte Datenbank merken</translation>
    </message>
    <message>
        <source>Remember last logged &amp;User</source>
        <translation>Letzten Ben&amp;utzer merken</translation>
    </message>
    <message>
        <source>Notification method</source>
        <translation>Benachrichtigungsart</translation>
    </message>
    <message>
        <source>Show Icon on &amp;Taskbar</source>
        <translation>Symbol in der &amp;Taskleiste anzeigen</translation>
    </message>
    <message>
        <source>Display Message &amp;Box </source>
        <translation>&amp;Meldungsfenster anzeigen </translation>
    </message>
    <message>
        <source>Desktop Notifi&amp;cation</source>
        <translation>Desktop-Benachrichti&amp;gung</translation>
    </message>
    <message>
        <source>Play a &amp;Sound</source>
        <translation>T&amp;on abspielen</translation>
    </message>
    <message>
        <source>Notify on</source>
        <translation>Benachrichtigen bei</translation>
    </message>
    <message>
        <source>Check &amp;In</source>
        <translation>&amp;Einchecken</translation>
    </message>
    <message>
        <source>Check &amp;Out</source>
        <translation>Aus&amp;checken</translation>
    </message>
    <message>
        <source>Ignore &amp;my own changes</source>
        <translation>Eigene Änderungen &amp;ignorieren</translation>
    </message>
    <message>
        <source>&amp;Polling Interval</source>
        <translation>Abf&amp;rageintervall</translation>
    </message>
    <message>
        <source>Monitored &amp;Files</source>
        <translation>Über&amp;wachte Dateien</translation>
    </message>
    <message>
        <source>&amp;Run Quorvik at System Startup</source>
        <translation>Quorvik beim &amp;Systemstart ausführen</translation>
    </message>
    <message>
        <source>Hide &amp;&amp; &amp;Watch</source>
        <translation>&amp;Ausblenden &amp;&amp; überwachen</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Chec&amp;k-outs...</source>
        <translation>Ausgec&amp;heckte Dateien...</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alle auswählen</translation>
    </message>
    <message>
        <source>Undo Select</source>
        <translation>Auswahl aufheben</translation>
    </message>
    <message>
        <source>Add New</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove All</source>
        <translation>Alle entfernen</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Event Log</source>
        <translation>Ereignisprotokoll</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>ERROR: Invalid VSS credentials</source>
        <translation>FEHLER: Ungültige VSS-Anmeldedaten</translation>
    </message>
    <message>
        <source>ERROR: Not watching: close the %1, then Hide &amp; Watch</source>
        <translation>FEHLER: Keine Überwachung: Schließen Sie %1, dann „Ausblenden &amp; überwachen“</translation>
    </message>
    <message>
        <source>About box</source>
        <translation>das Info-Fenster</translation>
    </message>
    <message>
        <source>event log viewer</source>
        <translation>die Ereignisanzeige</translation>
    </message>
    <message>
        <source>No notification area: the window is minimised while watching.</source>
        <translation>Kein Infobereich: Das Fenster wird während der Überwachung minimiert.</translation>
    </message>
    <message>
        <source>Changing the database will clean up monitored file list. Proceed?</source>
        <translation>Beim Wechsel der Datenbank wird die Liste der überwachten Dateien geleert. Fortfahren?</translation>
    </message>
    <message>
        <source>SourceSafe databases (srcsafe.ini) (*.ini)</source>
        <translation>SourceSafe-Datenbanken (srcsafe.ini) (*.ini)</translation>
    </message>
    <message>
        <source>A dialog is open: close it to use this menu</source>
        <translation>Ein Dialog ist geöffnet: Schließen Sie ihn, um dieses Menü zu verwenden</translation>
    </message>
    <message>
        <source>The explorer is open: finish it with OK or Cancel</source>
        <translation>Der Explorer ist geöffnet: Beenden Sie ihn mit OK oder Abbrechen</translation>
    </message>
    <message>
        <source>The settings window is open: close it to use this menu</source>
        <translation>Das Einstellungsfenster ist geöffnet: Schließen Sie es, um dieses Menü zu verwenden</translation>
    </message>
    <message>
        <source>The help pages are missing from this installation.</source>
        <translation>Die Hilfeseiten fehlen in dieser Installation.</translation>
    </message>
    <message>
        <source>Ignore changes b&amp;y</source>
        <translation>Änderungen ignorieren &amp;von</translation>
    </message>
    <message>
        <source>user names, separated by commas</source>
        <translation>Benutzernamen, durch Kommas getrennt</translation>
    </message>
    <message>
        <source>Check-outs and check-ins by these VSS users (a build robot, say) are recorded as seen but not announced</source>
        <translation>Aus- und Einchecken dieser VSS-Benutzer (etwa eines Build-Roboters) wird als gesehen vermerkt, aber nicht gemeldet</translation>
    </message>
    <message>
        <source>For &amp;30 Minutes</source>
        <translation>Für &amp;30 Minuten</translation>
    </message>
    <message>
        <source>For 1 &amp;Hour</source>
        <translation>Für 1 &amp;Stunde</translation>
    </message>
    <message>
        <source>Until &amp;Tomorrow</source>
        <translation>Bis &amp;morgen</translation>
    </message>
    <message>
        <source>Until &amp;Resumed</source>
        <translation>Bis zum &amp;Fortsetzen</translation>
    </message>
    <message>
        <source>Notifications paused until resumed</source>
        <translation>Benachrichtigungen pausiert bis zum Fortsetzen</translation>
    </message>
    <message>
        <source>Notifications paused until %1</source>
        <translation>Benachrichtigungen pausiert bis %1</translation>
    </message>
    <message>
        <source>Monitored files</source>
        <translation>Überwachte Dateien</translation>
    </message>
    <message>
        <source>The files being watched. Insert adds files; the Menu key or Shift+F10 opens the list&apos;s commands.</source>
        <translation>Die überwachten Dateien. Einfg fügt Dateien hinzu; die Menütaste oder Umschalt+F10 öffnet die Befehle der Liste.</translation>
    </message>
    <message>
        <source>Add files</source>
        <translation>Dateien hinzufügen</translation>
    </message>
    <message>
        <source>Opens the explorer to choose files to watch (Insert in the list)</source>
        <translation>Öffnet den Explorer zur Wahl der zu überwachenden Dateien (Einfg in der Liste)</translation>
    </message>
    <message>
        <source>Remove the selected file</source>
        <translation>Gewählte Datei entfernen</translation>
    </message>
    <message>
        <source>The file is no longer watched; nothing is asked</source>
        <translation>Die Datei wird nicht mehr überwacht; ohne Rückfrage</translation>
    </message>
    <message>
        <source>Changes seen: Reset in the menu shows them</source>
        <translation>Änderungen gesehen: „Zurücksetzen“ im Menü zeigt sie</translation>
    </message>
    <message>
        <source>Select Database</source>
        <translation>Datenbank auswählen</translation>
    </message>
    <message>
        <source>&amp;Leave Out...</source>
        <translation>&amp;Auslassen...</translation>
    </message>
    <message>
        <source>&amp;Pause Notifications</source>
        <translation>Benachrichtigungen &amp;pausieren</translation>
    </message>
    <message>
        <source>&amp;Resume Notifications</source>
        <translation>Benachrichtigungen &amp;fortsetzen</translation>
    </message>
</context>
<context>
    <name>modZel</name>
    <message>
        <source>ERROR: VSS not installed.</source>
        <translation>FEHLER: VSS ist nicht installiert.</translation>
    </message>
    <message>
        <source>ERROR: Cannot open VSS database</source>
        <translation>FEHLER: Die VSS-Datenbank kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>ERROR: Cannot store the code page of the database: </source>
        <translation>FEHLER: Die Codepage der Datenbank kann nicht gespeichert werden: </translation>
    </message>
    <message>
        <source>ERROR: Cannot find </source>
        <translation>FEHLER: Nicht gefunden: </translation>
    </message>
    <message>
        <source>ERROR: Cannot find ../.</source>
        <translation>FEHLER: Nicht gefunden: ../.</translation>
    </message>
    <message>
        <source>ERROR: No files in list</source>
        <translation>FEHLER: Keine Dateien in der Liste</translation>
    </message>
    <message>
        <source>ERROR: Cannot read </source>
        <translation>FEHLER: Nicht lesbar: </translation>
    </message>
    <message>
        <source>Files in the list: </source>
        <translation>Dateien in der Liste: </translation>
    </message>
    <message>
        <source>has been checked in!</source>
        <translation>wurde eingecheckt!</translation>
    </message>
    <message>
        <source> has been checked out by </source>
        <translation> wurde ausgecheckt von </translation>
    </message>
    <message>
        <source>1 event record was</source>
        <translation>1 Ereigniseintrag wurde</translation>
    </message>
    <message>
        <source>%1 event records were</source>
        <translation>%1 Ereigniseinträge wurden</translation>
    </message>
    <message>
        <source>ERROR: %1 written without the event log&apos;s lock: another program holds %2</source>
        <translation>FEHLER: %1 ohne die Sperre des Ereignisprotokolls geschrieben: Ein anderes Programm hält %2</translation>
    </message>
    <message>
        <source>ERROR: Cannot store the list of files: </source>
        <translation>FEHLER: Die Dateiliste kann nicht gespeichert werden: </translation>
    </message>
    <message>
        <source>ERROR: Cannot store the pause of notifications: </source>
        <translation>FEHLER: Die Pause der Benachrichtigungen kann nicht gespeichert werden: </translation>
    </message>
</context>
</TS>

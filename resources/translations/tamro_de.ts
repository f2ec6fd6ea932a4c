<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name></name>
    <message id="MSG_Title">
        <source>TAMRO RAID MONITOR</source>
        <extracomment>Caption of alerts and windows</extracomment>
        <translation>TAMRO RAID MONITOR</translation>
    </message>
    <message id="MSG_Version">
        <source>This version of the operating system is not supported. TAMRO RAID MONITOR will quit.</source>
        <extracomment>System too old; the program quits after this alert</extracomment>
        <translation>Diese Version des Betriebssystems wird nicht unterstützt. TAMRO RAID MONITOR wird beendet.</translation>
    </message>
    <message id="MSG_ErrorMessage2">
        <source>Cannot connect to the storage service. Make sure it is running, then choose Rescan.</source>
        <extracomment>Alert after the connection to the storage service failed</extracomment>
        <translation>Keine Verbindung zum Speicherdienst. Prüfen Sie, ob er läuft, und wählen Sie dann „Neu suchen“.</translation>
    </message>
    <message id="MSG_ErrorMessage3">
        <source>More than 8 RAID enclosures are connected. TAMRO RAID MONITOR can watch up to 8 and will now quit.</source>
        <extracomment>Alert before the program quits because of too many enclosures</extracomment>
        <translation>Es sind mehr als 8 RAID-Gehäuse angeschlossen. TAMRO RAID MONITOR kann höchstens 8 überwachen und wird jetzt beendet.</translation>
    </message>
    <message id="MSG_QuitMessage">
        <source>Quit TAMRO RAID MONITOR? Your RAID enclosures will no longer be watched.</source>
        <extracomment>Question of the quit panel</extracomment>
        <translation>TAMRO RAID MONITOR beenden? Ihre RAID-Gehäuse werden dann nicht mehr überwacht.</translation>
    </message>
    <message id="MSG_HelpFileName">
        <source>TAMRO RAID MONITOR Help</source>
        <extracomment>Base name of the help file, without .html; a file of this name must exist in the help folder</extracomment>
        <translation>TAMRO RAID MONITOR Hilfe</translation>
    </message>
    <message id="MSG_MailSubject">
        <source>TAMRO RAID MONITOR notification</source>
        <extracomment>Default mail subject</extracomment>
        <translation>Benachrichtigung von TAMRO RAID MONITOR</translation>
    </message>
    <message id="MSG_DiskCheck">
        <source>
Please check the enclosure and its drives.</source>
        <extracomment>Appended directly after the plug-state text in the notice and the problem mail; starts with a line break</extracomment>
        <translation>
Bitte prüfen Sie das Gehäuse und seine Laufwerke.</translation>
    </message>
    <message id="MSG_DiskInfo1">
        <source>Disk 1 is not connected.</source>
        <extracomment>Plug state: drive 1 (upper bay) missing</extracomment>
        <translation>Laufwerk 1 ist nicht angeschlossen.</translation>
    </message>
    <message id="MSG_DiskInfo2">
        <source>Disk 2 is not connected.</source>
        <extracomment>Plug state: drive 2 (lower bay) missing</extracomment>
        <translation>Laufwerk 2 ist nicht angeschlossen.</translation>
    </message>
    <message id="MSG_DiskInfo3">
        <source>Disks 1 and 2 are not connected.</source>
        <extracomment>Plug state: both drives missing</extracomment>
        <translation>Laufwerk 1 und 2 sind nicht angeschlossen.</translation>
    </message>
    <message id="MSG_DiskInfo4">
        <source>No device found.</source>
        <extracomment>Plug state: no enclosure found or configuration failed</extracomment>
        <translation>Kein Gerät gefunden.</translation>
    </message>
    <message id="MSG_DiskInfo5">
        <source>Disk 1 has failed.</source>
        <extracomment>Plug state: drive 1 (upper bay) is attached but has failed</extracomment>
        <translation>Laufwerk 1 ist ausgefallen.</translation>
    </message>
    <message id="MSG_DiskInfo6">
        <source>Disk 2 has failed.</source>
        <extracomment>Plug state: drive 2 (lower bay) is attached but has failed</extracomment>
        <translation>Laufwerk 2 ist ausgefallen.</translation>
    </message>
    <message id="MSG_DiskInfo7">
        <source>Disks 1 and 2 have failed.</source>
        <extracomment>Plug state: both drives are attached but have failed</extracomment>
        <translation>Laufwerk 1 und 2 sind ausgefallen.</translation>
    </message>
    <message id="MSG_Mode0">
        <source>JBOD / Spanning</source>
        <extracomment>RAID mode 0</extracomment>
        <translation>JBOD / Verkettung</translation>
    </message>
    <message id="MSG_Mode1">
        <source>RAID 1 (Mirroring)</source>
        <extracomment>RAID mode 1</extracomment>
        <translation>RAID 1 (Spiegelung)</translation>
    </message>
    <message id="MSG_Mode2">
        <source>RAID 0 (Striping)</source>
        <extracomment>RAID mode 2</extracomment>
        <translation>RAID 0 (Striping)</translation>
    </message>
    <message id="MSG_Mode3">
        <source>Separate drives</source>
        <extracomment>RAID mode 3</extracomment>
        <translation>Einzelne Laufwerke</translation>
    </message>
    <message id="MSG_ModeNoDisk">
        <source>No volume</source>
        <extracomment>Mode text when the enclosure has no volume</extracomment>
        <translation>Kein Volume</translation>
    </message>
    <message id="MSG_RStatus0">
        <source>Normal</source>
        <extracomment>Rebuild state: normal</extracomment>
        <translation>Normal</translation>
    </message>
    <message id="MSG_RStatus1">
        <source>Rebuilding</source>
        <extracomment>Drive state 1 in progress; followed by a blank and a percentage</extracomment>
        <translation>Wiederherstellung</translation>
    </message>
    <message id="MSG_RStatus2">
        <source>Verifying</source>
        <extracomment>Drive state 2 in progress; followed by a blank and a percentage</extracomment>
        <translation>Überprüfung</translation>
    </message>
    <message id="MSG_RStatus3">
        <source>Waiting for rebuild</source>
        <extracomment>A drive waits for its rebuild while the enclosure reports normal</extracomment>
        <translation>Wartet auf Wiederherstellung</translation>
    </message>
    <message id="MSG_RError">
        <source>Error: </source>
        <extracomment>Prefix of the error text; the plug-state text follows directly, so keep the trailing blank</extracomment>
        <translation>Fehler: </translation>
    </message>
    <message id="MSG_NoDisk">
        <source>No disk</source>
        <extracomment>Model field of an empty drive bay</extracomment>
        <translation>Kein Laufwerk</translation>
    </message>
    <message id="MSG_DiskFailed">
        <source>Failed: </source>
        <extracomment>Model field of a drive that is attached but has failed: put before the model name, so keep the trailing blank</extracomment>
        <translation>Ausgefallen: </translation>
    </message>
    <message id="MSG_FileMessage1">
        <source>The event log file was not read: its path leads to a folder, a device or a pipe instead of a file. Check the log file path in Settings.</source>
        <extracomment>Alert at launch when the event log path leads to something other than a regular file (a folder, a FIFO, a device)</extracomment>
        <translation>Die Ereignisprotokolldatei wurde nicht gelesen: Ihr Pfad führt zu einem Ordner, einem Gerät oder einer Pipe statt zu einer Datei. Prüfen Sie den Pfad der Protokolldatei in den Einstellungen.</translation>
    </message>
    <message id="MSG_FileMessage2">
        <source>The event log file could not be written. Check the log file path in Settings.</source>
        <extracomment>Alert when the event log file cannot be written</extracomment>
        <translation>Die Ereignisprotokolldatei konnte nicht geschrieben werden. Prüfen Sie den Pfad der Protokolldatei in den Einstellungen.</translation>
    </message>
    <message id="MSG_FileMessage3">
        <source>The event log file is larger than 16 MB: only its newest events were read.</source>
        <extracomment>Alert at launch when the event log file is too large to be read whole</extracomment>
        <translation>Die Ereignisprotokolldatei ist größer als 16 MB: Nur ihre neuesten Ereignisse wurden gelesen.</translation>
    </message>
    <message id="MSG_EnterPassword1">
        <source>Enter the administrator password. It is needed to shut down the computer when a rebuild has finished.</source>
        <extracomment>First request for the administrator password</extracomment>
        <translation>Geben Sie das Administratorpasswort ein. Es wird benötigt, um den Computer nach einer Wiederherstellung herunterzufahren.</translation>
    </message>
    <message id="MSG_EnterPassword2">
        <source>The password was not accepted. Enter the administrator password again.</source>
        <extracomment>Request after a rejected password</extracomment>
        <translation>Das Passwort wurde nicht angenommen. Geben Sie das Administratorpasswort erneut ein.</translation>
    </message>
    <message id="MSG_PasswordOK">
        <source>The password was accepted. The computer will shut down when a rebuild has finished.</source>
        <extracomment>Confirmation of the administrator password</extracomment>
        <translation>Das Passwort wurde angenommen. Der Computer wird nach Abschluss einer Wiederherstellung heruntergefahren.</translation>
    </message>
    <message id="MSG_TestMessage">
        <source>This is a test mail from TAMRO RAID MONITOR.</source>
        <extracomment>Body of the test mail</extracomment>
        <translation>Dies ist eine Testmail von TAMRO RAID MONITOR.</translation>
    </message>
    <message id="MSG_EndRebuildMessage">
        <source>The rebuild has finished.</source>
        <extracomment>Body line of the rebuild-complete mail</extracomment>
        <translation>Die Wiederherstellung ist abgeschlossen.</translation>
    </message>
    <message id="MSG_MailSuccess">
        <source>Mail was sent.</source>
        <extracomment>Event log entry (one CSV field): no comma and no line break</extracomment>
        <translation>Mail wurde gesendet.</translation>
    </message>
    <message id="MSG_MailFail">
        <source>Mail could not be sent.</source>
        <extracomment>Event log entry (one CSV field): no comma and no line break</extracomment>
        <translation>Mail konnte nicht gesendet werden.</translation>
    </message>
    <message id="MSG_TestMailSuccess">
        <source>The test mail was sent.</source>
        <extracomment>Status line of the settings window</extracomment>
        <translation>Die Testmail wurde gesendet.</translation>
    </message>
    <message id="MSG_TestMailFail">
        <source>The test mail could not be sent. Check the mail settings.</source>
        <extracomment>Status line of the settings window</extracomment>
        <translation>Die Testmail konnte nicht gesendet werden. Prüfen Sie die Mail-Einstellungen.</translation>
    </message>
    <message id="MSG_TestMailSending">
        <source>Sending the test mail...</source>
        <extracomment>Status line of the settings window while the test mail is on its way</extracomment>
        <translation>Senden der Testmail...</translation>
    </message>
    <message id="MSG_MailFailUnreachable">
        <source>The test mail was not sent. This mail server cannot be reached:</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>Die Testmail wurde nicht gesendet. Dieser Mailserver ist nicht erreichbar:</translation>
    </message>
    <message id="MSG_MailFailTimeout">
        <source>The test mail was not sent. This mail server did not answer in time:</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>Die Testmail wurde nicht gesendet. Dieser Mailserver hat nicht rechtzeitig geantwortet:</translation>
    </message>
    <message id="MSG_MailFailTLS">
        <source>The test mail was not sent. This mail server refused a secure connection (TLS):</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>Die Testmail wurde nicht gesendet. Dieser Mailserver hat eine sichere Verbindung (TLS) verweigert:</translation>
    </message>
    <message id="MSG_MailFailCertificate">
        <source>The test mail was not sent. The certificate of this mail server is not trusted:</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>Die Testmail wurde nicht gesendet. Dem Zertifikat dieses Mailservers wird nicht vertraut:</translation>
    </message>
    <message id="MSG_MailFailSignIn">
        <source>The test mail was not sent. Check the user name and password. This mail server refused the sign-in:</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>Die Testmail wurde nicht gesendet. Dieser Mailserver hat die Anmeldung abgelehnt (prüfen Sie Benutzername und Passwort):</translation>
    </message>
    <message id="MSG_MailFailRecipient">
        <source>The test mail was not sent. The mail server refused a recipient address.</source>
        <extracomment>Status line of the settings window</extracomment>
        <translation>Die Testmail wurde nicht gesendet. Der Mailserver hat eine Empfängeradresse abgelehnt.</translation>
    </message>
    <message id="MSG_MailFailTLSRequired">
        <source>The test mail was not sent. This mail server requires a secure connection (TLS) first:</source>
        <extracomment>Status line of the settings window, when the server answered 530 (TLS first); a blank and the server's name follow</extracomment>
        <translation>Die Testmail wurde nicht gesendet. Dieser Mailserver verlangt zuerst eine sichere Verbindung (TLS):</translation>
    </message>
    <message id="MSG_MailFailRelay">
        <source>The test mail was not sent. This mail server refuses to relay mail to these recipients:</source>
        <extracomment>Status line of the settings window, when the server answered 554 to a recipient (relaying refused); a blank and the server's name follow</extracomment>
        <translation>Die Testmail wurde nicht gesendet. Dieser Mailserver verweigert die Weiterleitung an diese Empfänger:</translation>
    </message>
    <message id="MSG_SMTPPasswordInKeyring">
        <source>kept in the keyring</source>
        <extracomment>Settings: beside the SMTP password, where it is kept</extracomment>
        <translation>im Schlüsselbund</translation>
    </message>
    <message id="MSG_SMTPPasswordInFile">
        <source>kept in the settings file</source>
        <extracomment>Settings: beside the SMTP password, where it is kept</extracomment>
        <translation>in der Einstellungsdatei</translation>
    </message>
    <message id="MSG_SMTPPasswordTooLong">
        <source>The SMTP password must not be longer than 256 bytes.</source>
        <extracomment>Settings: SMTP password limit</extracomment>
        <translation>Das SMTP-Passwort darf höchstens 256 Bytes lang sein.</translation>
    </message>
    <message id="UI_StatusWindowTitle">
        <source>RAID Status</source>
        <extracomment>Window title</extracomment>
        <translation>RAID-Status</translation>
    </message>
    <message id="UI_SettingsWindowTitle">
        <source>Settings</source>
        <extracomment>Window title</extracomment>
        <translation>Einstellungen</translation>
    </message>
    <message id="UI_LogWindowTitle">
        <source>Event Log</source>
        <extracomment>Window title</extracomment>
        <translation>Ereignisprotokoll</translation>
    </message>
    <message id="UI_MenuStatus">
        <source>Status Window...</source>
        <extracomment>Tray menu</extracomment>
        <translation>Statusfenster...</translation>
    </message>
    <message id="UI_MenuLog">
        <source>Event Log...</source>
        <extracomment>Tray menu</extracomment>
        <translation>Ereignisprotokoll...</translation>
    </message>
    <message id="UI_MenuSettings">
        <source>Settings...</source>
        <extracomment>Tray menu</extracomment>
        <translation>Einstellungen...</translation>
    </message>
    <message id="UI_MenuHelp">
        <source>Help</source>
        <extracomment>Tray menu</extracomment>
        <translation>Hilfe</translation>
    </message>
    <message id="UI_MenuQuit">
        <source>Quit TAMRO RAID MONITOR</source>
        <extracomment>Tray menu</extracomment>
        <translation>TAMRO RAID MONITOR beenden</translation>
    </message>
    <message id="UI_Rescan">
        <source>Rescan</source>
        <extracomment>Button</extracomment>
        <translation>Neu suchen</translation>
    </message>
    <message id="UI_Close">
        <source>Close</source>
        <extracomment>Button</extracomment>
        <translation>Schließen</translation>
    </message>
    <message id="UI_Ok">
        <source>OK</source>
        <extracomment>Button</extracomment>
        <translation>OK</translation>
    </message>
    <message id="UI_Cancel">
        <source>Cancel</source>
        <extracomment>Button</extracomment>
        <translation>Abbrechen</translation>
    </message>
    <message id="UI_TestMail">
        <source>Send Test Mail</source>
        <extracomment>Button in the settings window</extracomment>
        <translation>Testmail senden</translation>
    </message>
    <message id="UI_Choose">
        <source>Choose...</source>
        <extracomment>Button that opens the save dialog for the log file</extracomment>
        <translation>Auswählen...</translation>
    </message>
    <message id="UI_DeviceList">
        <source>Devices</source>
        <extracomment>Title of the device list</extracomment>
        <translation>Geräte</translation>
    </message>
    <message id="UI_Mode">
        <source>Mode:</source>
        <extracomment>Status window label</extracomment>
        <translation>Modus:</translation>
    </message>
    <message id="UI_Rebuild">
        <source>Rebuild:</source>
        <extracomment>Status window label</extracomment>
        <translation>Wiederherstellung:</translation>
    </message>
    <message id="UI_Disk1">
        <source>Disk 1</source>
        <extracomment>Status window: pane of the upper drive</extracomment>
        <translation>Laufwerk 1</translation>
    </message>
    <message id="UI_Disk2">
        <source>Disk 2</source>
        <extracomment>Status window: pane of the lower drive</extracomment>
        <translation>Laufwerk 2</translation>
    </message>
    <message id="UI_Model">
        <source>Model:</source>
        <extracomment>Status window label</extracomment>
        <translation>Modell:</translation>
    </message>
    <message id="UI_Size">
        <source>Size:</source>
        <extracomment>Status window label</extracomment>
        <translation>Größe:</translation>
    </message>
    <message id="UI_Difference">
        <source>Difference:</source>
        <extracomment>Status window label: capacity difference</extracomment>
        <translation>Differenz:</translation>
    </message>
    <message id="UI_StateWaiting">
        <source>Waiting for the storage service</source>
        <extracomment>Tray tooltip: nothing evaluated yet</extracomment>
        <translation>Warte auf den Speicherdienst</translation>
    </message>
    <message id="UI_StateHealthy">
        <source>working normally</source>
        <extracomment>Tray tooltip: the state of one enclosure, after its name and a colon</extracomment>
        <translation>arbeitet normal</translation>
    </message>
    <message id="UI_StateProblem">
        <source>needs attention</source>
        <extracomment>Tray tooltip: the state of one enclosure, after its name and a colon</extracomment>
        <translation>benötigt Aufmerksamkeit</translation>
    </message>
    <message id="UI_StateRebuilding">
        <source>rebuilding</source>
        <extracomment>Tray tooltip: the state of one enclosure, after its name and a colon</extracomment>
        <translation>Wiederherstellung läuft</translation>
    </message>
    <message id="UI_NoService">
        <source>The storage service is not reachable</source>
        <extracomment>Tray tooltip / status window</extracomment>
        <translation>Der Speicherdienst ist nicht erreichbar</translation>
    </message>
    <message id="UI_NotifyProblem">
        <source>A problem was found. Open the status window for details.</source>
        <extracomment>Tray notification</extracomment>
        <translation>Ein Problem wurde gefunden. Details zeigt das Statusfenster.</translation>
    </message>
    <message id="UI_NotifyRebuildDone">
        <source>A rebuild has finished.</source>
        <extracomment>Tray notification</extracomment>
        <translation>Eine Wiederherstellung ist abgeschlossen.</translation>
    </message>
    <message id="UI_SendMail">
        <source>Send a mail when a problem is found</source>
        <extracomment>Settings check box</extracomment>
        <translation>Bei einem Problem eine Mail senden</translation>
    </message>
    <message id="UI_SendRebuildMail">
        <source>Send a mail when a rebuild has finished</source>
        <extracomment>Settings check box</extracomment>
        <translation>Nach einer Wiederherstellung eine Mail senden</translation>
    </message>
    <message id="UI_SMTPServer">
        <source>SMTP server:</source>
        <extracomment>Settings label</extracomment>
        <translation>SMTP-Server:</translation>
    </message>
    <message id="UI_SMTPPort">
        <source>SMTP port:</source>
        <extracomment>Settings label</extracomment>
        <translation>SMTP-Port:</translation>
    </message>
    <message id="UI_From">
        <source>From:</source>
        <extracomment>Settings label</extracomment>
        <translation>Von:</translation>
    </message>
    <message id="UI_To1">
        <source>To 1:</source>
        <extracomment>Settings label: first recipient</extracomment>
        <translation>An 1:</translation>
    </message>
    <message id="UI_To2">
        <source>To 2:</source>
        <extracomment>Settings label: second recipient</extracomment>
        <translation>An 2:</translation>
    </message>
    <message id="UI_To3">
        <source>To 3:</source>
        <extracomment>Settings label: third recipient</extracomment>
        <translation>An 3:</translation>
    </message>
    <message id="UI_Subject">
        <source>Subject:</source>
        <extracomment>Settings label</extracomment>
        <translation>Betreff:</translation>
    </message>
    <message id="UI_POPbSMTP">
        <source>Log in to a POP3 server before sending (POP before SMTP)</source>
        <extracomment>Settings check box</extracomment>
        <translation>Vor dem Senden am POP3-Server anmelden (POP before SMTP)</translation>
    </message>
    <message id="UI_POP3Server">
        <source>POP3 server:</source>
        <extracomment>Settings label</extracomment>
        <translation>POP3-Server:</translation>
    </message>
    <message id="UI_POP3Port">
        <source>POP3 port:</source>
        <extracomment>Settings label</extracomment>
        <translation>POP3-Port:</translation>
    </message>
    <message id="UI_Username">
        <source>User name:</source>
        <extracomment>Settings label</extracomment>
        <translation>Benutzername:</translation>
    </message>
    <message id="UI_Password">
        <source>Password:</source>
        <extracomment>Settings label</extracomment>
        <translation>Passwort:</translation>
    </message>
    <message id="UI_LoginItem">
        <source>Start TAMRO RAID MONITOR at login</source>
        <extracomment>Settings check box</extracomment>
        <translation>TAMRO RAID MONITOR bei der Anmeldung starten</translation>
    </message>
    <message id="UI_MakeLog">
        <source>Keep an event log</source>
        <extracomment>Settings check box</extracomment>
        <translation>Ereignisprotokoll führen</translation>
    </message>
    <message id="UI_LogFilePath">
        <source>Log file:</source>
        <extracomment>Settings label</extracomment>
        <translation>Protokolldatei:</translation>
    </message>
    <message id="UI_DispPanel">
        <source>Show a notice when a problem is found</source>
        <extracomment>Settings check box</extracomment>
        <translation>Bei einem Problem einen Hinweis anzeigen</translation>
    </message>
    <message id="UI_Shutdown">
        <source>Shut down the computer when a rebuild has finished</source>
        <extracomment>Settings check box</extracomment>
        <translation>Computer nach einer Wiederherstellung herunterfahren</translation>
    </message>
    <message id="UI_GroupMail">
        <source>E-mail notification</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>E-Mail-Benachrichtigung</translation>
    </message>
    <message id="UI_GroupPOP">
        <source>POP before SMTP</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>POP vor SMTP</translation>
    </message>
    <message id="UI_GroupLog">
        <source>Event log</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>Ereignisprotokoll</translation>
    </message>
    <message id="UI_GroupOptions">
        <source>Options</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>Optionen</translation>
    </message>
    <message id="UI_PasswordTooLong">
        <source>The password must be shorter than 30 bytes.</source>
        <extracomment>Settings: stored mail password limit</extracomment>
        <translation>Das Passwort muss kürzer als 30 Bytes sein.</translation>
    </message>
    <message id="UI_TabMailServer">
        <source>Server and sign-in</source>
        <extracomment>Settings: page of the mail group</extracomment>
        <translation>Server und Anmeldung</translation>
    </message>
    <message id="UI_TabMailMessage">
        <source>Message</source>
        <extracomment>Settings: page of the mail group</extracomment>
        <translation>Nachricht</translation>
    </message>
    <message id="UI_SMTPSecurity">
        <source>Security:</source>
        <extracomment>Settings: label of the SMTP connection's protection</extracomment>
        <translation>Sicherheit:</translation>
    </message>
    <message id="UI_SecurityIfOffered">
        <source>STARTTLS if offered</source>
        <extracomment>Settings: SMTP security choice (default)</extracomment>
        <translation>STARTTLS, wenn angeboten</translation>
    </message>
    <message id="UI_SecurityNone">
        <source>None</source>
        <extracomment>Settings: SMTP security choice</extracomment>
        <translation>Keine</translation>
    </message>
    <message id="UI_SecurityStartTLS">
        <source>STARTTLS</source>
        <extracomment>Settings: SMTP security choice (required)</extracomment>
        <translation>STARTTLS</translation>
    </message>
    <message id="UI_SecurityTLS">
        <source>SSL/TLS</source>
        <extracomment>Settings: SMTP security choice (implicit TLS)</extracomment>
        <translation>SSL/TLS</translation>
    </message>
    <message id="UI_SMTPCAFile">
        <source>CA file:</source>
        <extracomment>Settings: extra certificate authority file for the mail server</extracomment>
        <translation>CA-Datei:</translation>
    </message>
    <message id="UI_SMTPAuth">
        <source>Sign in as:</source>
        <extracomment>Settings: check-box before the SMTP sign-in user name</extracomment>
        <translation>Anmelden als:</translation>
    </message>
    <message id="UI_SMTPPassword">
        <source>Password:</source>
        <extracomment>Settings: SMTP sign-in password</extracomment>
        <translation>Passwort:</translation>
    </message>
    <message id="UI_ColNo">
        <source>No.</source>
        <extracomment>Event log column</extracomment>
        <translation>Nr.</translation>
    </message>
    <message id="UI_ColTime">
        <source>Time</source>
        <extracomment>Event log column</extracomment>
        <translation>Zeit</translation>
    </message>
    <message id="UI_ColDevice">
        <source>Device</source>
        <extracomment>Event log column</extracomment>
        <translation>Gerät</translation>
    </message>
    <message id="UI_ColMode">
        <source>Mode</source>
        <extracomment>Event log column</extracomment>
        <translation>Modus</translation>
    </message>
    <message id="UI_ColExecInfo">
        <source>Event</source>
        <extracomment>Event log column</extracomment>
        <translation>Ereignis</translation>
    </message>
    <message id="MSG_AlertReminder">
        <source>Reminder: this problem was first reported on</source>
        <extracomment>Line of a reminder mail or push, followed by the time of the first report</extracomment>
        <translation>Erinnerung: Dieses Problem wurde zuerst gemeldet am</translation>
    </message>
    <message id="MSG_AlertsHeldBack">
        <source>Alerts about this enclosure held back since the last one (too many in a short time):</source>
        <extracomment>Line of an alert, followed by a count</extracomment>
        <translation>Seit der letzten zurückgehaltene Meldungen zu diesem Gehäuse (zu viele in kurzer Zeit):</translation>
    </message>
    <message id="MSG_AlertServiceDown">
        <source>The storage service cannot be reached. The state of the enclosures is unknown until it answers again.</source>
        <extracomment>Mail and push when the storage service stays out of reach</extracomment>
        <translation>Der Speicherdienst ist nicht erreichbar. Der Zustand der Gehäuse ist unbekannt, bis er wieder antwortet.</translation>
    </message>
    <message id="MSG_AlertServiceBack">
        <source>The storage service answers again.</source>
        <extracomment>Mail and push when the storage service is back</extracomment>
        <translation>Der Speicherdienst antwortet wieder.</translation>
    </message>
    <message id="MSG_WebhookSuccess">
        <source>Web notification was sent successfully.</source>
        <extracomment>Event log message</extracomment>
        <translation>Web-Benachrichtigung wurde gesendet.</translation>
    </message>
    <message id="MSG_WebhookFail">
        <source>Web notification could not be sent.</source>
        <extracomment>Event log message, followed by the reason in brackets</extracomment>
        <translation>Web-Benachrichtigung konnte nicht gesendet werden.</translation>
    </message>
    <message id="MSG_WebhookTestSending">
        <source>Sending the test notification...</source>
        <extracomment>Settings: status line of the webhook</extracomment>
        <translation>Test-Benachrichtigung wird gesendet ...</translation>
    </message>
    <message id="MSG_WebhookTestSuccess">
        <source>The test notification was sent.</source>
        <extracomment>Settings: status line of the webhook</extracomment>
        <translation>Die Test-Benachrichtigung wurde gesendet.</translation>
    </message>
    <message id="MSG_WebhookTestFail">
        <source>The test notification could not be sent:</source>
        <extracomment>Settings: status line of the webhook, followed by the reason</extracomment>
        <translation>Die Test-Benachrichtigung konnte nicht gesendet werden:</translation>
    </message>
    <message id="MSG_WebhookTokenTooLong">
        <source>The access token is too long (at most 256 bytes).</source>
        <extracomment>Alert at OK in the settings window</extracomment>
        <translation>Das Zugriffstoken ist zu lang (höchstens 256 Bytes).</translation>
    </message>
    <message id="UI_TabMail">
        <source>Mail</source>
        <extracomment>Settings: page</extracomment>
        <translation>E-Mail</translation>
    </message>
    <message id="UI_TabNotifications">
        <source>Notifications</source>
        <extracomment>Settings: page</extracomment>
        <translation>Benachrichtigungen</translation>
    </message>
    <message id="UI_TabEventLog">
        <source>Event log</source>
        <extracomment>Settings: page</extracomment>
        <translation>Ereignisprotokoll</translation>
    </message>
    <message id="UI_TabOptions">
        <source>Options</source>
        <extracomment>Settings: page</extracomment>
        <translation>Optionen</translation>
    </message>
    <message id="UI_GroupNotifications">
        <source>At the desk</source>
        <extracomment>Settings: group of the notice panel, desktop notifications and reminders</extracomment>
        <translation>Am Arbeitsplatz</translation>
    </message>
    <message id="UI_DesktopNotifications">
        <source>Show desktop notifications</source>
        <extracomment>Settings: check-box</extracomment>
        <translation>Desktop-Benachrichtigungen anzeigen</translation>
    </message>
    <message id="UI_ReminderHours">
        <source>Repeat problem alerts:</source>
        <extracomment>Settings: label of the reminder list</extracomment>
        <translation>Problemmeldungen wiederholen:</translation>
    </message>
    <message id="UI_ReminderOff">
        <source>Never</source>
        <extracomment>Settings: reminder interval</extracomment>
        <translation>Nie</translation>
    </message>
    <message id="UI_ReminderEvery1">
        <source>Every hour</source>
        <extracomment>Settings: reminder interval</extracomment>
        <translation>Stündlich</translation>
    </message>
    <message id="UI_ReminderEvery6">
        <source>Every 6 hours</source>
        <extracomment>Settings: reminder interval</extracomment>
        <translation>Alle 6 Stunden</translation>
    </message>
    <message id="UI_ReminderEvery24">
        <source>Every 24 hours</source>
        <extracomment>Settings: reminder interval</extracomment>
        <translation>Alle 24 Stunden</translation>
    </message>
    <message id="UI_GroupWebhook">
        <source>Push to phone or chat (webhook)</source>
        <extracomment>Settings: group</extracomment>
        <translation>Push an Telefon oder Chat (Webhook)</translation>
    </message>
    <message id="UI_WebhookEnabled">
        <source>Send a web notification</source>
        <extracomment>Settings: check-box</extracomment>
        <translation>Web-Benachrichtigung senden</translation>
    </message>
    <message id="UI_WebhookURL">
        <source>URL:</source>
        <extracomment>Settings: label</extracomment>
        <translation>URL:</translation>
    </message>
    <message id="UI_WebhookFormat">
        <source>Format:</source>
        <extracomment>Settings: label</extracomment>
        <translation>Format:</translation>
    </message>
    <message id="UI_WebhookFormatJson">
        <source>JSON</source>
        <extracomment>Settings: webhook format</extracomment>
        <translation>JSON</translation>
    </message>
    <message id="UI_WebhookFormatNtfy">
        <source>ntfy (push to phones)</source>
        <extracomment>Settings: webhook format</extracomment>
        <translation>ntfy (Push an Telefone)</translation>
    </message>
    <message id="UI_WebhookToken">
        <source>Access token:</source>
        <extracomment>Settings: label</extracomment>
        <translation>Zugriffstoken:</translation>
    </message>
    <message id="UI_TestWebhook">
        <source>Send Test</source>
        <extracomment>Settings: button</extracomment>
        <translation>Test senden</translation>
    </message>
    <message id="UI_GroupMetrics">
        <source>Prometheus</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>Prometheus</translation>
    </message>
    <message id="UI_ExportMetrics">
        <source>Write the state for Prometheus (node_exporter textfile collector)</source>
        <extracomment>Settings check-box</extracomment>
        <translation>Zustand für Prometheus schreiben (Textfile-Collector von node_exporter)</translation>
    </message>
    <message id="UI_MetricsFolder">
        <source>Metrics folder:</source>
        <extracomment>Settings label: the folder node_exporter reads</extracomment>
        <translation>Metrik-Ordner:</translation>
    </message>
</context>
</TS>

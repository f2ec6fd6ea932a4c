<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES">
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
        <translation>Esta versión del sistema operativo no es compatible. TAMRO RAID MONITOR se cerrará.</translation>
    </message>
    <message id="MSG_ErrorMessage2">
        <source>Cannot connect to the storage service. Make sure it is running, then choose Rescan.</source>
        <extracomment>Alert after the connection to the storage service failed</extracomment>
        <translation>No se puede conectar con el servicio de almacenamiento. Compruebe que está en ejecución y elija «Volver a buscar».</translation>
    </message>
    <message id="MSG_ErrorMessage3">
        <source>More than 8 RAID enclosures are connected. TAMRO RAID MONITOR can watch up to 8 and will now quit.</source>
        <extracomment>Alert before the program quits because of too many enclosures</extracomment>
        <translation>Hay más de 8 cajas RAID conectadas. TAMRO RAID MONITOR puede vigilar 8 como máximo y se cerrará ahora.</translation>
    </message>
    <message id="MSG_QuitMessage">
        <source>Quit TAMRO RAID MONITOR? Your RAID enclosures will no longer be watched.</source>
        <extracomment>Question of the quit panel</extracomment>
        <translation>¿Salir de TAMRO RAID MONITOR? Sus cajas RAID dejarán de estar vigiladas.</translation>
    </message>
    <message id="MSG_HelpFileName">
        <source>TAMRO RAID MONITOR Help</source>
        <extracomment>Base name of the help file, without .html; a file of this name must exist in the help folder</extracomment>
        <translation>TAMRO RAID MONITOR Ayuda</translation>
    </message>
    <message id="MSG_MailSubject">
        <source>TAMRO RAID MONITOR notification</source>
        <extracomment>Default mail subject</extracomment>
        <translation>Notificación de TAMRO RAID MONITOR</translation>
    </message>
    <message id="MSG_DiskCheck">
        <source>
Please check the enclosure and its drives.</source>
        <extracomment>Appended directly after the plug-state text in the notice and the problem mail; starts with a line break</extracomment>
        <translation>
Compruebe la caja y sus discos.</translation>
    </message>
    <message id="MSG_DiskInfo1">
        <source>Disk 1 is not connected.</source>
        <extracomment>Plug state: drive 1 (upper bay) missing</extracomment>
        <translation>El disco 1 no está conectado.</translation>
    </message>
    <message id="MSG_DiskInfo2">
        <source>Disk 2 is not connected.</source>
        <extracomment>Plug state: drive 2 (lower bay) missing</extracomment>
        <translation>El disco 2 no está conectado.</translation>
    </message>
    <message id="MSG_DiskInfo3">
        <source>Disks 1 and 2 are not connected.</source>
        <extracomment>Plug state: both drives missing</extracomment>
        <translation>Los discos 1 y 2 no están conectados.</translation>
    </message>
    <message id="MSG_DiskInfo4">
        <source>No device found.</source>
        <extracomment>Plug state: no enclosure found or configuration failed</extracomment>
        <translation>No se encontró ningún dispositivo.</translation>
    </message>
    <message id="MSG_DiskInfo5">
        <source>Disk 1 has failed.</source>
        <extracomment>Plug state: drive 1 (upper bay) is attached but has failed</extracomment>
        <translation>El disco 1 ha fallado.</translation>
    </message>
    <message id="MSG_DiskInfo6">
        <source>Disk 2 has failed.</source>
        <extracomment>Plug state: drive 2 (lower bay) is attached but has failed</extracomment>
        <translation>El disco 2 ha fallado.</translation>
    </message>
    <message id="MSG_DiskInfo7">
        <source>Disks 1 and 2 have failed.</source>
        <extracomment>Plug state: both drives are attached but have failed</extracomment>
        <translation>Los discos 1 y 2 han fallado.</translation>
    </message>
    <message id="MSG_Mode0">
        <source>JBOD / Spanning</source>
        <extracomment>RAID mode 0</extracomment>
        <translation>JBOD / Concatenación</translation>
    </message>
    <message id="MSG_Mode1">
        <source>RAID 1 (Mirroring)</source>
        <extracomment>RAID mode 1</extracomment>
        <translation>RAID 1 (Espejo)</translation>
    </message>
    <message id="MSG_Mode2">
        <source>RAID 0 (Striping)</source>
        <extracomment>RAID mode 2</extracomment>
        <translation>RAID 0 (Distribución en bandas)</translation>
    </message>
    <message id="MSG_Mode3">
        <source>Separate drives</source>
        <extracomment>RAID mode 3</extracomment>
        <translation>Discos independientes</translation>
    </message>
    <message id="MSG_ModeNoDisk">
        <source>No volume</source>
        <extracomment>Mode text when the enclosure has no volume</extracomment>
        <translation>Sin volumen</translation>
    </message>
    <message id="MSG_RStatus0">
        <source>Normal</source>
        <extracomment>Rebuild state: normal</extracomment>
        <translation>Normal</translation>
    </message>
    <message id="MSG_RStatus1">
        <source>Rebuilding</source>
        <extracomment>Drive state 1 in progress; followed by a blank and a percentage</extracomment>
        <translation>Reconstruyendo</translation>
    </message>
    <message id="MSG_RStatus2">
        <source>Verifying</source>
        <extracomment>Drive state 2 in progress; followed by a blank and a percentage</extracomment>
        <translation>Verificando</translation>
    </message>
    <message id="MSG_RStatus3">
        <source>Waiting for rebuild</source>
        <extracomment>A drive waits for its rebuild while the enclosure reports normal</extracomment>
        <translation>Esperando la reconstrucción</translation>
    </message>
    <message id="MSG_RError">
        <source>Error: </source>
        <extracomment>Prefix of the error text; the plug-state text follows directly, so keep the trailing blank</extracomment>
        <translation>Error: </translation>
    </message>
    <message id="MSG_NoDisk">
        <source>No disk</source>
        <extracomment>Model field of an empty drive bay</extracomment>
        <translation>Sin disco</translation>
    </message>
    <message id="MSG_DiskFailed">
        <source>Failed: </source>
        <extracomment>Model field of a drive that is attached but has failed: put before the model name, so keep the trailing blank</extracomment>
        <translation>Averiado: </translation>
    </message>
    <message id="MSG_FileMessage1">
        <source>The event log file was not read: its path leads to a folder, a device or a pipe instead of a file. Check the log file path in Settings.</source>
        <extracomment>Alert at launch when the event log path leads to something other than a regular file (a folder, a FIFO, a device)</extracomment>
        <translation>No se leyó el archivo del registro de eventos: su ruta lleva a una carpeta, un dispositivo o una tubería en lugar de a un archivo. Compruebe la ruta del archivo de registro en Configuración.</translation>
    </message>
    <message id="MSG_FileMessage2">
        <source>The event log file could not be written. Check the log file path in Settings.</source>
        <extracomment>Alert when the event log file cannot be written</extracomment>
        <translation>No se pudo escribir el archivo del registro de eventos. Compruebe la ruta del archivo de registro en Configuración.</translation>
    </message>
    <message id="MSG_FileMessage3">
        <source>The event log file is larger than 16 MB: only its newest events were read.</source>
        <extracomment>Alert at launch when the event log file is too large to be read whole</extracomment>
        <translation>El archivo del registro de eventos ocupa más de 16 MB: solo se leyeron sus eventos más recientes.</translation>
    </message>
    <message id="MSG_EnterPassword1">
        <source>Enter the administrator password. It is needed to shut down the computer when a rebuild has finished.</source>
        <extracomment>First request for the administrator password</extracomment>
        <translation>Introduzca la contraseña de administrador. Se necesita para apagar el equipo cuando termine una reconstrucción.</translation>
    </message>
    <message id="MSG_EnterPassword2">
        <source>The password was not accepted. Enter the administrator password again.</source>
        <extracomment>Request after a rejected password</extracomment>
        <translation>No se aceptó la contraseña. Vuelva a introducir la contraseña de administrador.</translation>
    </message>
    <message id="MSG_PasswordOK">
        <source>The password was accepted. The computer will shut down when a rebuild has finished.</source>
        <extracomment>Confirmation of the administrator password</extracomment>
        <translation>Se aceptó la contraseña. El equipo se apagará cuando termine una reconstrucción.</translation>
    </message>
    <message id="MSG_TestMessage">
        <source>This is a test mail from TAMRO RAID MONITOR.</source>
        <extracomment>Body of the test mail</extracomment>
        <translation>Este es un correo de prueba de TAMRO RAID MONITOR.</translation>
    </message>
    <message id="MSG_EndRebuildMessage">
        <source>The rebuild has finished.</source>
        <extracomment>Body line of the rebuild-complete mail</extracomment>
        <translation>La reconstrucción ha terminado.</translation>
    </message>
    <message id="MSG_MailSuccess">
        <source>Mail was sent.</source>
        <extracomment>Event log entry (one CSV field): no comma and no line break</extracomment>
        <translation>Se envió el correo.</translation>
    </message>
    <message id="MSG_MailFail">
        <source>Mail could not be sent.</source>
        <extracomment>Event log entry (one CSV field): no comma and no line break</extracomment>
        <translation>No se pudo enviar el correo.</translation>
    </message>
    <message id="MSG_TestMailSuccess">
        <source>The test mail was sent.</source>
        <extracomment>Status line of the settings window</extracomment>
        <translation>Se envió el correo de prueba.</translation>
    </message>
    <message id="MSG_TestMailFail">
        <source>The test mail could not be sent. Check the mail settings.</source>
        <extracomment>Status line of the settings window</extracomment>
        <translation>No se pudo enviar el correo de prueba. Compruebe la configuración del correo.</translation>
    </message>
    <message id="MSG_TestMailSending">
        <source>Sending the test mail...</source>
        <extracomment>Status line of the settings window while the test mail is on its way</extracomment>
        <translation>Enviando el correo de prueba...</translation>
    </message>
    <message id="MSG_MailFailUnreachable">
        <source>The test mail was not sent. This mail server cannot be reached:</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>No se envió el correo de prueba. No se puede acceder a este servidor de correo:</translation>
    </message>
    <message id="MSG_MailFailTimeout">
        <source>The test mail was not sent. This mail server did not answer in time:</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>No se envió el correo de prueba. Este servidor de correo no respondió a tiempo:</translation>
    </message>
    <message id="MSG_MailFailTLS">
        <source>The test mail was not sent. This mail server refused a secure connection (TLS):</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>No se envió el correo de prueba. Este servidor de correo rechazó una conexión segura (TLS):</translation>
    </message>
    <message id="MSG_MailFailCertificate">
        <source>The test mail was not sent. The certificate of this mail server is not trusted:</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>No se envió el correo de prueba. El certificado de este servidor de correo no es de confianza:</translation>
    </message>
    <message id="MSG_MailFailSignIn">
        <source>The test mail was not sent. This mail server refused the sign-in (check the user name and password):</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>No se envió el correo de prueba. Este servidor de correo rechazó el inicio de sesión (compruebe el nombre de usuario y la contraseña):</translation>
    </message>
    <message id="MSG_MailFailRecipient">
        <source>The test mail was not sent. The mail server refused a recipient address.</source>
        <extracomment>Status line of the settings window</extracomment>
        <translation>No se envió el correo de prueba. El servidor de correo rechazó una dirección de destinatario.</translation>
    </message>
    <message id="MSG_MailFailTLSRequired">
        <source>The test mail was not sent. This mail server requires a secure connection (TLS) first:</source>
        <extracomment>Status line of the settings window, when the server answered 530 (TLS first); a blank and the server's name follow</extracomment>
        <translation>El correo de prueba no se envió. Este servidor de correo exige primero una conexión segura (TLS):</translation>
    </message>
    <message id="MSG_MailFailRelay">
        <source>The test mail was not sent. This mail server refuses to relay mail to these recipients:</source>
        <extracomment>Status line of the settings window, when the server answered 554 to a recipient (relaying refused); a blank and the server's name follow</extracomment>
        <translation>El correo de prueba no se envió. Este servidor de correo se niega a reenviar el correo a estos destinatarios:</translation>
    </message>
    <message id="MSG_SMTPPasswordInKeyring">
        <source>kept in the keyring</source>
        <extracomment>Settings: beside the SMTP password, where it is kept</extracomment>
        <translation>guardada en el depósito de claves</translation>
    </message>
    <message id="MSG_SMTPPasswordInFile">
        <source>kept in the settings file</source>
        <extracomment>Settings: beside the SMTP password, where it is kept</extracomment>
        <translation>guardada en el archivo de configuración</translation>
    </message>
    <message id="MSG_SMTPPasswordTooLong">
        <source>The SMTP password must not be longer than 256 bytes.</source>
        <extracomment>Settings: SMTP password limit</extracomment>
        <translation>La contraseña SMTP no puede superar los 256 bytes.</translation>
    </message>
    <message id="UI_StatusWindowTitle">
        <source>RAID Status</source>
        <extracomment>Window title</extracomment>
        <translation>Estado del RAID</translation>
    </message>
    <message id="UI_SettingsWindowTitle">
        <source>Settings</source>
        <extracomment>Window title</extracomment>
        <translation>Configuración</translation>
    </message>
    <message id="UI_LogWindowTitle">
        <source>Event Log</source>
        <extracomment>Window title</extracomment>
        <translation>Registro de eventos</translation>
    </message>
    <message id="UI_MenuStatus">
        <source>Status Window...</source>
        <extracomment>Tray menu</extracomment>
        <translation>Ventana de estado...</translation>
    </message>
    <message id="UI_MenuLog">
        <source>Event Log...</source>
        <extracomment>Tray menu</extracomment>
        <translation>Registro de eventos...</translation>
    </message>
    <message id="UI_MenuSettings">
        <source>Settings...</source>
        <extracomment>Tray menu</extracomment>
        <translation>Configuración...</translation>
    </message>
    <message id="UI_MenuHelp">
        <source>Help</source>
        <extracomment>Tray menu</extracomment>
        <translation>Ayuda</translation>
    </message>
    <message id="UI_MenuQuit">
        <source>Quit TAMRO RAID MONITOR</source>
        <extracomment>Tray menu</extracomment>
        <translation>Salir de TAMRO RAID MONITOR</translation>
    </message>
    <message id="UI_Rescan">
        <source>Rescan</source>
        <extracomment>Button</extracomment>
        <translation>Volver a buscar</translation>
    </message>
    <message id="UI_Close">
        <source>Close</source>
        <extracomment>Button</extracomment>
        <translation>Cerrar</translation>
    </message>
    <message id="UI_Ok">
        <source>OK</source>
        <extracomment>Button</extracomment>
        <translation>Aceptar</translation>
    </message>
    <message id="UI_Cancel">
        <source>Cancel</source>
        <extracomment>Button</extracomment>
        <translation>Cancelar</translation>
    </message>
    <message id="UI_TestMail">
        <source>Send Test Mail</source>
        <extracomment>Button in the settings window</extracomment>
        <translation>Enviar correo de prueba</translation>
    </message>
    <message id="UI_Choose">
        <source>Choose...</source>
        <extracomment>Button that opens the save dialog for the log file</extracomment>
        <translation>Elegir...</translation>
    </message>
    <message id="UI_DeviceList">
        <source>Devices</source>
        <extracomment>Title of the device list</extracomment>
        <translation>Dispositivos</translation>
    </message>
    <message id="UI_Mode">
        <source>Mode:</source>
        <extracomment>Status window label</extracomment>
        <translation>Modo:</translation>
    </message>
    <message id="UI_Rebuild">
        <source>Rebuild:</source>
        <extracomment>Status window label</extracomment>
        <translation>Reconstrucción:</translation>
    </message>
    <message id="UI_Disk1">
        <source>Disk 1</source>
        <extracomment>Status window: pane of the upper drive</extracomment>
        <translation>Disco 1</translation>
    </message>
    <message id="UI_Disk2">
        <source>Disk 2</source>
        <extracomment>Status window: pane of the lower drive</extracomment>
        <translation>Disco 2</translation>
    </message>
    <message id="UI_Model">
        <source>Model:</source>
        <extracomment>Status window label</extracomment>
        <translation>Modelo:</translation>
    </message>
    <message id="UI_Size">
        <source>Size:</source>
        <extracomment>Status window label</extracomment>
        <translation>Tamaño:</translation>
    </message>
    <message id="UI_Difference">
        <source>Difference:</source>
        <extracomment>Status window label: capacity difference</extracomment>
        <translation>Diferencia:</translation>
    </message>
    <message id="UI_StateWaiting">
        <source>Waiting for the storage service</source>
        <extracomment>Tray tooltip: nothing evaluated yet</extracomment>
        <translation>Esperando al servicio de almacenamiento</translation>
    </message>
    <message id="UI_StateHealthy">
        <source>working normally</source>
        <extracomment>Tray tooltip: the state of one enclosure, after its name and a colon</extracomment>
        <translation>funciona con normalidad</translation>
    </message>
    <message id="UI_StateProblem">
        <source>needs attention</source>
        <extracomment>Tray tooltip: the state of one enclosure, after its name and a colon</extracomment>
        <translation>requiere atención</translation>
    </message>
    <message id="UI_StateRebuilding">
        <source>rebuilding</source>
        <extracomment>Tray tooltip: the state of one enclosure, after its name and a colon</extracomment>
        <translation>reconstruyendo</translation>
    </message>
    <message id="UI_NoService">
        <source>The storage service is not reachable</source>
        <extracomment>Tray tooltip / status window</extracomment>
        <translation>No se puede acceder al servicio de almacenamiento</translation>
    </message>
    <message id="UI_NotifyProblem">
        <source>A problem was found. Open the status window for details.</source>
        <extracomment>Tray notification</extracomment>
        <translation>Se detectó un problema. Abra la ventana de estado para ver los detalles.</translation>
    </message>
    <message id="UI_NotifyRebuildDone">
        <source>A rebuild has finished.</source>
        <extracomment>Tray notification</extracomment>
        <translation>Ha terminado una reconstrucción.</translation>
    </message>
    <message id="UI_SendMail">
        <source>Send a mail when a problem is found</source>
        <extracomment>Settings check box</extracomment>
        <translation>Enviar un correo cuando se detecte un problema</translation>
    </message>
    <message id="UI_SendRebuildMail">
        <source>Send a mail when a rebuild has finished</source>
        <extracomment>Settings check box</extracomment>
        <translation>Enviar un correo cuando termine una reconstrucción</translation>
    </message>
    <message id="UI_SMTPServer">
        <source>SMTP server:</source>
        <extracomment>Settings label</extracomment>
        <translation>Servidor SMTP:</translation>
    </message>
    <message id="UI_SMTPPort">
        <source>SMTP port:</source>
        <extracomment>Settings label</extracomment>
        <translation>Puerto SMTP:</translation>
    </message>
    <message id="UI_From">
        <source>From:</source>
        <extracomment>Settings label</extracomment>
        <translation>De:</translation>
    </message>
    <message id="UI_To1">
        <source>To 1:</source>
        <extracomment>Settings label: first recipient</extracomment>
        <translation>Para 1:</translation>
    </message>
    <message id="UI_To2">
        <source>To 2:</source>
        <extracomment>Settings label: second recipient</extracomment>
        <translation>Para 2:</translation>
    </message>
    <message id="UI_To3">
        <source>To 3:</source>
        <extracomment>Settings label: third recipient</extracomment>
        <translation>Para 3:</translation>
    </message>
    <message id="UI_Subject">
        <source>Subject:</source>
        <extracomment>Settings label</extracomment>
        <translation>Asunto:</translation>
    </message>
    <message id="UI_POPbSMTP">
        <source>Log in to a POP3 server before sending (POP before SMTP)</source>
        <extracomment>Settings check box</extracomment>
        <translation>Iniciar sesión en un servidor POP3 antes de enviar (POP antes de SMTP)</translation>
    </message>
    <message id="UI_POP3Server">
        <source>POP3 server:</source>
        <extracomment>Settings label</extracomment>
        <translation>Servidor POP3:</translation>
    </message>
    <message id="UI_POP3Port">
        <source>POP3 port:</source>
        <extracomment>Settings label</extracomment>
        <translation>Puerto POP3:</translation>
    </message>
    <message id="UI_Username">
        <source>User name:</source>
        <extracomment>Settings label</extracomment>
        <translation>Nombre de usuario:</translation>
    </message>
    <message id="UI_Password">
        <source>Password:</source>
        <extracomment>Settings label</extracomment>
        <translation>Contraseña:</translation>
    </message>
    <message id="UI_LoginItem">
        <source>Start TAMRO RAID MONITOR at login</source>
        <extracomment>Settings check box</extracomment>
        <translation>Ejecutar TAMRO RAID MONITOR al iniciar la sesión</translation>
    </message>
    <message id="UI_MakeLog">
        <source>Keep an event log</source>
        <extracomment>Settings check box</extracomment>
        <translation>Llevar un registro de eventos</translation>
    </message>
    <message id="UI_LogFilePath">
        <source>Log file:</source>
        <extracomment>Settings label</extracomment>
        <translation>Archivo de registro:</translation>
    </message>
    <message id="UI_DispPanel">
        <source>Show a notice when a problem is found</source>
        <extracomment>Settings check box</extracomment>
        <translation>Mostrar un aviso cuando se detecte un problema</translation>
    </message>
    <message id="UI_Shutdown">
        <source>Shut down the computer when a rebuild has finished</source>
        <extracomment>Settings check box</extracomment>
        <translation>Apagar el equipo cuando termine una reconstrucción</translation>
    </message>
    <message id="UI_GroupMail">
        <source>E-mail notification</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>Notificación por correo</translation>
    </message>
    <message id="UI_GroupPOP">
        <source>POP before SMTP</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>POP antes de SMTP</translation>
    </message>
    <message id="UI_GroupLog">
        <source>Event log</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>Registro de eventos</translation>
    </message>
    <message id="UI_GroupOptions">
        <source>Options</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>Opciones</translation>
    </message>
    <message id="UI_PasswordTooLong">
        <source>The password must be shorter than 30 bytes.</source>
        <extracomment>Settings: stored mail password limit</extracomment>
        <translation>La contraseña debe ocupar menos de 30 bytes.</translation>
    </message>
    <message id="UI_TabMailServer">
        <source>Server and sign-in</source>
        <extracomment>Settings: page of the mail group</extracomment>
        <translation>Servidor e inicio de sesión</translation>
    </message>
    <message id="UI_TabMailMessage">
        <source>Message</source>
        <extracomment>Settings: page of the mail group</extracomment>
        <translation>Mensaje</translation>
    </message>
    <message id="UI_SMTPSecurity">
        <source>Security:</source>
        <extracomment>Settings: label of the SMTP connection's protection</extracomment>
        <translation>Seguridad:</translation>
    </message>
    <message id="UI_SecurityIfOffered">
        <source>STARTTLS if offered</source>
        <extracomment>Settings: SMTP security choice (default)</extracomment>
        <translation>STARTTLS si se ofrece</translation>
    </message>
    <message id="UI_SecurityNone">
        <source>None</source>
        <extracomment>Settings: SMTP security choice</extracomment>
        <translation>Ninguna</translation>
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
        <translation>Archivo de CA:</translation>
    </message>
    <message id="UI_SMTPAuth">
        <source>Sign in as:</source>
        <extracomment>Settings: check-box before the SMTP sign-in user name</extracomment>
        <translation>Iniciar sesión como:</translation>
    </message>
    <message id="UI_SMTPPassword">
        <source>Password:</source>
        <extracomment>Settings: SMTP sign-in password</extracomment>
        <translation>Contraseña:</translation>
    </message>
    <message id="UI_ColNo">
        <source>No.</source>
        <extracomment>Event log column</extracomment>
        <translation>N.º</translation>
    </message>
    <message id="UI_ColTime">
        <source>Time</source>
        <extracomment>Event log column</extracomment>
        <translation>Hora</translation>
    </message>
    <message id="UI_ColDevice">
        <source>Device</source>
        <extracomment>Event log column</extracomment>
        <translation>Dispositivo</translation>
    </message>
    <message id="UI_ColMode">
        <source>Mode</source>
        <extracomment>Event log column</extracomment>
        <translation>Modo</translation>
    </message>
    <message id="UI_ColExecInfo">
        <source>Event</source>
        <extracomment>Event log column</extracomment>
        <translation>Evento</translation>
    </message>
    <message id="UI_GroupMetrics">
        <source>Prometheus</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>Prometheus</translation>
    </message>
    <message id="UI_ExportMetrics">
        <source>Write the state for Prometheus (node_exporter textfile collector)</source>
        <extracomment>Settings check-box</extracomment>
        <translation>Escribir el estado para Prometheus (recolector textfile de node_exporter)</translation>
    </message>
    <message id="UI_MetricsFolder">
        <source>Metrics folder:</source>
        <extracomment>Settings label: the folder node_exporter reads</extracomment>
        <translation>Carpeta de métricas:</translation>
    </message>
    <message id="MSG_AlertReminder">
        <source>Reminder: this problem was first reported on</source>
        <extracomment>Line of a reminder mail or push, followed by the time of the first report</extracomment>
        <translation>Recordatorio: este problema se notificó por primera vez el</translation>
    </message>
    <message id="MSG_AlertsHeldBack">
        <source>Alerts about this enclosure held back since the last one (too many in a short time):</source>
        <extracomment>Line of an alert, followed by a count</extracomment>
        <translation>Alertas retenidas para esta caja desde la última (demasiadas en poco tiempo):</translation>
    </message>
    <message id="MSG_AlertServiceDown">
        <source>The storage service cannot be reached. The state of the enclosures is unknown until it answers again.</source>
        <extracomment>Mail and push when the storage service stays out of reach</extracomment>
        <translation>No se puede contactar con el servicio de almacenamiento. El estado de las cajas es desconocido hasta que vuelva a responder.</translation>
    </message>
    <message id="MSG_AlertServiceBack">
        <source>The storage service answers again.</source>
        <extracomment>Mail and push when the storage service is back</extracomment>
        <translation>El servicio de almacenamiento vuelve a responder.</translation>
    </message>
    <message id="MSG_WebhookSuccess">
        <source>Web notification was sent successfully.</source>
        <extracomment>Event log message</extracomment>
        <translation>La notificación web se ha enviado.</translation>
    </message>
    <message id="MSG_WebhookFail">
        <source>Web notification could not be sent.</source>
        <extracomment>Event log message, followed by the reason in brackets</extracomment>
        <translation>No se pudo enviar la notificación web.</translation>
    </message>
    <message id="MSG_WebhookTestSending">
        <source>Sending the test notification...</source>
        <extracomment>Settings: status line of the webhook</extracomment>
        <translation>Enviando la notificación de prueba...</translation>
    </message>
    <message id="MSG_WebhookTestSuccess">
        <source>The test notification was sent.</source>
        <extracomment>Settings: status line of the webhook</extracomment>
        <translation>La notificación de prueba se ha enviado.</translation>
    </message>
    <message id="MSG_WebhookTestFail">
        <source>The test notification could not be sent:</source>
        <extracomment>Settings: status line of the webhook, followed by the reason</extracomment>
        <translation>No se pudo enviar la notificación de prueba:</translation>
    </message>
    <message id="MSG_WebhookTokenTooLong">
        <source>The access token is too long (at most 256 bytes).</source>
        <extracomment>Alert at OK in the settings window</extracomment>
        <translation>El token de acceso es demasiado largo (256 bytes como máximo).</translation>
    </message>
    <message id="UI_TabMail">
        <source>Mail</source>
        <extracomment>Settings: page</extracomment>
        <translation>Correo</translation>
    </message>
    <message id="UI_TabNotifications">
        <source>Notifications</source>
        <extracomment>Settings: page</extracomment>
        <translation>Notificaciones</translation>
    </message>
    <message id="UI_TabEventLog">
        <source>Event log</source>
        <extracomment>Settings: page</extracomment>
        <translation>Registro de eventos</translation>
    </message>
    <message id="UI_TabOptions">
        <source>Options</source>
        <extracomment>Settings: page</extracomment>
        <translation>Opciones</translation>
    </message>
    <message id="UI_GroupNotifications">
        <source>At the desk</source>
        <extracomment>Settings: group of the notice panel, desktop notifications and reminders</extracomment>
        <translation>En el puesto de trabajo</translation>
    </message>
    <message id="UI_DesktopNotifications">
        <source>Show desktop notifications</source>
        <extracomment>Settings: check-box</extracomment>
        <translation>Mostrar notificaciones de escritorio</translation>
    </message>
    <message id="UI_ReminderHours">
        <source>Repeat problem alerts:</source>
        <extracomment>Settings: label of the reminder list</extracomment>
        <translation>Repetir las alertas de problema:</translation>
    </message>
    <message id="UI_ReminderOff">
        <source>Never</source>
        <extracomment>Settings: reminder interval</extracomment>
        <translation>Nunca</translation>
    </message>
    <message id="UI_ReminderEvery1">
        <source>Every hour</source>
        <extracomment>Settings: reminder interval</extracomment>
        <translation>Cada hora</translation>
    </message>
    <message id="UI_ReminderEvery6">
        <source>Every 6 hours</source>
        <extracomment>Settings: reminder interval</extracomment>
        <translation>Cada 6 horas</translation>
    </message>
    <message id="UI_ReminderEvery24">
        <source>Every 24 hours</source>
        <extracomment>Settings: reminder interval</extracomment>
        <translation>Cada 24 horas</translation>
    </message>
    <message id="UI_GroupWebhook">
        <source>Push to phone or chat (webhook)</source>
        <extracomment>Settings: group</extracomment>
        <translation>Push al teléfono o al chat (webhook)</translation>
    </message>
    <message id="UI_WebhookEnabled">
        <source>Send a web notification</source>
        <extracomment>Settings: check-box</extracomment>
        <translation>Enviar una notificación web</translation>
    </message>
    <message id="UI_WebhookURL">
        <source>URL:</source>
        <extracomment>Settings: label</extracomment>
        <translation>URL:</translation>
    </message>
    <message id="UI_WebhookFormat">
        <source>Format:</source>
        <extracomment>Settings: label</extracomment>
        <translation>Formato:</translation>
    </message>
    <message id="UI_WebhookFormatJson">
        <source>JSON</source>
        <extracomment>Settings: webhook format</extracomment>
        <translation>JSON</translation>
    </message>
    <message id="UI_WebhookFormatNtfy">
        <source>ntfy (push to phones)</source>
        <extracomment>Settings: webhook format</extracomment>
        <translation>ntfy (push a teléfonos)</translation>
    </message>
    <message id="UI_WebhookToken">
        <source>Access token:</source>
        <extracomment>Settings: label</extracomment>
        <translation>Token de acceso:</translation>
    </message>
    <message id="UI_TestWebhook">
        <source>Send Test</source>
        <extracomment>Settings: button</extracomment>
        <translation>Enviar prueba</translation>
    </message>
</context>
</TS>

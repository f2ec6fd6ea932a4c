<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
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
        <translation>不支持此版本的操作系统。TAMRO RAID MONITOR 将退出。</translation>
    </message>
    <message id="MSG_ErrorMessage2">
        <source>Cannot connect to the storage service. Make sure it is running, then choose Rescan.</source>
        <extracomment>Alert after the connection to the storage service failed</extracomment>
        <translation>无法连接到存储服务。请确认该服务正在运行，然后选择“重新扫描”。</translation>
    </message>
    <message id="MSG_ErrorMessage3">
        <source>More than 8 RAID enclosures are connected. TAMRO RAID MONITOR can watch up to 8 and will now quit.</source>
        <extracomment>Alert before the program quits because of too many enclosures</extracomment>
        <translation>连接的 RAID 硬盘盒超过 8 个。TAMRO RAID MONITOR 最多只能监视 8 个，现在将退出。</translation>
    </message>
    <message id="MSG_QuitMessage">
        <source>Quit TAMRO RAID MONITOR? Your RAID enclosures will no longer be watched.</source>
        <extracomment>Question of the quit panel</extracomment>
        <translation>要退出 TAMRO RAID MONITOR 吗？您的 RAID 硬盘盒将不再受到监视。</translation>
    </message>
    <message id="MSG_HelpFileName">
        <source>TAMRO RAID MONITOR Help</source>
        <extracomment>Base name of the help file, without .html; a file of this name must exist in the help folder</extracomment>
        <translation>TAMRO RAID MONITOR 帮助</translation>
    </message>
    <message id="MSG_MailSubject">
        <source>TAMRO RAID MONITOR notification</source>
        <extracomment>Default mail subject</extracomment>
        <translation>TAMRO RAID MONITOR 通知</translation>
    </message>
    <message id="MSG_DiskCheck">
        <source>
Please check the enclosure and its drives.</source>
        <extracomment>Appended directly after the plug-state text in the notice and the problem mail; starts with a line break</extracomment>
        <translation>
请检查硬盘盒及其磁盘。</translation>
    </message>
    <message id="MSG_DiskInfo1">
        <source>Disk 1 is not connected.</source>
        <extracomment>Plug state: drive 1 (upper bay) missing</extracomment>
        <translation>磁盘 1 未连接。</translation>
    </message>
    <message id="MSG_DiskInfo2">
        <source>Disk 2 is not connected.</source>
        <extracomment>Plug state: drive 2 (lower bay) missing</extracomment>
        <translation>磁盘 2 未连接。</translation>
    </message>
    <message id="MSG_DiskInfo3">
        <source>Disks 1 and 2 are not connected.</source>
        <extracomment>Plug state: both drives missing</extracomment>
        <translation>磁盘 1 和 2 均未连接。</translation>
    </message>
    <message id="MSG_DiskInfo4">
        <source>No device found.</source>
        <extracomment>Plug state: no enclosure found or configuration failed</extracomment>
        <translation>未找到设备。</translation>
    </message>
    <message id="MSG_DiskInfo5">
        <source>Disk 1 has failed.</source>
        <extracomment>Plug state: drive 1 (upper bay) is attached but has failed</extracomment>
        <translation>磁盘 1 已故障。</translation>
    </message>
    <message id="MSG_DiskInfo6">
        <source>Disk 2 has failed.</source>
        <extracomment>Plug state: drive 2 (lower bay) is attached but has failed</extracomment>
        <translation>磁盘 2 已故障。</translation>
    </message>
    <message id="MSG_DiskInfo7">
        <source>Disks 1 and 2 have failed.</source>
        <extracomment>Plug state: both drives are attached but have failed</extracomment>
        <translation>磁盘 1 和 2 均已故障。</translation>
    </message>
    <message id="MSG_Mode0">
        <source>JBOD / Spanning</source>
        <extracomment>RAID mode 0</extracomment>
        <translation>JBOD / 跨区</translation>
    </message>
    <message id="MSG_Mode1">
        <source>RAID 1 (Mirroring)</source>
        <extracomment>RAID mode 1</extracomment>
        <translation>RAID 1（镜像）</translation>
    </message>
    <message id="MSG_Mode2">
        <source>RAID 0 (Striping)</source>
        <extracomment>RAID mode 2</extracomment>
        <translation>RAID 0（条带化）</translation>
    </message>
    <message id="MSG_Mode3">
        <source>Separate drives</source>
        <extracomment>RAID mode 3</extracomment>
        <translation>独立磁盘</translation>
    </message>
    <message id="MSG_ModeNoDisk">
        <source>No volume</source>
        <extracomment>Mode text when the enclosure has no volume</extracomment>
        <translation>无卷</translation>
    </message>
    <message id="MSG_RStatus0">
        <source>Normal</source>
        <extracomment>Rebuild state: normal</extracomment>
        <translation>正常</translation>
    </message>
    <message id="MSG_RStatus1">
        <source>Rebuilding</source>
        <extracomment>Drive state 1 in progress; followed by a blank and a percentage</extracomment>
        <translation>正在重建</translation>
    </message>
    <message id="MSG_RStatus2">
        <source>Verifying</source>
        <extracomment>Drive state 2 in progress; followed by a blank and a percentage</extracomment>
        <translation>正在校验</translation>
    </message>
    <message id="MSG_RStatus3">
        <source>Waiting for rebuild</source>
        <extracomment>A drive waits for its rebuild while the enclosure reports normal</extracomment>
        <translation>等待重建</translation>
    </message>
    <message id="MSG_RError">
        <source>Error: </source>
        <extracomment>Prefix of the error text; the plug-state text follows directly, so keep the trailing blank</extracomment>
        <translation>错误： </translation>
    </message>
    <message id="MSG_NoDisk">
        <source>No disk</source>
        <extracomment>Model field of an empty drive bay</extracomment>
        <translation>无磁盘</translation>
    </message>
    <message id="MSG_DiskFailed">
        <source>Failed: </source>
        <extracomment>Model field of a drive that is attached but has failed: put before the model name, so keep the trailing blank</extracomment>
        <translation>故障： </translation>
    </message>
    <message id="MSG_FileMessage1">
        <source>The event log file was not read: its path leads to a folder, a device or a pipe instead of a file. Check the log file path in Settings.</source>
        <extracomment>Alert at launch when the event log path leads to something other than a regular file (a folder, a FIFO, a device)</extracomment>
        <translation>未读取事件日志文件：其路径指向文件夹、设备或管道，而不是文件。请在“设置”中检查日志文件路径。</translation>
    </message>
    <message id="MSG_FileMessage2">
        <source>The event log file could not be written. Check the log file path in Settings.</source>
        <extracomment>Alert when the event log file cannot be written</extracomment>
        <translation>无法写入事件日志文件。请在“设置”中检查日志文件路径。</translation>
    </message>
    <message id="MSG_FileMessage3">
        <source>The event log file is larger than 16 MB: only its newest events were read.</source>
        <extracomment>Alert at launch when the event log file is too large to be read whole</extracomment>
        <translation>事件日志文件大于 16 MB：仅读取了其中最新的事件。</translation>
    </message>
    <message id="MSG_EnterPassword1">
        <source>Enter the administrator password. It is needed to shut down the computer when a rebuild has finished.</source>
        <extracomment>First request for the administrator password</extracomment>
        <translation>请输入管理员密码。重建完成后关闭计算机需要此密码。</translation>
    </message>
    <message id="MSG_EnterPassword2">
        <source>The password was not accepted. Enter the administrator password again.</source>
        <extracomment>Request after a rejected password</extracomment>
        <translation>密码未被接受。请重新输入管理员密码。</translation>
    </message>
    <message id="MSG_PasswordOK">
        <source>The password was accepted. The computer will shut down when a rebuild has finished.</source>
        <extracomment>Confirmation of the administrator password</extracomment>
        <translation>密码已被接受。重建完成后计算机将关机。</translation>
    </message>
    <message id="MSG_TestMessage">
        <source>This is a test mail from TAMRO RAID MONITOR.</source>
        <extracomment>Body of the test mail</extracomment>
        <translation>这是一封来自 TAMRO RAID MONITOR 的测试邮件。</translation>
    </message>
    <message id="MSG_EndRebuildMessage">
        <source>The rebuild has finished.</source>
        <extracomment>Body line of the rebuild-complete mail</extracomment>
        <translation>重建已完成。</translation>
    </message>
    <message id="MSG_MailSuccess">
        <source>Mail was sent.</source>
        <extracomment>Event log entry (one CSV field): no comma and no line break</extracomment>
        <translation>邮件已发送。</translation>
    </message>
    <message id="MSG_MailFail">
        <source>Mail could not be sent.</source>
        <extracomment>Event log entry (one CSV field): no comma and no line break</extracomment>
        <translation>邮件发送失败。</translation>
    </message>
    <message id="MSG_TestMailSuccess">
        <source>The test mail was sent.</source>
        <extracomment>Status line of the settings window</extracomment>
        <translation>测试邮件已发送。</translation>
    </message>
    <message id="MSG_TestMailFail">
        <source>The test mail could not be sent. Check the mail settings.</source>
        <extracomment>Status line of the settings window</extracomment>
        <translation>测试邮件发送失败。请检查邮件设置。</translation>
    </message>
    <message id="MSG_TestMailSending">
        <source>Sending the test mail...</source>
        <extracomment>Status line of the settings window while the test mail is on its way</extracomment>
        <translation>正在发送测试邮件...</translation>
    </message>
    <message id="MSG_MailFailUnreachable">
        <source>The test mail was not sent. This mail server cannot be reached:</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>测试邮件未发送。无法访问此邮件服务器：</translation>
    </message>
    <message id="MSG_MailFailTimeout">
        <source>The test mail was not sent. This mail server did not answer in time:</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>测试邮件未发送。此邮件服务器未及时响应：</translation>
    </message>
    <message id="MSG_MailFailTLS">
        <source>The test mail was not sent. This mail server refused a secure connection (TLS):</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>测试邮件未发送。此邮件服务器拒绝了安全连接（TLS）：</translation>
    </message>
    <message id="MSG_MailFailCertificate">
        <source>The test mail was not sent. The certificate of this mail server is not trusted:</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>测试邮件未发送。此邮件服务器的证书不受信任：</translation>
    </message>
    <message id="MSG_MailFailSignIn">
        <source>The test mail was not sent. This mail server refused the sign-in (check the user name and password):</source>
        <extracomment>Status line of the settings window; a blank and the server's name follow</extracomment>
        <translation>测试邮件未发送。此邮件服务器拒绝了登录（请检查用户名和密码）：</translation>
    </message>
    <message id="MSG_MailFailRecipient">
        <source>The test mail was not sent. The mail server refused a recipient address.</source>
        <extracomment>Status line of the settings window</extracomment>
        <translation>测试邮件未发送。邮件服务器拒绝了一个收件人地址。</translation>
    </message>
    <message id="MSG_MailFailTLSRequired">
        <source>The test mail was not sent. This mail server requires a secure connection (TLS) first:</source>
        <extracomment>Status line of the settings window, when the server answered 530 (TLS first); a blank and the server's name follow</extracomment>
        <translation>测试邮件未发送。此邮件服务器要求先建立安全连接（TLS）：</translation>
    </message>
    <message id="MSG_MailFailRelay">
        <source>The test mail was not sent. This mail server refuses to relay mail to these recipients:</source>
        <extracomment>Status line of the settings window, when the server answered 554 to a recipient (relaying refused); a blank and the server's name follow</extracomment>
        <translation>测试邮件未发送。此邮件服务器拒绝向这些收件人中继邮件：</translation>
    </message>
    <message id="MSG_SMTPPasswordInKeyring">
        <source>kept in the keyring</source>
        <extracomment>Settings: beside the SMTP password, where it is kept</extracomment>
        <translation>保存在密钥环中</translation>
    </message>
    <message id="MSG_SMTPPasswordInFile">
        <source>kept in the settings file</source>
        <extracomment>Settings: beside the SMTP password, where it is kept</extracomment>
        <translation>保存在设置文件中</translation>
    </message>
    <message id="MSG_SMTPPasswordTooLong">
        <source>The SMTP password must not be longer than 256 bytes.</source>
        <extracomment>Settings: SMTP password limit</extracomment>
        <translation>SMTP 密码不能超过 256 字节。</translation>
    </message>
    <message id="UI_StatusWindowTitle">
        <source>RAID Status</source>
        <extracomment>Window title</extracomment>
        <translation>RAID 状态</translation>
    </message>
    <message id="UI_SettingsWindowTitle">
        <source>Settings</source>
        <extracomment>Window title</extracomment>
        <translation>设置</translation>
    </message>
    <message id="UI_LogWindowTitle">
        <source>Event Log</source>
        <extracomment>Window title</extracomment>
        <translation>事件日志</translation>
    </message>
    <message id="UI_MenuStatus">
        <source>Status Window...</source>
        <extracomment>Tray menu</extracomment>
        <translation>状态窗口...</translation>
    </message>
    <message id="UI_MenuLog">
        <source>Event Log...</source>
        <extracomment>Tray menu</extracomment>
        <translation>事件日志...</translation>
    </message>
    <message id="UI_MenuSettings">
        <source>Settings...</source>
        <extracomment>Tray menu</extracomment>
        <translation>设置...</translation>
    </message>
    <message id="UI_MenuHelp">
        <source>Help</source>
        <extracomment>Tray menu</extracomment>
        <translation>帮助</translation>
    </message>
    <message id="UI_MenuQuit">
        <source>Quit TAMRO RAID MONITOR</source>
        <extracomment>Tray menu</extracomment>
        <translation>退出 TAMRO RAID MONITOR</translation>
    </message>
    <message id="UI_Rescan">
        <source>Rescan</source>
        <extracomment>Button</extracomment>
        <translation>重新扫描</translation>
    </message>
    <message id="UI_Close">
        <source>Close</source>
        <extracomment>Button</extracomment>
        <translation>关闭</translation>
    </message>
    <message id="UI_Ok">
        <source>OK</source>
        <extracomment>Button</extracomment>
        <translation>确定</translation>
    </message>
    <message id="UI_Cancel">
        <source>Cancel</source>
        <extracomment>Button</extracomment>
        <translation>取消</translation>
    </message>
    <message id="UI_TestMail">
        <source>Send Test Mail</source>
        <extracomment>Button in the settings window</extracomment>
        <translation>发送测试邮件</translation>
    </message>
    <message id="UI_Choose">
        <source>Choose...</source>
        <extracomment>Button that opens the save dialog for the log file</extracomment>
        <translation>选择...</translation>
    </message>
    <message id="UI_DeviceList">
        <source>Devices</source>
        <extracomment>Title of the device list</extracomment>
        <translation>设备</translation>
    </message>
    <message id="UI_Mode">
        <source>Mode:</source>
        <extracomment>Status window label</extracomment>
        <translation>模式：</translation>
    </message>
    <message id="UI_Rebuild">
        <source>Rebuild:</source>
        <extracomment>Status window label</extracomment>
        <translation>重建：</translation>
    </message>
    <message id="UI_Disk1">
        <source>Disk 1</source>
        <extracomment>Status window: pane of the upper drive</extracomment>
        <translation>磁盘 1</translation>
    </message>
    <message id="UI_Disk2">
        <source>Disk 2</source>
        <extracomment>Status window: pane of the lower drive</extracomment>
        <translation>磁盘 2</translation>
    </message>
    <message id="UI_Model">
        <source>Model:</source>
        <extracomment>Status window label</extracomment>
        <translation>型号：</translation>
    </message>
    <message id="UI_Size">
        <source>Size:</source>
        <extracomment>Status window label</extracomment>
        <translation>容量：</translation>
    </message>
    <message id="UI_Difference">
        <source>Difference:</source>
        <extracomment>Status window label: capacity difference</extracomment>
        <translation>差值：</translation>
    </message>
    <message id="UI_StateWaiting">
        <source>Waiting for the storage service</source>
        <extracomment>Tray tooltip: nothing evaluated yet</extracomment>
        <translation>正在等待存储服务</translation>
    </message>
    <message id="UI_StateHealthy">
        <source>working normally</source>
        <extracomment>Tray tooltip: the state of one enclosure, after its name and a colon</extracomment>
        <translation>工作正常</translation>
    </message>
    <message id="UI_StateProblem">
        <source>needs attention</source>
        <extracomment>Tray tooltip: the state of one enclosure, after its name and a colon</extracomment>
        <translation>需要注意</translation>
    </message>
    <message id="UI_StateRebuilding">
        <source>rebuilding</source>
        <extracomment>Tray tooltip: the state of one enclosure, after its name and a colon</extracomment>
        <translation>正在重建</translation>
    </message>
    <message id="UI_NoService">
        <source>The storage service is not reachable</source>
        <extracomment>Tray tooltip / status window</extracomment>
        <translation>无法访问存储服务</translation>
    </message>
    <message id="UI_NotifyProblem">
        <source>A problem was found. Open the status window for details.</source>
        <extracomment>Tray notification</extracomment>
        <translation>发现问题。请打开状态窗口查看详细信息。</translation>
    </message>
    <message id="UI_NotifyRebuildDone">
        <source>A rebuild has finished.</source>
        <extracomment>Tray notification</extracomment>
        <translation>重建已完成。</translation>
    </message>
    <message id="UI_SendMail">
        <source>Send a mail when a problem is found</source>
        <extracomment>Settings check box</extracomment>
        <translation>发现问题时发送邮件</translation>
    </message>
    <message id="UI_SendRebuildMail">
        <source>Send a mail when a rebuild has finished</source>
        <extracomment>Settings check box</extracomment>
        <translation>重建完成时发送邮件</translation>
    </message>
    <message id="UI_SMTPServer">
        <source>SMTP server:</source>
        <extracomment>Settings label</extracomment>
        <translation>SMTP 服务器：</translation>
    </message>
    <message id="UI_SMTPPort">
        <source>SMTP port:</source>
        <extracomment>Settings label</extracomment>
        <translation>SMTP 端口：</translation>
    </message>
    <message id="UI_From">
        <source>From:</source>
        <extracomment>Settings label</extracomment>
        <translation>发件人：</translation>
    </message>
    <message id="UI_To1">
        <source>To 1:</source>
        <extracomment>Settings label: first recipient</extracomment>
        <translation>收件人 1：</translation>
    </message>
    <message id="UI_To2">
        <source>To 2:</source>
        <extracomment>Settings label: second recipient</extracomment>
        <translation>收件人 2：</translation>
    </message>
    <message id="UI_To3">
        <source>To 3:</source>
        <extracomment>Settings label: third recipient</extracomment>
        <translation>收件人 3：</translation>
    </message>
    <message id="UI_Subject">
        <source>Subject:</source>
        <extracomment>Settings label</extracomment>
        <translation>主题：</translation>
    </message>
    <message id="UI_POPbSMTP">
        <source>Log in to a POP3 server before sending (POP before SMTP)</source>
        <extracomment>Settings check box</extracomment>
        <translation>发送前先登录 POP3 服务器（POP before SMTP）</translation>
    </message>
    <message id="UI_POP3Server">
        <source>POP3 server:</source>
        <extracomment>Settings label</extracomment>
        <translation>POP3 服务器：</translation>
    </message>
    <message id="UI_POP3Port">
        <source>POP3 port:</source>
        <extracomment>Settings label</extracomment>
        <translation>POP3 端口：</translation>
    </message>
    <message id="UI_Username">
        <source>User name:</source>
        <extracomment>Settings label</extracomment>
        <translation>用户名：</translation>
    </message>
    <message id="UI_Password">
        <source>Password:</source>
        <extracomment>Settings label</extracomment>
        <translation>密码：</translation>
    </message>
    <message id="UI_LoginItem">
        <source>Start TAMRO RAID MONITOR at login</source>
        <extracomment>Settings check box</extracomment>
        <translation>登录时启动 TAMRO RAID MONITOR</translation>
    </message>
    <message id="UI_MakeLog">
        <source>Keep an event log</source>
        <extracomment>Settings check box</extracomment>
        <translation>记录事件日志</translation>
    </message>
    <message id="UI_LogFilePath">
        <source>Log file:</source>
        <extracomment>Settings label</extracomment>
        <translation>日志文件：</translation>
    </message>
    <message id="UI_DispPanel">
        <source>Show a notice when a problem is found</source>
        <extracomment>Settings check box</extracomment>
        <translation>发现问题时显示提示</translation>
    </message>
    <message id="UI_Shutdown">
        <source>Shut down the computer when a rebuild has finished</source>
        <extracomment>Settings check box</extracomment>
        <translation>重建完成后关闭计算机</translation>
    </message>
    <message id="UI_GroupMail">
        <source>E-mail notification</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>电子邮件通知</translation>
    </message>
    <message id="UI_GroupPOP">
        <source>POP before SMTP</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>POP before SMTP</translation>
    </message>
    <message id="UI_GroupLog">
        <source>Event log</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>事件日志</translation>
    </message>
    <message id="UI_GroupOptions">
        <source>Options</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>选项</translation>
    </message>
    <message id="UI_PasswordTooLong">
        <source>The password must be shorter than 30 bytes.</source>
        <extracomment>Settings: stored mail password limit</extracomment>
        <translation>密码必须短于 30 字节。</translation>
    </message>
    <message id="UI_TabMailServer">
        <source>Server and sign-in</source>
        <extracomment>Settings: page of the mail group</extracomment>
        <translation>服务器和登录</translation>
    </message>
    <message id="UI_TabMailMessage">
        <source>Message</source>
        <extracomment>Settings: page of the mail group</extracomment>
        <translation>邮件内容</translation>
    </message>
    <message id="UI_SMTPSecurity">
        <source>Security:</source>
        <extracomment>Settings: label of the SMTP connection's protection</extracomment>
        <translation>安全性：</translation>
    </message>
    <message id="UI_SecurityIfOffered">
        <source>STARTTLS if offered</source>
        <extracomment>Settings: SMTP security choice (default)</extracomment>
        <translation>STARTTLS（如果可用）</translation>
    </message>
    <message id="UI_SecurityNone">
        <source>None</source>
        <extracomment>Settings: SMTP security choice</extracomment>
        <translation>无</translation>
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
        <translation>CA 文件：</translation>
    </message>
    <message id="UI_SMTPAuth">
        <source>Sign in as:</source>
        <extracomment>Settings: check-box before the SMTP sign-in user name</extracomment>
        <translation>登录身份：</translation>
    </message>
    <message id="UI_SMTPPassword">
        <source>Password:</source>
        <extracomment>Settings: SMTP sign-in password</extracomment>
        <translation>密码：</translation>
    </message>
    <message id="UI_ColNo">
        <source>No.</source>
        <extracomment>Event log column</extracomment>
        <translation>序号</translation>
    </message>
    <message id="UI_ColTime">
        <source>Time</source>
        <extracomment>Event log column</extracomment>
        <translation>时间</translation>
    </message>
    <message id="UI_ColDevice">
        <source>Device</source>
        <extracomment>Event log column</extracomment>
        <translation>设备</translation>
    </message>
    <message id="UI_ColMode">
        <source>Mode</source>
        <extracomment>Event log column</extracomment>
        <translation>模式</translation>
    </message>
    <message id="UI_ColExecInfo">
        <source>Event</source>
        <extracomment>Event log column</extracomment>
        <translation>事件</translation>
    </message>
    <message id="UI_GroupMetrics">
        <source>Prometheus</source>
        <extracomment>Settings: title of a group of settings</extracomment>
        <translation>Prometheus</translation>
    </message>
    <message id="UI_ExportMetrics">
        <source>Write the state for Prometheus (node_exporter textfile collector)</source>
        <extracomment>Settings check-box</extracomment>
        <translation>为 Prometheus 写出状态（node_exporter 的 textfile 收集器）</translation>
    </message>
    <message id="UI_MetricsFolder">
        <source>Metrics folder:</source>
        <extracomment>Settings label: the folder node_exporter reads</extracomment>
        <translation>指标文件夹：</translation>
    </message>
    <message id="MSG_AlertReminder">
        <source>Reminder: this problem was first reported on</source>
        <extracomment>Line of a reminder mail or push, followed by the time of the first report</extracomment>
        <translation>提醒：此问题首次报告于</translation>
    </message>
    <message id="MSG_AlertsHeldBack">
        <source>Alerts about this enclosure held back since the last one (too many in a short time):</source>
        <extracomment>Line of an alert, followed by a count</extracomment>
        <translation>自上次以来暂缓发送的此硬盘盒的警报（短时间内过多）：</translation>
    </message>
    <message id="MSG_AlertServiceDown">
        <source>The storage service cannot be reached. The state of the enclosures is unknown until it answers again.</source>
        <extracomment>Mail and push when the storage service stays out of reach</extracomment>
        <translation>无法连接存储服务。在其再次响应之前，硬盘盒的状态未知。</translation>
    </message>
    <message id="MSG_AlertServiceBack">
        <source>The storage service answers again.</source>
        <extracomment>Mail and push when the storage service is back</extracomment>
        <translation>存储服务已再次响应。</translation>
    </message>
    <message id="MSG_WebhookSuccess">
        <source>Web notification was sent successfully.</source>
        <extracomment>Event log message</extracomment>
        <translation>Web 通知已发送。</translation>
    </message>
    <message id="MSG_WebhookFail">
        <source>Web notification could not be sent.</source>
        <extracomment>Event log message, followed by the reason in brackets</extracomment>
        <translation>无法发送 Web 通知。</translation>
    </message>
    <message id="MSG_WebhookTestSending">
        <source>Sending the test notification...</source>
        <extracomment>Settings: status line of the webhook</extracomment>
        <translation>正在发送测试通知...</translation>
    </message>
    <message id="MSG_WebhookTestSuccess">
        <source>The test notification was sent.</source>
        <extracomment>Settings: status line of the webhook</extracomment>
        <translation>测试通知已发送。</translation>
    </message>
    <message id="MSG_WebhookTestFail">
        <source>The test notification could not be sent:</source>
        <extracomment>Settings: status line of the webhook, followed by the reason</extracomment>
        <translation>无法发送测试通知：</translation>
    </message>
    <message id="MSG_WebhookTokenTooLong">
        <source>The access token is too long (at most 256 bytes).</source>
        <extracomment>Alert at OK in the settings window</extracomment>
        <translation>访问令牌过长（最多 256 字节）。</translation>
    </message>
    <message id="UI_TabMail">
        <source>Mail</source>
        <extracomment>Settings: page</extracomment>
        <translation>邮件</translation>
    </message>
    <message id="UI_TabNotifications">
        <source>Notifications</source>
        <extracomment>Settings: page</extracomment>
        <translation>通知</translation>
    </message>
    <message id="UI_TabEventLog">
        <source>Event log</source>
        <extracomment>Settings: page</extracomment>
        <translation>事件日志</translation>
    </message>
    <message id="UI_TabOptions">
        <source>Options</source>
        <extracomment>Settings: page</extracomment>
        <translation>选项</translation>
    </message>
    <message id="UI_GroupNotifications">
        <source>At the desk</source>
        <extracomment>Settings: group of the notice panel, desktop notifications and reminders</extracomment>
        <translation>在桌面</translation>
    </message>
    <message id="UI_DesktopNotifications">
        <source>Show desktop notifications</source>
        <extracomment>Settings: check-box</extracomment>
        <translation>显示桌面通知</translation>
    </message>
    <message id="UI_ReminderHours">
        <source>Repeat problem alerts:</source>
        <extracomment>Settings: label of the reminder list</extracomment>
        <translation>重复问题警报：</translation>
    </message>
    <message id="UI_ReminderOff">
        <source>Never</source>
        <extracomment>Settings: reminder interval</extracomment>
        <translation>从不</translation>
    </message>
    <message id="UI_ReminderEvery1">
        <source>Every hour</source>
        <extracomment>Settings: reminder interval</extracomment>
        <translation>每小时</translation>
    </message>
    <message id="UI_ReminderEvery6">
        <source>Every 6 hours</source>
        <extracomment>Settings: reminder interval</extracomment>
        <translation>每 6 小时</translation>
    </message>
    <message id="UI_ReminderEvery24">
        <source>Every 24 hours</source>
        <extracomment>Settings: reminder interval</extracomment>
        <translation>每 24 小时</translation>
    </message>
    <message id="UI_GroupWebhook">
        <source>Push to phone or chat (webhook)</source>
        <extracomment>Settings: group</extracomment>
        <translation>推送到手机或聊天（Webhook）</translation>
    </message>
    <message id="UI_WebhookEnabled">
        <source>Send a web notification</source>
        <extracomment>Settings: check-box</extracomment>
        <translation>发送 Web 通知</translation>
    </message>
    <message id="UI_WebhookURL">
        <source>URL:</source>
        <extracomment>Settings: label</extracomment>
        <translation>URL：</translation>
    </message>
    <message id="UI_WebhookFormat">
        <source>Format:</source>
        <extracomment>Settings: label</extracomment>
        <translation>格式：</translation>
    </message>
    <message id="UI_WebhookFormatJson">
        <source>JSON</source>
        <extracomment>Settings: webhook format</extracomment>
        <translation>JSON</translation>
    </message>
    <message id="UI_WebhookFormatNtfy">
        <source>ntfy (push to phones)</source>
        <extracomment>Settings: webhook format</extracomment>
        <translation>ntfy（推送到手机）</translation>
    </message>
    <message id="UI_WebhookToken">
        <source>Access token:</source>
        <extracomment>Settings: label</extracomment>
        <translation>访问令牌：</translation>
    </message>
    <message id="UI_TestWebhook">
        <source>Send Test</source>
        <extracomment>Settings: button</extracomment>
        <translation>发送测试</translation>
    </message>
</context>
</TS>

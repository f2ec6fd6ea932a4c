// SPDX-License-Identifier: GPL-3.0-or-later
// The live on/off options: loaded from the preferences at launch, set from the settings
// window's check-boxes at OK, read by the evaluation pass and the alert channels. The shutdown
// flag is never stored: it holds for the run once the administrator password was checked.
#pragma once

struct OptionFlags
{
    bool _isSendMail = false;
    bool _isSendRebuildMail = false;
    bool _isPOPbSMTP = false;
    bool _isAddLoginItem = false;
    bool _isMakeLog = false;
    bool _isDispPanel = false;
    bool _isShutdown = false;
    bool _isSMTPAuth = false;
    bool _isDesktopNotifications = true;
    bool _isWebhook = false;
};

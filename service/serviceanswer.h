// SPDX-License-Identifier: GPL-3.0-or-later
// What one hand-off of the service client delivers: what the document was (parse verdict,
// its command attributes, its event) and the enclosure table as it stands.
#pragma once

#include "service/servicedocument.h"

class EnclosureTable;

struct ServiceAnswer
{
    bool isParse = false;
    bool isEvent = false;
    int eventMsgIdx = 0;
    // The command element's attributes (eResult, ExecInfo), restored at delivery whatever
    // came after the document.
    AttrRecord command;
    int key = 0;         // the enclosure the document made current
    int deviceIndex = 0; // its index in the table at delivery
    const EnclosureTable* table = nullptr;

    bool isRemoval() const { return isEvent && eventMsgIdx == ServiceDocument::kRemovalEvent; }
    int eResult() const;
    QString execInfo() const;
};

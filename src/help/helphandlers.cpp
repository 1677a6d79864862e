// SPDX-License-Identifier: GPL-3.0-or-later
// The help commands of the main window.
#include "app/pribor.h"

#include "help/about.h"
#include "help/browser.h"
#include "help/prhelp.h"
#include "platform/messagebox.h"

#include <QTimer>

void Pribor::Timer3_Timer()
{
    Timer3->stop();
    PrHelp hint(this);
    ShowModal(&hint);
    hint.Form_Unload();
}

void Pribor::SpravMenu_Click()
{
    HelpPage::Open();
}

void Pribor::OProgMenu_Click()
{
    // The about box is modal; a running capture would stall behind it.
    if (Stopbiton->isEnabled())
        Stopbiton_Click();
    frmAbout about(this);
    ShowModal(&about);
}

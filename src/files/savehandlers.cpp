// SPDX-License-Identifier: GPL-3.0-or-later
// The save command of the main window.
#include "app/pribor.h"

#include "files/savefile.h"
#include "platform/messagebox.h"

void Pribor::SaveFileBiton_Click()
{
    SaveFile dialog(this);
    ShowModal(&dialog);
}

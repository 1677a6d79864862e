// The save command of the main window.
#include "app/pribor.h"

#include "files/savefile.h"
#include "platform/messagebox.h"

void Pribor::SaveFileBiton_Click()
{
    SaveFile dialog(this);
    ShowModal(&dialog);
}

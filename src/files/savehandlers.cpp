// SPDX-License-Identifier: GPL-3.0-or-later
// The save command of the main window.
#include "app/pribor.h"

#include "acquisition/streamrecorder.h"
#include "files/savefile.h"
#include "platform/paths.h"
#include "platform/messagebox.h"

void Pribor::SaveFileBiton_Click()
{
    SaveFile dialog(this);
    // What is shown is what is saved. A long recording, a big file opened
    // where it lies, a recording kept beside a working file that could not
    // be written: each is saved from where it lies, not from the working
    // file. A long recording is moved out of the working folder the first
    // time, copied after.
    const bool move = stream_ && st.FlName == stream_->Path();
    const bool other = move || (!st.FlName.isEmpty() && Paths::MapPath(st.FlName) != Paths::WorkingFile());
    if (other)
        dialog.SetSource(Paths::MapPath(st.FlName), move);
    if (ShowModal(&dialog) != QDialog::Accepted || dialog.SavedPath.isEmpty())
        return;
    if (move) {
        // Shown from where it now lies.
        st.FlName = dialog.SavedPath;
        stream_.reset();
    }
    // What is shown is now that file.
    st.ShownAs = dialog.SavedPath;
    ShowTitle();
}

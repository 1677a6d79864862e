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
    // A long recording is saved from where it lies, not from the working
    // file: moved out of the working folder the first time, copied after.
    const bool move = stream_ && st.FlName == stream_->Path();
    const bool other = move || (!streamSaved_.isEmpty() && st.FlName == streamSaved_);
    if (other)
        dialog.SetSource(Paths::MapPath(st.FlName), move);
    if (ShowModal(&dialog) != QDialog::Accepted || dialog.SavedPath.isEmpty())
        return;
    if (move) {
        // Shown from where it now lies.
        st.FlName = streamSaved_ = dialog.SavedPath;
        stream_.reset();
    }
    // What is shown is now that file.
    st.ShownAs = dialog.SavedPath;
    ShowTitle();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the program's files live.
//  - The program folder holds Sound/ (templates) and help.htm; it sits beside
//    the executable in the build tree, or in the installed data folder.
//  - The working folder stands for the drive root the program's messages
//    and device commands name ("c:\tmp.wav", "c:\zvuk.wav").
//  - Mem is the oscillogram folder: inside the program folder when that is
//    writable, else a per-user folder, created on first use. An installed
//    program always uses the per-user folder and never writes to its own.
#include <QString>

namespace Paths {

QString ProgramFolder();      // the App.Path of the messages, without a trailing slash
bool ProgramFolderInstalled();  // the shared data folder of an installed program
QString WorkingFolder();      // created on demand
QString MemFolder();          // created on demand
QString ReferenceFolder();    // the user's reference traces, created on demand
// What the program keeps only to be quicker (the overviews of recordings):
// the per-user cache folder, never created here.
QString CacheFolder();

// "c:\tmp.wav" → "<working folder>/tmp.wav"; any other path is returned with
// its backslashes turned into slashes. A program started while another one
// runs gets names of its own on that drive ("tmp-2.wav"), held until it ends.
QString MapPath(const QString &path);
// The same, without creating the working folder: a file to be read is
// there or not (paging reads a screen this way on every page).
QString MapPathForReading(const QString &path);

QString WorkingFile();    // c:\tmp.wav
QString RecordingFile();  // c:\zvuk.wav

// Which running program this is: 1 for the first, which has the classic
// names; n for one that has "tmp-n.wav".
int Instance();

// Overrides for tests (empty string restores the default). A new working
// folder gives up the names held in the old one.
void SetProgramFolder(const QString &folder);
void SetWorkingFolder(const QString &folder);
void SetMemFolder(const QString &folder);
void SetReferenceFolder(const QString &folder);
void SetCacheFolder(const QString &folder);

}  // namespace Paths

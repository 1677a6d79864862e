// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File and device failures: one table of messages, worded per operation.
// The trap of each operation shows the message for an error number and then
// repeats the failed step, goes on after it, or ends the operation.
#include <QString>

#include <functional>

enum class TrapSite {
    CaptureStart,     // zapis_Click
    RefreshTick,      // Timer1_Timer
    MemoryStart,      // SaveBiton_Click
    MemoryTick,       // TimerIndikator_Timer
    Redraw,           // RedrawTraces
    OpenWorkingFile,  // OpenWorkingFile
    OpenAction,       // the open dialog's file choice
    Save,             // the save dialog's save action
};

enum class TrapAction { Retry, Continue, End };

// Shows the box for `number` (if that site shows one) and says what the trap
// does next. `fileName` is the template path the capture start names in its
// 53 and 55 texts. Follow-ups beyond Retry/Continue/End (stopping capture
// after 53, the template recovery after 63) are the caller's.
TrapAction ReportFileError(TrapSite site, int number, const QString &fileName = QString());

// Runs one step of an operation under the operation's trap: a failure shows
// its box, and Retry runs the step again. True when the operation goes on
// (the step worked, or failed for lack of memory, after which the operation
// carries on with its next step); false when it ends, with the number of
// the failure in *endedBy.
bool RunTrapped(TrapSite site, const std::function<void()> &step, const QString &fileName = QString(),
                int *endedBy = nullptr);

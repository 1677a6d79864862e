// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Leaves the process at once, without global destructors: Qt's audio engine
// may crash in them after the last window is gone. A sanitized build first
// runs the leak check that std::_Exit alone would skip.
[[noreturn]] void ExitNow(int rc);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test isolation: each test process gets its own settings file, working
// folder and Mem folder, and every message box is answered by a script.
#include "platform/messagebox.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

namespace TestEnv {
// Points settings, working folder, Mem and the program folder (a copy of
// data/ that tests may modify) into a fresh temporary tree.
void Isolate();
QString Root();
// A path for a test's own file under Root().
QString Temp(const QString &name);
// Empties the settings store and the working folder.
void Reset();
}  // namespace TestEnv

// Records every message box and answers from a queue (default: the answer
// that ends the operation: OK, Cancel or No). Installed for its lifetime.
class ScriptedMessages {
public:
    ScriptedMessages();
    ~ScriptedMessages();
    void Answer(MsgAnswer answer) { answers_.push_back(answer); }
    // Keeps each box up for `ms` with the event loop running, as a box the
    // user reads does: timers fire meanwhile, as they do in real life.
    void ReadFor(int ms) { readMs_ = ms; }
    const std::vector<MsgRequest> &Shown() const { return shown_; }
    QStringList Texts() const;

private:
    std::deque<MsgAnswer> answers_;
    std::vector<MsgRequest> shown_;
    int readMs_ = 0;
};

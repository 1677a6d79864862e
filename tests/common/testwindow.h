// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window as the drawing tests want it: selectors at their first
// sensitivity and "1 мС", set without their handlers running.
#include "app/pribor.h"
#include "platform/vbcontrols.h"

#include <QSignalBlocker>
#include <memory>

inline std::unique_ptr<Pribor> TestWindow()
{
    auto w = std::make_unique<Pribor>();
    const QSignalBlocker a(w->U1), b(w->U2), c(w->RasTime);
    w->U1->SetListIndex(0);
    w->U2->SetListIndex(0);
    w->RasTime->SetListIndex(6);
    return w;
}

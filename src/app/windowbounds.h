// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a window may go: stored bounds are fitted to the screens before they
// are applied, so that a settings file from another monitor layout (or a
// damaged one) never leaves the title bar where the mouse cannot reach it.
#include <QRect>
#include <vector>

namespace WindowBounds {

// Part of the title bar that must lie on a screen for it to be grabbed.
constexpr int kTitleGripPx = 20;
constexpr int kMinGripWidthPx = 64;

// `frame` is the outer rectangle in pixels, `screens` the screens' free
// areas (without panels). Unchanged when its title bar strip (the top
// kTitleGripPx rows) shows on some screen at least kMinGripWidthPx wide and
// the frame fits that screen. Otherwise it is made no larger than that
// screen, or the nearest one when the title bar is on none, and moved the
// least distance that puts it wholly on it.
QRect Fit(const QRect &frame, const std::vector<QRect> &screens);

}  // namespace WindowBounds

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/windowbounds.h"

#include <algorithm>
#include <cstdint>

namespace WindowBounds {
namespace {

int64_t gapBetween(int64_t a0, int64_t a1, int64_t b0, int64_t b1)
{
    // Distance between the closed ranges [a0, a1] and [b0, b1]; 0 when they meet.
    return std::max<int64_t>({0, b0 - a1, a0 - b1});
}

int64_t distance2(const QRect &a, const QRect &b)
{
    const int64_t dx = gapBetween(a.left(), a.right(), b.left(), b.right());
    const int64_t dy = gapBetween(a.top(), a.bottom(), b.top(), b.bottom());
    return dx * dx + dy * dy;
}

}  // namespace

QRect Fit(const QRect &frame, const std::vector<QRect> &screens)
{
    if (screens.empty() || frame.width() <= 0 || frame.height() <= 0)
        return frame;
    const QRect grip(frame.left(), frame.top(), frame.width(), std::min(kTitleGripPx, frame.height()));
    const int needWidth = std::min(kMinGripWidthPx, frame.width());

    const QRect *home = nullptr;
    int64_t best = -1;
    for (const QRect &s : screens) {
        const QRect shown = grip & s;
        if (shown.width() >= needWidth && shown.height() >= grip.height()) {
            const int64_t area = int64_t(shown.width()) * shown.height();
            if (area > best) {
                best = area;
                home = &s;
            }
        }
    }
    bool move = false;
    if (!home) {
        move = true;
        int64_t nearest = INT64_MAX;
        for (const QRect &s : screens) {
            const int64_t d = distance2(grip, s);
            if (d < nearest) {
                nearest = d;
                home = &s;
            }
        }
    }

    QRect r = frame;
    if (r.width() > home->width()) {
        r.setWidth(home->width());
        move = true;
    }
    if (r.height() > home->height()) {
        r.setHeight(home->height());
        move = true;
    }
    if (!move)
        return frame;
    const int x = std::clamp(r.left(), home->left(), home->left() + home->width() - r.width());
    const int y = std::clamp(r.top(), home->top(), home->top() + home->height() - r.height());
    r.moveTo(x, y);
    return r;
}

}  // namespace WindowBounds

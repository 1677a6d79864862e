// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The seam between the display and the features. The redraw and the
// display-rate frame publish each screen here; the window registers the
// features at start-up. Display and capture code know only this header.
//
// A screen goes through three steps, each told to every reader in the
// order they were added:
//  1. SamplesRead: fresh samples, before the screen is painted (readings
//     taken from them, samples kept for a figure);
//  2. painting: the first reader that DrawsInstead() paints the screen in
//     place of the traces (the X-Y figure); then every reader may PaintOver
//     the finished traces (trigger marker, readout strip, cursors);
//  3. Shown: a screen from fresh samples is on the surface (the spectrum).
// A screen painted again from the buffers (a new sensitivity, a moved
// marker) goes through step 2 only.
#include "display/screenframe.h"

#include <algorithm>
#include <vector>

class Ris;

class ScreenReader {
public:
    virtual ~ScreenReader() = default;
    virtual void SamplesRead(const ScreenFrame &) {}
    virtual bool DrawsInstead() const { return false; }
    virtual void PaintInstead(const ScreenFrame &, Ris &) {}
    virtual void PaintOver(const ScreenFrame &, Ris &) {}
    virtual void Shown(const ScreenFrame &) {}
};

class ScreenReaders {
public:
    void Add(ScreenReader *reader) { readers_.push_back(reader); }
    void Remove(ScreenReader *reader) { std::erase(readers_, reader); }

    void SamplesRead(const ScreenFrame &f) const
    {
        for (ScreenReader *r : readers_)
            r->SamplesRead(f);
    }
    // The reader that paints the screen instead of the traces, if any.
    ScreenReader *DrawingInstead() const
    {
        const auto it = std::find_if(readers_.begin(), readers_.end(), [](ScreenReader *r) { return r->DrawsInstead(); });
        return it == readers_.end() ? nullptr : *it;
    }
    void PaintOver(const ScreenFrame &f, Ris &surface) const
    {
        for (ScreenReader *r : readers_)
            r->PaintOver(f, surface);
    }
    void Shown(const ScreenFrame &f) const
    {
        for (ScreenReader *r : readers_)
            r->Shown(f);
    }

private:
    std::vector<ScreenReader *> readers_;
};

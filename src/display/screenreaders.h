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
//
// Besides, a reader may ask for stream samples before each display-rate
// screen (a filter that runs on through the gaps between screens), add
// lines to the strip of readings under the screen and words to the
// caption a print or an export writes under the picture.
#include "display/screenframe.h"

#include <QColor>
#include <QStringList>
#include <algorithm>
#include <cstdint>
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

    // Frames of the capture stream wanted before a display-rate screen at `rate`.
    virtual int64_t LeadFrames(int32_t /*rate*/) const { return 0; }
    // Lines added to the strip of readings: how many (known before the
    // screen is read, the strip is sized by it), and the lines themselves.
    virtual int StripRows() const { return 0; }
    virtual void StripLines(QStringList &, std::vector<QColor> &) const {}
    // What the reader adds to the picture (a computed trace, references):
    // said after the settings in a print's or an export's caption.
    virtual QString CaptionNote() const { return QString(); }
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

    int64_t LeadFrames(int32_t rate) const
    {
        int64_t most = 0;
        for (ScreenReader *r : readers_)
            most = std::max(most, r->LeadFrames(rate));
        return most;
    }
    int StripRows() const
    {
        int rows = 0;
        for (ScreenReader *r : readers_)
            rows += r->StripRows();
        return rows;
    }
    void StripLines(QStringList &lines, std::vector<QColor> &colours) const
    {
        for (ScreenReader *r : readers_)
            r->StripLines(lines, colours);
    }
    QStringList CaptionNotes() const
    {
        QStringList notes;
        for (ScreenReader *r : readers_)
            if (const QString n = r->CaptionNote(); !n.isEmpty())
                notes << n;
        return notes;
    }

private:
    std::vector<ScreenReader *> readers_;
};

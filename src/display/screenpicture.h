// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A screen of traces drawn from the display buffers: on the surface as the
// window shows it, and as a scene for the vector picture. The window and
// the command line's pictures both draw through here, so theirs are one
// picture.
#include "app/scopestate.h"
#include "export/scene.h"

#include <cstdint>

class Ris;

namespace ScreenPicture {

// What the front panel sets for the traces of channel 1 and 2: the
// sensitivity selectors' item data and the position bars' values.
struct Beams {
    int32_t sensitivity[2] = {1, 1};
    int32_t position[2] = {0, 0};
};

// One horizontal unit a point; a screen without points still gets a
// graticule across the surface.
void SetScale(Ris &ris, int32_t points);
// Clears the surface to the graticule of a screen of `points` points (or
// to the background alone, for a picture that draws its own).
void DrawGraticule(Ris &ris, int32_t points, int sweep, int32_t sampleRate, bool graticule);
// Channel 1's trace (and channel 2's in two-beam mode), or their
// difference in subtract mode, from st's display buffers.
void DrawTraces(Ris &ris, const ScopeState &st, int32_t points, const Beams &beams);
// The graticule and the same traces as strokes in the surface's pixels.
Scene TracesScene(Ris &ris, const ScopeState &st, int32_t points, int sweep, const Beams &beams);

}  // namespace ScreenPicture

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the main window's controls go for a given outer size. All values
// are twips of the client area; the arithmetic is done in 64 bits so that
// large screens cannot overflow it.
#include <array>
#include <cstdint>
#include <optional>

namespace Layout {

// Sizes of the controls the arithmetic reads (design values by default).
struct Sizes {
    int64_t rasTimeHeight = 315;
    int64_t razvHeight = 255;
    int64_t nachaloHeight = 255;
    int64_t hscroll1Height = 255;
    int64_t vscroll2Width = 255;
    int64_t vscroll1Width = 255;
    int64_t nachaloLeft = 300;
    int64_t nachaloWidth = 615;
    double label3Width = 0;  // as wide as its text
    // Height of the client area; below 0, the outer height less the 750
    // twips of title bar, menu bar and borders the outer size includes.
    double clientHeight = -1;
    // Top row, left to right: OpenBitton, SaveFileBiton, PrintBiton,
    // Stopbiton, SaveBiton, zapis, XminY, U2, U1, RasTime.
    std::array<int64_t, 10> topRowWidths = {495, 495, 495, 495, 495, 495, 495, 1215, 1215, 1215};
};

struct Placement {
    int64_t risTop, risWidth, risHeight;
    int64_t vscroll1Left;
    int64_t nachaloTop;  // also konec and Label3
    int64_t hscroll1Top, hscroll1Width;
    int64_t konecLeft;
    int64_t label2Left;
    bool label3Shown;
    int64_t label3Left;  // meaningful when shown
    int64_t gap;         // G, the spacing of the top row
    std::array<int64_t, 10> topRowLefts;
};

// Empty when the window is too low (H < 2000) to lay anything out.
// W and H are the outer size; they are rounded to whole twips first.
std::optional<Placement> Compute(double W, double H, const Sizes &sizes);

}  // namespace Layout

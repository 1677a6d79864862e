// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Persistence: successive screens of each trace add up, pixel by pixel,
// into a picture where a pixel the traces cross more often is brighter
// and what they crossed long ago fades away. No widgets: pixel
// coordinates in, hit weights and 32-bit pixels out.
//
// Every screen adds 1 to each pixel its trace covers; everything held
// decays as exp(−t/τ) with the time between screens. The decay is kept
// as one factor for the whole picture, so a screen costs only the pixels
// it covers, not a pass over all of them.
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace Persistence {

// The choices of the menu, in seconds; 0 is off, infinity keeps every screen.
inline constexpr double kTimes[] = {0, 0.2, 1, 5, std::numeric_limits<double>::infinity()};
// A single screen's trace is below the visible after about its persistence
// time: the time constant is a third of it.
inline double TimeConstant(double persistence) { return persistence / 3; }
// Below this weight a pixel is not drawn (a screen's trace after three
// time constants).
inline constexpr double kVisible = 0.05;

class Buffer {
public:
    // `layers` traces of `width` × `height` pixels; a change of size empties it.
    void Resize(int width, int height, int layers);
    void Clear();
    bool Empty() const { return screens_ <= 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Layers() const { return layers_; }

    // Lets `seconds` pass at time constant `tau` (infinite: nothing fades).
    void Age(double seconds, double tau);
    // One screen of a trace: the polyline through (x[i], y[i]) in pixels,
    // x not decreasing, adds 1 to every pixel it covers (once per screen).
    void Add(int layer, const double *x, const double *y, size_t n);
    // Ends a screen: its traces count as one screen more.
    void EndScreen();

    // The weight of a pixel: screens that covered it, each faded by its age.
    double Weight(int layer, int x, int y) const;
    // The weight of a pixel every screen covered.
    double Screens() const { return screens_ * scale_; }

    // Paints the layers in `colours` (0xRRGGBB) over the pixels of
    // `pixels` (32-bit, `stride` pixels a row, Height() rows) whose colour
    // is one of `under` (the background and the graticule: the traces
    // drawn last stay on top), each pixel as opaque as it was covered
    // often, between a faint trace for a rare one and the full colour.
    // What has faded below the visible is let go on the way.
    void Render(uint32_t *pixels, int stride, const uint32_t *colours, const uint32_t *under, int underCount);

private:
    // Row by row, as the picture is: drawing goes through the rows in
    // order of memory, and each row only between the first and last pixel
    // any screen covered in it.
    float *row(int layer, int y) { return &w_[(size_t(layer) * size_t(height_) + size_t(y)) * size_t(width_)]; }
    const float *row(int layer, int y) const
    {
        return &w_[(size_t(layer) * size_t(height_) + size_t(y)) * size_t(width_)];
    }
    int width_ = 0, height_ = 0, layers_ = 0;
    std::vector<float> w_;   // weights / scale_
    double scale_ = 1;       // what the stored weights are worth now
    double screens_ = 0;     // screens added / scale_ at the time
    // Per row, the pixels outside which every layer's weight is 0.
    std::vector<int> left_, right_;
    int top_ = 0, bottom_ = -1;  // the rows holding any
    std::vector<int> spanTop_, spanBottom_;  // per column, for one polyline
    // For one render: opacity and the colour it gives over each colour
    // drawn over, by steps of the weight (see Render).
    std::vector<uint16_t> opacity_;
    std::vector<uint32_t> blended_;
};

}  // namespace Persistence

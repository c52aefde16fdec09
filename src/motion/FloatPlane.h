#pragma once

#include <cstddef>
#include <vector>

namespace orvi::motion_core {

// A single-channel image of 32-bit floats, rows stored back to back (row-major):
// sample (x, y) lives at index y * width + x.
//
// A plane is empty when a side is below 1 or the sample count does not match the size;
// every kernel treats an empty input as nothing to do and yields an empty plane.
struct FloatPlane
{
    int width = 0;
    int height = 0;
    std::vector<float> samples;

    FloatPlane() = default;
    // A zero-filled plane; a side below 1 gives the empty plane.
    FloatPlane(int planeWidth, int planeHeight);

    bool isEmpty() const
    {
        return width < 1 || height < 1 || samples.size() != sampleCount(width, height);
    }
    std::size_t size() const { return samples.size(); }

    float* row(int y) { return samples.data() + static_cast<std::size_t>(y) * width; }
    const float* row(int y) const { return samples.data() + static_cast<std::size_t>(y) * width; }
    float at(int x, int y) const { return samples[static_cast<std::size_t>(y) * width + x]; }

    bool sameSize(const FloatPlane& other) const
    {
        return width == other.width && height == other.height;
    }

    // Gives the plane the new size while keeping its storage, so planes reused from frame
    // to frame do not allocate. Sample values are unspecified afterwards: callers overwrite
    // every sample. A side below 1 gives the empty plane.
    void reshape(int planeWidth, int planeHeight);
    // Back to the empty plane (storage is kept for reuse).
    void clear();

    static std::size_t sampleCount(int planeWidth, int planeHeight)
    {
        return static_cast<std::size_t>(planeWidth) * static_cast<std::size_t>(planeHeight);
    }
};

// Reshapes `planes` to one plane per entry of `shapes`, reusing the existing storage.
void reshapeLike(std::vector<FloatPlane>& planes, const std::vector<FloatPlane>& shapes);

} // namespace orvi::motion_core

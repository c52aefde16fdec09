#include "motion/FloatPlane.h"

namespace orvi::motion_core {

FloatPlane::FloatPlane(int planeWidth, int planeHeight)
{
    if (planeWidth < 1 || planeHeight < 1)
        return;
    samples.assign(sampleCount(planeWidth, planeHeight), 0.0f);
    width = planeWidth;
    height = planeHeight;
}

void FloatPlane::reshape(int planeWidth, int planeHeight)
{
    if (planeWidth < 1 || planeHeight < 1) {
        clear();
        return;
    }
    samples.resize(sampleCount(planeWidth, planeHeight));
    width = planeWidth;
    height = planeHeight;
}

void FloatPlane::clear()
{
    samples.clear();
    width = 0;
    height = 0;
}

void reshapeLike(std::vector<FloatPlane>& planes, const std::vector<FloatPlane>& shapes)
{
    planes.resize(shapes.size());
    for (std::size_t i = 0; i < shapes.size(); ++i)
        planes[i].reshape(shapes[i].width, shapes[i].height);
}

} // namespace orvi::motion_core

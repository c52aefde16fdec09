#pragma once

struct AVStream;

namespace orvi::media::libav {

// Display rotation of a video stream in degrees 0..359, as stored in the file.

// Non-finite angles give 0; others are rounded and reduced modulo 360.
int normalizeRotationDegrees(double degrees);
// From the stream's display matrix, else its "rotate" metadata, else 0.
int streamRotationDegrees(const AVStream* stream);
inline bool isQuarterTurn(int degrees)
{
    return degrees == 90 || degrees == 270;
}
inline bool isRightAngle(int degrees)
{
    return degrees == 0 || degrees == 90 || degrees == 180 || degrees == 270;
}

} // namespace orvi::media::libav

#pragma once

// A rectangle as the host receives it: screen coordinates, right and bottom one
// past the last pixel.
struct RECT
{
    long left, top, right, bottom;
};

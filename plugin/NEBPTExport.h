#pragma once

// Marks the classes that libNEBPT.so offers to the host; everything else stays
// inside the library (it is built with -fvisibility=hidden).
#define NEBPT_EXPORT __attribute__((visibility("default")))

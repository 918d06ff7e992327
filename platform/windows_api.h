#pragma once

// The Windows API with the macros that break standard C++ (min, max) left out. Include only
// inside #ifdef _WIN32.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

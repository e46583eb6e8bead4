// GL/gl.h as the Windows builds see it. The system's header needs windows.h before it,
// and windows.h defines RGB as a macro, which would replace gfx::RGB in every file that
// uses GL and draws in 2D as well. windows.h is included here and the macro dropped;
// the program's own code never uses it.
#pragma once

#include <windows.h>
#undef RGB

#include_next <GL/gl.h>

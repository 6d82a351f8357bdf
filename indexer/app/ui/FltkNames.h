// Include after the toolkit's headers: the X11 headers that the toolkit pulls
// in define Button1..Button5 as macros, which would clash with the windows'
// control names. The X headers are taken in first so they cannot return.
#pragma once

#include <FL/x.H>

#undef Button1
#undef Button2
#undef Button3
#undef Button4
#undef Button5

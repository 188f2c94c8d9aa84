#pragma once

#include <windows.h>

// The cursor of a drag that would copy: the arrow with a small box and a
// plus beside it, as Windows shows it over a place that takes a copy. The
// system offers no such cursor to a program that drags without OLE; the
// caller destroys it (DestroyCursor).
HCURSOR CreateCopyCursor(HINSTANCE instance);

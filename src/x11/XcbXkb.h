// The XKB extension's xcb header, which names a field `explicit`: a keyword
// of C++, renamed while the header is read.
#pragma once

#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

// The chart entry points: one call turns a text file of numbers into an
// 800 x 600 chart, written as a 24-bit BMP file of exactly 1,440,054 bytes.
//
// Conventions of this C interface:
//  - Both paths are zero-terminated wide-character strings or null. On Linux
//    they are converted to UTF-8 file names; a string that is not valid
//    Unicode (an unpaired surrogate, a value above 0x10FFFF) becomes the
//    empty name, which cannot be opened. On Windows they are converted to
//    the system's ANSI code page, and the files are opened by those names;
//    a name that code page cannot spell exactly gives the empty name too.
//  - The value file holds one decimal number per line. The plotted values are
//    the lines that end in a line break, in file order, at most 799 of them.
//    A null, missing or unreadable value file counts as a file with no
//    values: the chart shows its two blue axes only and is still written.
//  - The canvas is white, the axes blue (row 590 and column 10), the data red.
//  - Both functions always return 999 and report nothing else: the caller
//    learns of a failure only from the image file (missing, or not the
//    expected 1,440,054 bytes). A call that cannot get memory for its
//    canvas (about 2 MB) writes nothing.
//  - Calls on different threads are independent as long as they name
//    different files. Nothing is kept between calls.
#ifndef KORVELGRAPHLINE_GRAPH_H_
#define KORVELGRAPHLINE_GRAPH_H_

#include <wchar.h>

#include "korvelgraphline/export.h"

#ifdef __cplusplus
extern "C" {
#endif

// Draws one solid red bar per value, side by side from column 10, each bar
// reaching down to the horizontal axis. Returns 999.
KORVEL_EXPORT int GraphBar(const wchar_t* valueFile, const wchar_t* imageFile);

// Draws a red polyline of one-pixel runs from a fixed start just above the
// horizontal axis through the values, left to right. Returns 999.
KORVEL_EXPORT int GraphLine(const wchar_t* valueFile, const wchar_t* imageFile);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // KORVELGRAPHLINE_GRAPH_H_

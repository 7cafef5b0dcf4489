// Header probes: look at a BMP file by name without loading its pixels.
//
// The probes validate nothing. Each opens the file, reads what it can and
// closes it again; a field that could not be read keeps its default, and the
// fields without a default are 0. A null path counts as a file that cannot
// be opened.
#ifndef KORVELGRAPHLINE_BMP_PROBE_H_
#define KORVELGRAPHLINE_BMP_PROBE_H_

#include "korvelgraphline/bmp_format.h"
#include "korvelgraphline/export.h"

namespace korvel {

// The file header. bfType is 0 exactly when the file cannot be opened.
KORVEL_EXPORT BitmapFileHeader ReadFileHeader(const char* path);

// The info header; the defaults of BitmapInfoHeader when the file cannot be
// opened.
KORVEL_EXPORT BitmapInfoHeader ReadInfoHeader(const char* path);

// The file's biBitCount (0 when it cannot be read).
KORVEL_EXPORT int ProbeColorDepth(const char* path);

}  // namespace korvel

#endif  // KORVELGRAPHLINE_BMP_PROBE_H_

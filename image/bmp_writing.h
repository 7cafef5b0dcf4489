// What every BMP file the library writes shares: the two headers for an
// image of a given shape, and the write of a file assembled whole in memory.
// Used by SaveBmp and by the chart canvas, which builds its file directly.
// Internal: not installed.
#ifndef KORVELGRAPHLINE_IMAGE_BMP_WRITING_H_
#define KORVELGRAPHLINE_IMAGE_BMP_WRITING_H_

#include <cstddef>
#include <cstdint>

namespace korvel {

// Bytes of the file SaveBmp writes for width x height pixels at depth:
// headers, colour table or masks, rows.
std::uint64_t BmpFileBytes(int width, int height, int depth);

// Stores the file header and the info header of that file at out, with the
// given stored resolutions (0 = not set, written as the default); returns
// the position after them. The caller has checked that the file size fits
// bfSize.
std::uint8_t* PutBmpHeaders(int width, int height, int depth, int horizontalPpm,
                            int verticalPpm, std::uint8_t* out);

// Creates or truncates path and writes length bytes to it in one call.
// False on a null path, a file that cannot be created, a short write or a
// failing close (a full disk may show only there).
bool WriteWholeFile(const char* path, const std::uint8_t* bytes, std::size_t length);

}  // namespace korvel

#endif  // KORVELGRAPHLINE_IMAGE_BMP_WRITING_H_

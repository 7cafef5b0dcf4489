// Reads the BMP header records from a stream field by field, in the layout of
// bmp_layout.h. Shared by LoadBmp and the header probes. Internal.
#ifndef KORVELGRAPHLINE_IMAGE_BMP_FIELD_READER_H_
#define KORVELGRAPHLINE_IMAGE_BMP_FIELD_READER_H_

#include <cstdint>
#include <cstdio>

#include "image/bmp_layout.h"
#include "korvelgraphline/bmp_format.h"
#include "korvelgraphline/bmp_reader.h"

namespace korvel {
namespace bmp {

// Reads one little-endian field of its own width with ReadChecked. A field
// that does not arrive whole keeps its value. Remembers whether every field
// it was given arrived.
class FieldReader {
 public:
  explicit FieldReader(std::FILE* stream) : stream_(stream) {}

  template <typename Integer>
  void operator()(Integer& field) {
    std::uint8_t bytes[sizeof(Integer)];
    if (ReadChecked(bytes, sizeof(Integer), 1, stream_)) {
      field = LoadLittleEndian<Integer>(bytes);
    } else {
      allArrived_ = false;
    }
  }

  bool AllArrived() const { return allArrived_; }

 private:
  std::FILE* stream_;
  bool allArrived_ = true;
};

// Reads the fields of a file header; true when all arrived.
inline bool ReadFields(std::FILE* stream, BitmapFileHeader& header) {
  FieldReader reader(stream);
  VisitFileHeaderFields(header, reader);
  return reader.AllArrived();
}

// Reads the fields of an info header; true when all arrived.
inline bool ReadFields(std::FILE* stream, BitmapInfoHeader& header) {
  FieldReader reader(stream);
  VisitInfoHeaderFields(header, reader);
  return reader.AllArrived();
}

}  // namespace bmp
}  // namespace korvel

#endif  // KORVELGRAPHLINE_IMAGE_BMP_FIELD_READER_H_

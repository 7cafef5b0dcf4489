// A stdio stream that is closed when it goes out of scope. Internal.
#ifndef KORVELGRAPHLINE_IMAGE_UNIQUE_FILE_H_
#define KORVELGRAPHLINE_IMAGE_UNIQUE_FILE_H_

#include <cstdio>
#include <memory>

namespace korvel {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens path with mode; null for a null path or a file that cannot be opened.
inline UniqueFile OpenFile(const char* path, const char* mode) {
  return UniqueFile(path == nullptr ? nullptr : std::fopen(path, mode));
}

}  // namespace korvel

#endif  // KORVELGRAPHLINE_IMAGE_UNIQUE_FILE_H_

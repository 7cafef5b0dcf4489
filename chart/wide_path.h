// Conversion of the wide-character paths of the chart entry points to the
// narrow file names the rest of the library opens. Internal.
#ifndef KORVELGRAPHLINE_CHART_WIDE_PATH_H_
#define KORVELGRAPHLINE_CHART_WIDE_PATH_H_

#include <string>
#include <wchar.h>

namespace korvel {
namespace chart {

// A narrow file name for a wide path, or none for a null path.
class NarrowPath {
 public:
  // Windows: converts path to the system's ANSI code page, as the narrow
  // file functions expect it; a failed conversion gives the empty name. A
  // character the code page lacks becomes its best-fit stand-in or '?'.
  // Elsewhere: converts path to UTF-8, whatever the locale. wchar_t holds
  // UTF-32 or, where it is 16 bits wide, UTF-16. A string that is not valid
  // Unicode (an unpaired surrogate, a value above 0x10FFFF) gives the empty
  // name.
  explicit NarrowPath(const wchar_t* path);

  // The name, or null when the wide path was null.
  const char* get() const { return isNull_ ? nullptr : name_.c_str(); }

 private:
  bool isNull_;
  std::string name_;
};

}  // namespace chart
}  // namespace korvel

#endif  // KORVELGRAPHLINE_CHART_WIDE_PATH_H_

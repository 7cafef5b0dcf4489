// Reading a value file: one decimal number per line, into a fixed series.
// Internal to the chart functions.
#ifndef KORVELGRAPHLINE_CHART_VALUE_FILE_H_
#define KORVELGRAPHLINE_CHART_VALUE_FILE_H_

namespace korvel {
namespace chart {

// At most this many entries are stored; the last entry read is never
// plotted, so a chart shows at most 799 values.
constexpr int kSeriesCapacity = 800;

// Each read takes at most this many characters minus one from a line.
constexpr int kLineLimit = 200;

struct ValueSeries {
  float entries[kSeriesCapacity];
  int count = 0;  // n: entries stored by the reading loop
};

// Parses the longest prefix of text that forms a decimal number (optional
// white space, sign, digits with an optional point and fraction, optional
// exponent), rounded correctly to double and then to float. No number gives
// 0; "inf", "nan" and hexadecimal text are not numbers. A magnitude beyond
// float saturates at the largest finite float of its sign.
float ParseValue(const char* text);

// Reads the file at path line by line into series. Every read takes up to
// kLineLimit - 1 characters through the next line break; the last character
// of what the buffer holds is then dropped and the rest parsed. The loop ends
// when a read runs into the end of the file, so a file of k lines that each
// end in a line break gives k + 1 entries, the last a leftover that is never
// plotted. A null path, or a file that cannot be opened or read, gives no
// entries.
void ReadValueFile(const char* path, ValueSeries& series);

}  // namespace chart
}  // namespace korvel

#endif  // KORVELGRAPHLINE_CHART_VALUE_FILE_H_

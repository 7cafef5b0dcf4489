// korvel_chart_host DLL OUTDIR VALUES...: a Windows host of the chart DLL.
//
// Loads the DLL at run time, takes GraphBar and GraphLine both by export
// ordinal (1 and 2) and by name and checks that each pair is the same
// function, then draws a bar and a line chart of every value file through
// the ordinals into OUTDIR\<name>-bar.bmp and OUTDIR\<name>-line.bmp, where
// <name> is the value file's name without its directory and extension.
// Finally draws a chart through the names into files whose names are not
// ASCII, each one the ANSI code page can spell, to show the path reaching
// the file system through that code page, and names it cannot spell, which
// must give no file at all. Every other chart must come back as a file of
// 1,440,054 bytes, and each call must return 999. Exit status 0 on success,
// 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

using ChartFunction = int(__cdecl*)(const wchar_t*, const wchar_t*);

constexpr int kChartResult = 999;
constexpr ULONGLONG kChartFileBytes = 1440054;

int Fail(const wchar_t* what, const std::wstring& subject) {
  std::fwprintf(stderr, L"korvel_chart_host: %ls: %ls\n", subject.c_str(), what);
  return 1;
}

ChartFunction Export(HMODULE module, const char* nameOrOrdinal) {
  return reinterpret_cast<ChartFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, nameOrOrdinal)));
}

bool IsChartFile(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  const ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return size == kChartFileBytes;
}

// Draws one chart into path, deleting an old file first so that it cannot
// pass for the new one.
bool Draw(ChartFunction chart, const std::wstring& values, const std::wstring& path) {
  DeleteFileW(path.c_str());
  return chart(values.c_str(), path.c_str()) == kChartResult && IsChartFile(path);
}

std::wstring BaseName(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

// True when the ANSI code page spells text exactly: no substitute and no
// best-fit stand-in (such as a plain e for an e acute).
bool FitsAnsiCodePage(const wchar_t* text) {
  BOOL usedDefault = FALSE;
  return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, nullptr, 0, nullptr,
                             &usedDefault) > 0 &&
         !usedDefault;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fwprintf(stderr, L"usage: korvel_chart_host DLL OUTDIR VALUES...\n");
    return 2;
  }
  const std::wstring dll = argv[1];
  const std::wstring outDir = std::wstring(argv[2]) + L"\\";

  HMODULE module = LoadLibraryW(dll.c_str());
  if (module == nullptr) return Fail(L"LoadLibrary failed", dll);

  const ChartFunction barByOrdinal = Export(module, MAKEINTRESOURCEA(1));
  const ChartFunction lineByOrdinal = Export(module, MAKEINTRESOURCEA(2));
  const ChartFunction barByName = Export(module, "GraphBar");
  const ChartFunction lineByName = Export(module, "GraphLine");
  if (barByOrdinal == nullptr || lineByOrdinal == nullptr) {
    return Fail(L"ordinal 1 or 2 is missing", dll);
  }
  if (barByOrdinal != barByName || lineByOrdinal != lineByName) {
    return Fail(L"ordinals 1 and 2 are not GraphBar and GraphLine", dll);
  }
  if (Export(module, MAKEINTRESOURCEA(3)) != nullptr) return Fail(L"exports an ordinal 3", dll);

  int drawn = 0;
  for (int i = 3; i < argc; ++i) {
    const std::wstring values = argv[i];
    const std::wstring stem = outDir + BaseName(values);
    if (!Draw(barByOrdinal, values, stem + L"-bar.bmp")) return Fail(L"no bar chart", values);
    if (!Draw(lineByOrdinal, values, stem + L"-line.bmp")) return Fail(L"no line chart", values);
    drawn += 2;
  }

  // Names that only some ANSI code pages can spell: e acute (Western and
  // others, one byte) and katakana (Japanese, two bytes a character).
  const wchar_t* const kNonAsciiNames[] = {L"chart-\u00e9.bmp", L"\u30c1\u30e3\u30fc\u30c8.bmp"};
  int nonAscii = 0;
  for (const wchar_t* name : kNonAsciiNames) {
    if (argc == 3 || !FitsAnsiCodePage(name)) continue;
    const std::wstring path = outDir + name;
    if (!Draw(lineByName, argv[3], path)) return Fail(L"no chart under a non-ASCII name", path);
    DeleteFileW(path.c_str());
    ++nonAscii;
  }

  // A name the code page cannot spell exactly must not reach a look-alike
  // file: a macron a has the best-fit stand-in "a" in several code pages,
  // and katakana become "?" in the Western ones.
  const wchar_t* const kUnspellable[][2] = {{L"chart-\u0101.bmp", L"chart-a.bmp"},
                                            {L"\u30c1\u30e3\u30fc\u30c8.bmp", nullptr}};
  for (const auto& name : kUnspellable) {
    if (argc == 3 || FitsAnsiCodePage(name[0])) continue;
    const std::wstring path = outDir + name[0];
    if (Draw(lineByName, argv[3], path)) return Fail(L"a chart under an unspellable name", path);
    if (name[1] != nullptr && GetFileAttributesW((outDir + name[1]).c_str()) != INVALID_FILE_ATTRIBUTES) {
      return Fail(L"the chart went to a look-alike name", outDir + name[1]);
    }
  }

  if (!FreeLibrary(module)) return Fail(L"FreeLibrary failed", dll);
  std::wprintf(L"korvel_chart_host: %d charts drawn, %d more under non-ASCII names "
               L"(ANSI code page %u)\n", drawn, nonAscii, GetACP());
  return 0;
}

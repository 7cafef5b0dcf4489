// Loads the built shared object by path and calls the chart entry points by
// their exported names, as a host that loads the module at run time does.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using ChartFunction = int (*)(const wchar_t*, const wchar_t*);

class SharedLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    handle_ = dlopen(KORVEL_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (handle_ != nullptr) dlclose(handle_);
  }
  void* handle_ = nullptr;
};

TEST_F(SharedLibraryTest, ChartFunctionsAreExportedUndecorated) {
  for (const char* name : {"GraphBar", "GraphLine"}) {
    auto chart = reinterpret_cast<ChartFunction>(dlsym(handle_, name));
    ASSERT_NE(chart, nullptr) << name;
    char directory[] = "/tmp/korvel-dlopen-XXXXXX";
    ASSERT_NE(mkdtemp(directory), nullptr);
    const std::string image = std::string(directory) + "/chart.bmp";
    const std::wstring wide(image.begin(), image.end());
    EXPECT_EQ(chart(nullptr, wide.c_str()), 999);
    struct stat written {};
    ASSERT_EQ(stat(image.c_str(), &written), 0) << name;
    EXPECT_EQ(written.st_size, 1440054);
    std::remove(image.c_str());
    rmdir(directory);
  }
}

TEST_F(SharedLibraryTest, InternalHelpersStayHidden) {
  // The value-file reader is internal; only the public API is exported.
  EXPECT_EQ(dlsym(handle_, "_ZN6korvel5chart13ReadValueFileEPKcRNS0_11ValueSeriesE"), nullptr);
  EXPECT_NE(dlsym(handle_, "_ZN6korvel12IntegerPowerEii"), nullptr);
}

}  // namespace

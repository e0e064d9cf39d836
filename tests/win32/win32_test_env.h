#pragma once
// Helpers of the Win32 tests: a fresh temporary folder per test and plain file access that does not
// go through the code under test.
#include "platform/win32/wide.h"

#include <gtest/gtest.h>

#include <string>

namespace win32_test {

using platform::win32::u16;
using platform::win32::wide;

inline const wchar_t *w(const std::u16string &s)
{
    return reinterpret_cast<const wchar_t *>(s.c_str());
}

void writeFile(const std::u16string &path, const std::string &bytes);
std::string readFile(const std::u16string &path);
bool exists(const std::u16string &path);
// Removes a tree with everything in it, links as links.
void removeTree(const std::u16string &path);
// The folder the test program lies in, without a trailing separator.
std::u16string programFolder();
std::u16string currentFolder();

// Each test gets its own new folder below the temporary folder (without a trailing separator) and
// works in it; the folder and the former working folder are restored afterwards.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::u16string path(const std::u16string &name) const { return folder + u"\\" + name; }

    std::u16string folder;

private:
    std::u16string previousFolder_;
};

} // namespace win32_test

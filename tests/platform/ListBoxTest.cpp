// The hidden list box programs use to list their plug-in files.
#include <gtest/gtest.h>

#include <windows.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/WindowTestSupport.h"

namespace {

class ListBoxTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    omtest::startSession();
    folder = std::filesystem::temp_directory_path() / ("om-listbox-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "sub.qzl");
    for (const char* name : {"beta.qzl", "Alpha.QZL", "notes.txt", "gamma.qzl.bak"})
      std::ofstream(folder / name) << "x";
    previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
  }
  void TearDown() override
  {
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
  }
  std::filesystem::path folder;
  std::filesystem::path previous;
};

// LB_DIR(0, "*.qzl") lists the matching files of the current folder (not folders, the name
// matched without regard to case); LB_GETCOUNT and LB_GETTEXT read them back from the last to
// the first until LB_ERR.
TEST_F(ListBoxTest, DirListsMatchingFiles)
{
  HWND list = CreateWindowExA(0, "LISTBOX", "*.qzl", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(list, nullptr);
  EXPECT_FALSE(IsWindowVisible(list));
  EXPECT_EQ(SendMessageA(list, LB_DIR, DDL_READWRITE, reinterpret_cast<LPARAM>("*.qzl")), 1);
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
  std::vector<std::string> names;
  char buffer[MAX_PATH];
  for (WPARAM i = 1; SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer)) != LB_ERR;
       --i) {
    names.emplace_back(buffer);
    if (i == 0) break;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"beta.qzl", "Alpha.QZL"}));
  EXPECT_EQ(SendMessageA(list, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(buffer)), LB_ERR);
  EXPECT_EQ(SendMessageA(list, LB_DIR, DDL_READWRITE, reinterpret_cast<LPARAM>("*.none")), 1);
  DestroyWindow(list);
  HWND empty = CreateWindowExA(0, "listbox", nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
  EXPECT_EQ(SendMessageA(empty, LB_DIR, 0, reinterpret_cast<LPARAM>("*.none")), LB_ERR);
  EXPECT_EQ(SendMessageA(empty, LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageA(empty, LB_DIR, 0, reinterpret_cast<LPARAM>("no/such/folder/*.qzl")),
            LB_ERR);
}

}  // namespace

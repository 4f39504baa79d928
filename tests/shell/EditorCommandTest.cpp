// The editor command's words and the line of a results entry.
#include <gtest/gtest.h>

#include "shell/uFL_EditorCommand.h"

TEST(EditorCommand, PlaceholdersFilledWithinWords) {
  const std::string File = "/src/my unit {line}.pas";
  EXPECT_EQ(EditorCommandWords("code -g {file}:{line}:{col}", File, 12, 3),
            (std::vector<std::string>{"code", "-g", "/src/my unit {line}.pas:12:3"}));
  EXPECT_EQ(EditorCommandWords("kate --line {line} {file}", File, 7, 1),
            (std::vector<std::string>{"kate", "--line", "7", File}));
  EXPECT_EQ(EditorCommandWords("vi +{line} {file} {file}", "a", 1, 1),
            (std::vector<std::string>{"vi", "+1", "a", "a"}));
  EXPECT_TRUE(EditorCommandWords("   ", File, 1, 1).empty());
}

TEST(EditorCommand, LineOfAnEntry) {
  const struct {
    const char* Text;
    int Line;
  } Cases[] = {{"[Line   12]   begin", 12}, {"[Line 12345] x", 12345},
               {"[Line    1] ", 1},         {"[Line ] x", 0},
               {"[Line 12 x", 0},           {"Search", 0},
               {"/src/[Line 1].pas", 0},    {"[Line 9]", 9}};
  for (const auto& C : Cases) EXPECT_EQ(EntryLineNumber(C.Text), C.Line) << C.Text;
}

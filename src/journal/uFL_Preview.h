// A preview of a replace or an add-unit: every save is refused and what it would have written is
// kept, as a unified diff and as the changed lines shown under the file's "Preview" category.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "journal/uFL_ActionObserver.h"

struct TFilePreview {
  std::string RelPath;  // relative to the start directory, as the diff names it
  std::string Diff;
  std::vector<std::pair<int, std::string>> Lines;  // changed lines of the new text
};

class TPreview : public IActionObserver {
 public:
  // StartDir: the file set's start directory; empty for the current directory.
  explicit TPreview(const std::string& StartDir);

  bool BeforeSave(const std::string& Path, std::string_view OldBytes, std::string_view NewBytes,
                  unsigned Mode) override;
  void AfterSave(const std::string&, std::string_view) override {}
  bool WriteResults(TBaseFile& File) override;
  std::vector<std::string> StatisticsLines() const override;

  const std::vector<TFilePreview>& Files() const { return FFiles; }
  // Every file's diff, in the order of the files.
  std::string Diff() const;

 private:
  std::string FStart;  // resolved, with a trailing "/"
  std::vector<TFilePreview> FFiles;
  bool FPending = false;  // the last file saved has not shown its lines yet
};

// "N files would be changed" (1: "1 file would be changed").
std::string WouldChangeText(int N);

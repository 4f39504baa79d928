// The status line and header texts.
#include "shell/uFL_StatusLine.h"

#include <array>

namespace {

// "&&" in a caption shows as one ampersand; these are the texts as the label shows them.
constexpr std::array<const char*, 5> MainTitles = {"File Selection Page", "Action Pages",
                                                   "Results Page", "Tracing Page",
                                                   "Various Options & About Page"};
constexpr std::array<const char*, 3> ActionSuffixes = {" - Generic Actions", " - Delphi Actions",
                                                       " - Oracle Actions"};

}  // namespace

std::string PageTitle(TMainPage Main, TActionPage Action) {
  std::string Title = MainTitles[size_t(Main)];
  if (Main == TMainPage::tsAction) Title += ActionSuffixes[size_t(Action)];
  return Title;
}

std::string StatusLineText(const TStatusFacts& F) {
  std::string Text;
  switch (F.Mode) {
    case bmFileList:
      Text = std::to_string(F.Count) + " file(s) in file list";
      break;
    case bmAction:
      // An action never runs over an empty list; the guard keeps a stray call harmless.
      Text = std::to_string(F.Count > 0 ? F.FilesDone * 100 / F.Count : 0) + "% done";
      if (!F.CurrentFile.empty()) Text += ", busy with " + F.CurrentFile;
      break;
    case bmIdle:
      Text = std::to_string(F.Count) + " file(s) in file list";
      if (F.ReadOnlyCount > 0)
        Text += ", of which " + std::to_string(F.ReadOnlyCount) + " are readonly.";
      if (F.HasResults) Text += " There are results.";
      break;
  }
  return Text;
}

TProgress StepCollectProgress(TProgress P) {
  if (P.Position < P.Maximum) ++P.Position;
  if (P.Position == P.Maximum) P.Maximum = int(P.Maximum * 6LL / 5);
  return P;
}

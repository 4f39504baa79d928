// The page rules.
#include "shell/uFL_PageRules.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_set>

#include "fileset/uFL_FileList.h"
#include "support/uFL_ResultTree.h"
#include "support/uFL_Utils.h"

bool ApplyFileTypeRules(std::vector<bool>& Checked, bool& AllFilesMode) {
  if (Checked.empty()) return false;
  if (Checked[0] && !AllFilesMode) {
    std::fill(Checked.begin() + 1, Checked.end(), false);
    AllFilesMode = true;
  } else if (AllFilesMode) {
    AllFilesMode = false;
    if (Checked[0] && std::find(Checked.begin() + 1, Checked.end(), true) != Checked.end())
      Checked[0] = false;
  }
  return std::find(Checked.begin(), Checked.end(), true) != Checked.end();
}

const char* CheckStartDirectory(const std::string& Dir) {
  return Dir.empty() ? PageMsg::NoDirectory : nullptr;
}

const char* PrepareSearch(const std::string& SearchText, std::vector<std::string>& SearchList) {
  if (SearchText.empty() && SearchList.empty()) return PageMsg::EnterSearchText;
  if (SearchList.empty()) SearchList.push_back(SearchText);
  return nullptr;
}

const char* PrepareReplace(const std::string& SearchText, const std::string& ReplaceText,
                           std::vector<std::string>& SearchList,
                           std::vector<std::string>& ReplaceList, bool ReplaceListLoaded) {
  if (SearchText.empty() && SearchList.empty()) return PageMsg::EnterSearchText;
  if (ReplaceText.empty() && ReplaceList.empty()) return PageMsg::EnterReplacementText;
  if (ReplaceListLoaded && !ReplaceListPairs(SearchList, ReplaceList)) return PageMsg::ListsDiffer;
  if (SearchList.empty()) SearchList.push_back(SearchText);
  if (ReplaceList.empty()) ReplaceList.push_back(ReplaceText);
  if (SearchList.size() > 1 && ReplaceList.size() != SearchList.size())
    return PageMsg::IncorrectReplace;
  if (SearchList.size() == 1 && ReplaceList.size() > 1) return PageMsg::IncorrectReplace;
  return nullptr;
}

bool ReplaceListPairs(const std::vector<std::string>& SearchList,
                      const std::vector<std::string>& ReplaceList) {
  return SearchList.size() == ReplaceList.size();
}

void LoadTermList(const std::string& FileName, std::vector<std::string>& List) {
  std::vector<std::string> Lines = SplitTextLines(ReadWholeFile(FileName));
  // A line of blanks is a term; only a line with nothing on it is refused.
  if (std::any_of(Lines.begin(), Lines.end(), [](const std::string& L) { return L.empty(); })) {
    List.clear();
    throw std::runtime_error(PageMsg::EmptyLines);
  }
  List = std::move(Lines);
}

std::string SearchReplaceSummary(const std::vector<std::string>& SearchList,
                                 const std::string& SearchText,
                                 const std::vector<std::string>& ReplaceList,
                                 const std::string& ReplaceText) {
  std::string Text;
  if (!SearchList.empty() || !SearchText.empty()) {
    Text = "Searching for ";
    Text += SearchList.size() >= 2 ? std::to_string(SearchList.size()) + " texts" : SearchText;
  }
  if (!ReplaceList.empty() || !ReplaceText.empty()) {
    Text += Text.empty() ? "Replacing undefined searchdata with " : ", replacing with ";
    Text += ReplaceList.size() >= 2 ? std::to_string(ReplaceList.size()) + " texts." : ReplaceText;
  }
  if (Text.empty()) Text = "No data entered for Search or Replace action";
  return Text;
}

std::string FileEntryHint(const std::string& Path, const TSearchRec& Rec) {
  std::string Hint = ExtractFileName(Path) + ", " + std::to_string(Rec.Size) + " bytes";
  if (Rec.Attr & faReadOnly) Hint += ", Readonly";
  return Hint;
}

void KeepFilesWithResults(TFileList& List, const TResultTree& Tree) {
  const std::vector<std::string> Names = Tree.FileNames();
  const std::unordered_set<std::string> WithResults(Names.begin(), Names.end());
  // By path, not by index: a removal invalidates the list's positional view.
  List.BeginUpdate();
  for (const std::string& Path : List.Paths())
    if (!WithResults.count(Path)) List.Remove(Path);
  List.EndUpdate();
}

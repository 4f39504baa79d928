// The precise rules and the try..except check over realistic units: one row per unit with the
// findings pinned in corpus/expected.tsv; per rule, precision and recall over the whole corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "AnalysisTestUtil.h"

namespace {

namespace fs = std::filesystem;

const fs::path CorpusDir = FERROLIN_CORPUS_DIR;

struct TPinned {
  std::string Rule;
  int Line;
  std::string Name;  // upper-cased; "-" for a finding about the whole file
  auto operator<=>(const TPinned&) const = default;
};

std::string Upper(std::string S) {
  for (char& C : S)
    if (C >= 'a' && C <= 'z') C = char(C - 32);
  return S;
}

std::map<std::string, std::vector<TPinned>> ExpectedFindings() {
  std::map<std::string, std::vector<TPinned>> All;
  std::ifstream In(CorpusDir / "expected.tsv");
  std::string Line;
  while (std::getline(In, Line)) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    std::istringstream Row(Line);
    std::string Path, Rule, Number, Name;
    if (!std::getline(Row, Path, '\t') || !std::getline(Row, Rule, '\t') ||
        !std::getline(Row, Number, '\t') || !std::getline(Row, Name, '\t'))
      continue;
    All[Path].push_back({Rule, std::stoi(Number), Upper(Name)});
  }
  return All;
}

// The subject a finding names: the word after "object"/"cursor", or the destructor.
std::string Subject(const TFinding& F) {
  if (F.RuleId == "FL012") return "-";
  std::istringstream Words(F.Message);
  std::vector<std::string> W{std::istream_iterator<std::string>(Words), {}};
  if (F.RuleId == "FL003") return W.size() > 1 ? W[1] : "";
  for (size_t i = 0; i + 1 < W.size(); ++i)
    if (W[i] == "object" || W[i] == "Cursor" || W[i] == "cursor") return W[i + 1];
  return "";
}

std::vector<TPinned> Found(const std::string& Path) {
  TResultTree Tree;
  const bool Delphi = Path.ends_with(".pas");
  std::unique_ptr<TCodeFile> File;
  if (Delphi)
    File = std::make_unique<TDelphiFile>(&Tree);
  else
    File = std::make_unique<TOracleFile>(&Tree);
  const fs::path Full = CorpusDir / Path;
  File->SetFileName(Full.string());
  File->FileRec.Size = int64_t(fs::file_size(Full));
  File->FileRec.Attr = 32;
  EXPECT_TRUE(File->Load()) << Path;
  File->Analyse(Delphi ? CheckBit(coLocalLeak) | CheckBit(coUnprotectedFree) |
                             CheckBit(coDestructorInherited) | CheckBit(coNoTryExcept)
                       : CheckBit(coCursorNotClosed) | CheckBit(coCursorOpenOnException));
  File->WriteResults();
  std::vector<TPinned> Out;
  for (const TFinding& F : File->Findings)
    if (!F.Suppressed) Out.push_back({F.RuleId, F.Line, Subject(F)});
  std::sort(Out.begin(), Out.end());
  return Out;
}

std::vector<std::string> CorpusUnits() {
  std::vector<std::string> Paths;
  for (const char* Dir : {"delphi", "plsql"})
    for (const auto& E : fs::directory_iterator(CorpusDir / Dir))
      if (E.is_regular_file())
        Paths.push_back(std::string(Dir) + "/" + E.path().filename().string());
  std::sort(Paths.begin(), Paths.end());
  return Paths;
}

// Counts per rule over the corpus: findings that match a pinned one, false ones, missed ones.
struct TScore {
  int Hit = 0, False = 0, Missed = 0;
};

TEST(Corpus, EveryUnitGivesItsPinnedFindings) {
  const auto Expected = ExpectedFindings();
  ASSERT_GE(Expected.size(), 30u) << "the corpus is missing";
  std::map<std::string, TScore> Scores;
  int Units = 0;
  for (const std::string& Path : CorpusUnits()) {
    ++Units;
    std::vector<TPinned> Want;
    if (auto It = Expected.find(Path); It != Expected.end()) Want = It->second;
    std::sort(Want.begin(), Want.end());
    const std::vector<TPinned> Got = Found(Path);
    std::vector<TPinned> Extra, Missing;
    std::set_difference(Got.begin(), Got.end(), Want.begin(), Want.end(),
                        std::back_inserter(Extra));
    std::set_difference(Want.begin(), Want.end(), Got.begin(), Got.end(),
                        std::back_inserter(Missing));
    for (const TPinned& P : Got) ++Scores[P.Rule].Hit;
    for (const TPinned& P : Extra) {
      --Scores[P.Rule].Hit;
      ++Scores[P.Rule].False;
      ADD_FAILURE() << Path << ": unexpected " << P.Rule << " line " << P.Line << " " << P.Name;
    }
    for (const TPinned& P : Missing) {
      ++Scores[P.Rule].Missed;
      ADD_FAILURE() << Path << ": missing " << P.Rule << " line " << P.Line << " " << P.Name;
    }
  }
  EXPECT_GE(Units, 95);
  for (const auto& [Rule, S] : Scores)
    std::cout << Rule << ": " << S.Hit << " found, " << S.False << " false, " << S.Missed
              << " missed\n";
}

}  // namespace

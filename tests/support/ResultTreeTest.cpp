// The results tree's text layouts and pruning.
#include "support/uFL_ResultTree.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/TempTree.h"
#include "support/uFL_Utils.h"

namespace {

// Header with statistics, then two files with categories, as an action leaves the tree.
void Fill(TResultTree& T) {
  TResultNode* H = T.Add(nullptr, "Results for Search");
  TResultNode* S = T.Add(H, "Statistics");
  T.Add(S, "Action took 1 seconds");
  TResultNode* F1 = T.Add(nullptr, "/src/unit1.pas");
  T.Add(T.Add(F1, "Search"), "[Line   12] Result := 0;");
  TResultNode* F2 = T.Add(nullptr, "/src/unit2.pas");
  T.Add(T.Add(F2, "Errors"), "Binary file, skipped");
}

std::string Text(const TResultTree& T, bool FilenamesOnly) {
  std::ostringstream Out;
  T.WriteText(Out, FilenamesOnly, "\n");
  return Out.str();
}

TEST(ResultTree, WholeTreeHasOneTabPerLevel) {
  TResultTree T;
  Fill(T);
  EXPECT_EQ(Text(T, false),
            "Results for Search\n\tStatistics\n\t\tAction took 1 seconds\n"
            "/src/unit1.pas\n\tSearch\n\t\t[Line   12] Result := 0;\n"
            "/src/unit2.pas\n\tErrors\n\t\tBinary file, skipped\n");
  EXPECT_EQ(T.NodeCount(), 9);
}

TEST(ResultTree, FilenamesOnlySkipsTheHeader) {
  TResultTree T;
  Fill(T);
  EXPECT_EQ(Text(T, true), "/src/unit1.pas\n/src/unit2.pas\n");
  TResultTree Empty;
  EXPECT_EQ(Text(Empty, true), "");
}

TEST(ResultTree, SavedFileUsesCrLf) {
  TTempTree Dir;
  TResultTree T;
  Fill(T);
  SaveResultTree(T, Dir.Path("r.txt"), true);
  EXPECT_EQ(Dir.Read("r.txt"), "/src/unit1.pas\r\n/src/unit2.pas\r\n");
  EXPECT_THROW(SaveResultTree(T, Dir.Path("missing/r.txt"), false), EFileError);
}

TEST(ResultTree, KeepOnlyBranchKeepsHeaderFirstAndTheChosenFile) {
  TResultTree T;
  Fill(T);
  // Chosen by an entry node of the second file.
  TResultNode* Entry = T.Top(2)->Children[0]->Children[0].get();
  T.KeepOnlyBranch(Entry);
  ASSERT_EQ(T.TopCount(), 2);
  EXPECT_EQ(T.Top(0)->Text, "Results for Search");
  EXPECT_EQ(T.Top(1)->Text, "/src/unit2.pas");
  EXPECT_EQ(T.Top(1)->Row, 1);
  EXPECT_EQ(T.NodeCount(), 6);
  EXPECT_EQ(T.FileNames(), std::vector<std::string>{"/src/unit2.pas"});
}

TEST(ResultTree, DeleteTopRenumbersTheRest) {
  TResultTree T;
  Fill(T);
  T.DeleteTop(T.Top(1));
  ASSERT_EQ(T.TopCount(), 2);
  EXPECT_EQ(T.Top(1)->Text, "/src/unit2.pas");
  EXPECT_EQ(T.Top(1)->Row, 1);
  EXPECT_EQ(T.NodeCount(), 6);
  EXPECT_EQ(T.Top(1)->Children[0]->FileNode(), T.Top(1));
  EXPECT_EQ(T.Top(1)->Children[0]->Children[0]->Level(), 2);
}

TEST(ResultTree, TakeTopNodesAppendsAnotherTreesFiles) {
  TResultTree T, Part;
  T.Add(nullptr, "Results for Search");
  Fill(Part);
  TResultNode* Moved = Part.Top(1);
  T.TakeTopNodes(Part);
  EXPECT_TRUE(Part.Empty());
  EXPECT_EQ(Part.NodeCount(), 0);
  ASSERT_EQ(T.TopCount(), 4);
  EXPECT_EQ(T.Top(2), Moved);  // the nodes themselves move: pointers a file keeps stay valid
  EXPECT_EQ(T.Top(2)->Row, 2);
  EXPECT_EQ(T.Top(3)->Row, 3);
  EXPECT_EQ(T.NodeCount(), 10);
  EXPECT_EQ(Text(T, true), "Results for Search\n/src/unit1.pas\n/src/unit2.pas\n");
}

// A tree folding its files from the start makes no nodes for them; each file's lines come from a
// tree of its own, as a worker thread writes them. No layout changes: the header still comes
// first with the statistics added after the files, and a file added as nodes comes after the
// folded ones.
TEST(ResultTree, FoldedFilesKeepEveryLayout) {
  TResultTree Plain;
  TResultNode* PlainHeader = Plain.Add(nullptr, "Results for Search");
  TResultNode* F1 = Plain.Add(nullptr, "/src/unit1.pas");
  Plain.Add(Plain.Add(F1, "Search"), "[Line   12] Result := 0;");
  Plain.Add(F1, "Errors");
  Plain.Add(Plain.Add(nullptr, "/src/unit2.pas"), std::string(70000, 'x'));  // over a block's end
  Plain.Add(Plain.Add(nullptr, "/src/unit3.pas"), "Search");
  Plain.Add(Plain.Add(PlainHeader, "Statistics"), "Action took 1 seconds");

  TResultTree Folded;
  Folded.SetFolding(true);
  TResultNode* H = Folded.Add(nullptr, "Results for Search");
  for (int File = 1; File <= 2; ++File) {
    TResultTree Part;
    Part.SetFolding(true);
    Part.AddFolded(0, "/src/unit" + std::to_string(File) + ".pas");
    if (File == 1) {
      Part.AddFolded(1, "Search");
      Part.AddFolded(2, "[Line   12] ", "Result := 0;");
      Part.AddFolded(1, "Errors");
    } else {
      Part.AddFolded(1, std::string(70000, 'x'));
    }
    Folded.TakeTopNodes(Part);
    EXPECT_EQ(Part.NodeCount(), 0);
    EXPECT_EQ(Text(Part, false), "");
  }
  Folded.Add(Folded.Add(nullptr, "/src/unit3.pas"), "Search");
  Folded.Add(Folded.Add(H, "Statistics"), "Action took 1 seconds");
  EXPECT_EQ(Folded.TopCount(), 2);
  for (bool FilenamesOnly : {false, true})
    EXPECT_EQ(Text(Folded, FilenamesOnly), Text(Plain, FilenamesOnly));
  EXPECT_EQ(Folded.FileNames(),
            (std::vector<std::string>{"/src/unit1.pas", "/src/unit2.pas", "/src/unit3.pas"}));
  EXPECT_EQ(Folded.NodeCount(), Plain.NodeCount());
  TTempTree Dir;
  SaveResultTree(Folded, Dir.Path("r.txt"), false);
  EXPECT_EQ(Dir.Read("r.txt").find("Results for Search\r\n\tStatistics\r\n"), 0u);
  Folded.Clear();
  EXPECT_EQ(Text(Folded, false), "");
}

}  // namespace

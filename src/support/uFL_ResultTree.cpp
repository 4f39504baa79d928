// The results tree and its text layouts.
#include "support/uFL_ResultTree.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "support/uFL_Utils.h"

int TResultNode::Level() const {
  int L = 0;
  for (const TResultNode* P = Parent; P; P = P->Parent) ++L;
  return L;
}

TResultNode* TResultNode::FileNode() {
  TResultNode* N = this;
  while (N->Parent) N = N->Parent;
  return N;
}

namespace {
long long CountNodes(const TResultNode& N) {
  long long C = 1;
  for (const auto& Child : N.Children) C += CountNodes(*Child);
  return C;
}
}  // namespace

namespace {
constexpr size_t FoldedBlockSize = size_t(1) << 20;
constexpr size_t FoldedHead = 1 + sizeof(uint32_t);  // a line's level and length

// Room for Need bytes more at the end of the last block. A tree of one file's results starts
// small; blocks grow to FoldedBlockSize.
std::string& FoldedRoom(std::vector<std::string>& Blocks, size_t Need) {
  if (Blocks.empty() || Blocks.back().size() + Need > Blocks.back().capacity()) {
    const size_t Next =
        Blocks.empty() ? 4096 : std::min(Blocks.back().capacity() * 2, FoldedBlockSize);
    Blocks.emplace_back();
    Blocks.back().reserve(std::max(Need, Next));
  }
  return Blocks.back();
}

}  // namespace

TResultNode* TResultTree::Add(TResultNode* Parent, std::string Text) {
  auto& Siblings = Parent ? Parent->Children : FTop;
  const int Row = int(Siblings.size());
  if (Listener) Listener->BeforeInsert(Parent, Row);
  auto Node = std::make_unique<TResultNode>();
  Node->Text = std::move(Text);
  Node->Parent = Parent;
  Node->Row = Row;
  TResultNode* Raw = Node.get();
  Siblings.push_back(std::move(Node));
  ++FCount;
  if (Listener) Listener->AfterInsert();
  return Raw;
}

void TResultTree::TakeTopNodes(TResultTree& Other) {
  if (&Other == this) return;
  // Other's folded lines come before its nodes, as they do in its own layouts.
  for (const std::string& B : Other.FFolded)
    if (!B.empty()) FoldedRoom(FFolded, B.size()).append(B);
  Other.FFolded.clear();
  FCount += Other.FCount;
  Other.FCount = 0;
  if (Other.FTop.empty()) return;
  if (Other.Listener) Other.Listener->BeforeReset();
  for (auto& Node : Other.FTop) {
    const int Row = TopCount();
    if (Listener) Listener->BeforeInsert(nullptr, Row);
    Node->Row = Row;
    FTop.push_back(std::move(Node));
    if (Listener) Listener->AfterInsert();
  }
  Other.FTop.clear();
  if (Other.Listener) Other.Listener->AfterReset();
}

void TResultTree::DeleteTop(TResultNode* Node) {
  if (!Node || Node->Parent) return;
  const int Row = Node->Row;
  if (Row < 0 || Row >= TopCount() || FTop[size_t(Row)].get() != Node) return;
  if (Listener) Listener->BeforeRemove(nullptr, Row);
  FCount -= CountNodes(*Node);
  FTop.erase(FTop.begin() + Row);
  for (size_t i = size_t(Row); i < FTop.size(); ++i) FTop[i]->Row = int(i);
  if (Listener) Listener->AfterRemove();
}

void TResultTree::Clear() {
  if (Listener) Listener->BeforeReset();
  FTop.clear();
  FFolded.clear();
  FCount = 0;
  if (Listener) Listener->AfterReset();
}

void TResultTree::ExpandAll(TResultNode* Node) {
  if (Listener) Listener->ExpandAll(Node);
}

void TResultTree::KeepOnlyBranch(TResultNode* Node) {
  if (!Node) return;
  TResultNode* Keep = Node->FileNode();
  TResultNode* Header = FTop.empty() ? nullptr : FTop.front().get();
  // One reset instead of a removal per node: the pruning can drop many thousand branches.
  if (Listener) Listener->BeforeReset();
  std::vector<std::unique_ptr<TResultNode>> Kept;
  for (auto& Top : FTop)
    if (Top.get() == Header || Top.get() == Keep) Kept.push_back(std::move(Top));
  FTop = std::move(Kept);
  FCount = 0;
  for (size_t i = 0; i < FTop.size(); ++i) {
    FTop[i]->Row = int(i);
    FCount += CountNodes(*FTop[i]);
  }
  if (Listener) Listener->AfterReset();
  ExpandAll(nullptr);
}

void TResultTree::AddFolded(int Level, std::string_view Text, std::string_view More) {
  std::string& B = FoldedRoom(FFolded, FoldedHead + Text.size() + More.size());
  const uint32_t Len = uint32_t(Text.size() + More.size());
  char Head[FoldedHead];
  Head[0] = char(Level);
  std::memcpy(Head + 1, &Len, sizeof Len);
  B.append(Head, FoldedHead);
  B += Text;
  B += More;
  ++FCount;
}

template <class TVisit>
void TResultTree::ForEachFolded(TVisit Visit) const {
  for (const std::string& B : FFolded) {
    for (size_t At = 0; At < B.size();) {
      uint32_t Len;
      std::memcpy(&Len, B.data() + At + 1, sizeof Len);
      Visit(int(static_cast<unsigned char>(B[At])),
            std::string_view(B.data() + At + FoldedHead, Len));
      At += FoldedHead + Len;
    }
  }
}

std::vector<std::string> TResultTree::FileNames() const {
  std::vector<std::string> Names;
  ForEachFolded([&](int Level, std::string_view Text) {
    if (Level == 0) Names.emplace_back(Text);
  });
  for (size_t i = 1; i < FTop.size(); ++i) Names.push_back(FTop[i]->Text);
  return Names;
}

namespace {
// The lines go out in blocks: a tree of a million lines is written in a few hundred calls.
class TBlockWriter {
 public:
  TBlockWriter(std::ostream& Out, const char* Eol)
      : FOut(Out), FEol(Eol), FEolSize(std::strlen(Eol)), FBlock(BlockSize) {}
  ~TBlockWriter() { Flush(); }
  // A line is a few bytes of tabs and line end around its text: written in place rather than
  // appended piece by piece, as a large result has hundreds of thousands of them.
  void Line(int Level, std::string_view Text) {
    const size_t Need = size_t(Level) + Text.size() + FEolSize;
    if (FUsed + Need > FBlock.size()) {
      Flush();
      if (Need > FBlock.size()) FBlock.resize(Need);
    }
    char* Out = FBlock.data() + FUsed;
    for (int i = 0; i < Level; ++i) *Out++ = '\t';
    std::memcpy(Out, Text.data(), Text.size());
    Out += Text.size();
    for (size_t i = 0; i < FEolSize; ++i) *Out++ = FEol[i];
    FUsed = size_t(Out - FBlock.data());
  }
  void Flush() {
    FOut.write(FBlock.data(), std::streamsize(FUsed));
    FUsed = 0;
  }

 private:
  static constexpr size_t BlockSize = size_t(64) << 10;
  std::ostream& FOut;
  const char* FEol;
  size_t FEolSize;
  std::vector<char> FBlock;
  size_t FUsed = 0;
};

void WriteNode(TBlockWriter& Out, const TResultNode& N, int Level) {
  Out.Line(Level, N.Text);
  for (const auto& Child : N.Children) WriteNode(Out, *Child, Level + 1);
}
}  // namespace

void TResultTree::WriteText(std::ostream& Out, bool FilenamesOnly, const char* Eol) const {
  TBlockWriter Writer(Out, Eol);
  // The header, the folded files, then the files still held as nodes.
  if (!FilenamesOnly && !FTop.empty()) WriteNode(Writer, *FTop.front(), 0);
  ForEachFolded([&](int Level, std::string_view Text) {
    if (!FilenamesOnly || Level == 0) Writer.Line(Level, Text);
  });
  for (size_t i = 1; i < FTop.size(); ++i) {
    if (FilenamesOnly)
      Writer.Line(0, FTop[i]->Text);
    else
      WriteNode(Writer, *FTop[i], 0);
  }
}

void SaveResultTree(const TResultTree& Tree, const std::string& FileName, bool FilenamesOnly) {
  std::ofstream Out(FileName, std::ios::binary | std::ios::trunc);
  if (!Out) throw EFileError("Cannot create file \"" + FileName + "\". " + SystemErrorText(errno));
  Tree.WriteText(Out, FilenamesOnly, "\r\n");
  Out.flush();
  if (!Out) throw EFileError("Cannot write file \"" + FileName + "\". " + SystemErrorText(errno));
}

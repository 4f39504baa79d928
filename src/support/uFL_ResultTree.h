// The results tree as data: text-only nodes, observed by the window's model.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

struct TResultNode {
  std::string Text;
  TResultNode* Parent = nullptr;  // null for a top-level node
  int Row = 0;                    // index among its parent's children
  std::vector<std::unique_ptr<TResultNode>> Children;

  int Level() const;
  TResultNode* FileNode();  // the top-level ancestor (a top-level node is its own)
};

// Observers: insertions are announced per row; removals per top-level row; anything else
// (clearing) as a reset. Expansion requests go to the view.
struct TResultTreeListener {
  virtual ~TResultTreeListener() = default;
  virtual void BeforeInsert(TResultNode* Parent, int Row) = 0;
  virtual void AfterInsert() = 0;
  virtual void BeforeRemove(TResultNode* Parent, int Row) = 0;
  virtual void AfterRemove() = 0;
  virtual void BeforeReset() = 0;
  virtual void AfterReset() = 0;
  virtual void ExpandAll(TResultNode* Node) = 0;  // Node and everything below; null: whole tree
};

class TResultTree {
 public:
  TResultTreeListener* Listener = nullptr;

  // The top-level nodes: folded files (see SetFolding) are not among them.
  int TopCount() const { return int(FTop.size()); }
  TResultNode* Top(int Index) const { return FTop[size_t(Index)].get(); }
  const std::vector<std::unique_ptr<TResultNode>>& TopNodes() const { return FTop; }
  bool Empty() const { return FTop.empty(); }
  // Number of nodes at every level.
  long long NodeCount() const { return FCount; }

  // Appends a node as the last child of Parent (the last top-level node when Parent is null).
  TResultNode* Add(TResultNode* Parent, std::string Text);
  // Moves the top-level nodes of Other, with everything below them, to the end of the top level,
  // in order, announcing one insertion per node; Other is left empty. Nodes keep their addresses.
  void TakeTopNodes(TResultTree& Other);
  // Deletes a top-level node with everything below it.
  void DeleteTop(TResultNode* Node);
  void Clear();
  void ExpandAll(TResultNode* Node = nullptr);

  // A tree that folds its files (the command line's, which only writes the tree out once the
  // action ends): the files' results are added as text lines with AddFolded, no node is made for
  // them, and a search of a few hundred thousand hits holds half the memory, in a few large
  // blocks rather than two allocations a line. Folded lines come after the header and before any
  // top-level node added later, in the text layouts and in FileNames; taking another tree's
  // nodes takes its folded lines too, after this tree's own. No listener hears of them: a tree
  // that is shown never folds.
  void SetFolding(bool On) { FFolding = On; }
  bool Folding() const { return FFolding; }
  // A line at Level (0: a file, 1: a category, 2: an entry) after every line folded so far.
  // Text may come in two parts, written one after the other.
  void AddFolded(int Level, std::string_view Text, std::string_view More = {});

  // Every node but the file node of Node and the header (the first top-level node) goes; then the
  // whole tree is expanded. The header stays first so that it never counts as a file.
  void KeepOnlyBranch(TResultNode* Node);

  // The file nodes: every top-level node after the header.
  std::vector<std::string> FileNames() const;

  // The two text layouts of "Save-To-File": one tab per level and the node's text, or only the
  // file nodes; every line ended by EOL.
  void WriteText(std::ostream& Out, bool FilenamesOnly, const char* Eol) const;

 private:
  // Calls Visit(Level, Text) for each folded line in order.
  template <class TVisit>
  void ForEachFolded(TVisit Visit) const;

  std::vector<std::unique_ptr<TResultNode>> FTop;
  long long FCount = 0;
  // The folded lines, each as its level (one byte), its length (four) and its text, in blocks.
  std::vector<std::string> FFolded;
  bool FFolding = false;
};

// Writes the tree to FileName with CR LF line ends; throws EFileError.
void SaveResultTree(const TResultTree& Tree, const std::string& FileName, bool FilenamesOnly);

// The in-memory model of one file of the file set while an action runs over it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "files/uFL_CheckTable.h"
#include "files/uFL_Finding.h"
#include "files/uFL_Lines.h"
#include "files/uFL_SaveObserver.h"
#include "files/uFL_Types.h"

class IProcessRunner;
class ISaveObserver;
class TResultTree;
struct TResultNode;

// The per-file overwrite question ("Overwrite FILE with changed version?"); true for Yes.
using TConfirmOverwrite = std::function<bool(const std::string& Question)>;

class TBaseFile {
 public:
  explicit TBaseFile(TResultTree* ResultTree);
  virtual ~TBaseFile() = default;
  TBaseFile(const TBaseFile&) = delete;
  TBaseFile& operator=(const TBaseFile&) = delete;

  std::string ShortName;
  std::string FileName;
  bool Changed = false;
  TLines Lines;
  std::vector<std::string> Messages;
  std::string LastCategory;
  bool FileNodePending = false;
  TResultNode* FileNode = nullptr;
  TResultNode* CategoryNode = nullptr;
  bool Loaded = false;
  TSearchRec FileRec;
  std::vector<std::string> Errors;
  TCheckOptions Options = 0;
  // The lines a search or replace hit since the last Load, in the order found (a line once per
  // term that hit it), each with its text as searched: while the lines are still the read buffer
  // the results show that text, so a file with hits is never cut into lines nor even counted.
  struct TMatchedLine {
    int Line = 0;
    std::string_view Text;  // null where not known
  };
  std::vector<TMatchedLine> MatchedLines;
  bool IsMatched(int Line) const;
  void MarkMatched(int Line, std::string_view Text = {});
  int32_t ExitCode = 0;
  TResultTree* ResultTree = nullptr;
  // True when reading stopped at a NUL byte with more bytes after it: writing Lines back would
  // cut the file there, so such a file is never saved.
  bool CutAtNul = false;
  // The file's findings for the machine-readable outputs, in the order of the results tree:
  // WriteResults appends its errors and search hits, a subclass's WriteResults its own after them.
  std::vector<TFinding> Findings;
  // Off where nothing reads the findings (the text output): a search with a hit on every line
  // of a big file then does not hold each line twice more.
  bool CollectFindings = true;
  // Told of every save of a changed file, and may stop it (a preview) or hold the original first
  // (the undo journal); not owned. With none, a file is replaced atomically.
  ISaveObserver* SaveObserver = nullptr;
  // Asked by SaveChanges when a confirmation is wanted; no answer counts as No.
  TConfirmOverwrite ConfirmOverwrite;

  virtual void ProcessLine(int Index) = 0;
  virtual void Analyse(TCheckOptions Options) = 0;
  virtual void Reset();
  virtual bool WriteResults();

  void SetFileName(const std::string& Name);
  // Reads FileName and applies the binary rule (by the size recorded in FileRec); returns Loaded.
  bool Load();
  // As Load, with Bytes as the file's content instead of what is on disk.
  bool LoadFromBytes(std::string Bytes);
  bool SaveChanges(bool NoConfirm);
  // The entry's text is Text followed by More.
  void AddResult(std::string_view Category, std::string_view Text, std::string_view More = {});
  void AddError(const std::string& Msg);

  // Search and replace over Lines (uFL_SearchReplace), marking MatchedLines and tracing the count:
  // the number of occurrences found or replaced.
  int Search(const std::string& SearchText, bool UseRegExpr, bool CaseSensitive);
  int Replace(const std::string& SearchText, const std::string& ReplaceText, bool UseRegExpr,
              bool CaseSensitive);
  int SearchReplace(bool DoReplace, const std::string& ReplaceText, const std::string& SearchText,
                    bool UseRegExpr, bool CaseSensitive);
  // Running with a program (defined in uFL_FileExecute.cpp): the exit code, 2147483647 for none.
  int32_t RunWith(IProcessRunner& Runner, const std::string& Application, const std::string& Params,
                  bool Wait, bool ShowWindow);

 private:
  bool TakeText(TTextBuffer Text);
  void AddSearchFindings();

  // The first occurrence of each term on each line it was found on, in search order; kept like
  // MatchedLines until the next Load.
  struct TTermHit {
    int Line, Column, EndColumn;
    bool Replaced;
    std::string_view Text;  // as for MatchedLines
  };
  std::vector<TTermHit> FTermHits;
};

// Closes the directory this thread keeps open for reading the next file of a list; a thread
// that outlives the action (a window's) calls it when the action ends.
void ForgetReadDirectory();

// The "[Line %4s] %s" entry of a matched line (1-based number, right-aligned in four places).
std::string LineEntryText(int LineNumber, std::string_view Text);
// Its head, up to the line's text, in Buffer; the view is into it.
std::string_view LineEntryHead(char (&Buffer)[32], int LineNumber);

// Loading, the binary test, search and replace with their hits, results and findings, and saving
// of one file.
#include "files/uFL_BaseFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <exception>

#include "files/uFL_FileSave.h"
#include "files/uFL_SearchReplace.h"
#include "support/uFL_Log.h"
#include "support/uFL_ResultTree.h"
#include "support/uFL_Utils.h"

TBaseFile::TBaseFile(TResultTree* Tree) : ResultTree(Tree) {}

void TBaseFile::SetFileName(const std::string& Name) {
  FileName = Name;
  ShortName = ExtractFileName(Name);
}

void TBaseFile::Reset() {
  Loaded = false;
  Lines.Clear();
  Messages.clear();
  Errors.clear();
  Findings.clear();
  FTermHits.clear();
}

namespace {

// The directory of the file last read on this thread, kept open: a file list comes directory by
// directory, and a file opened relative to its open directory costs the kernel the look-up of one
// name rather than of every part of its path, a tenth of a search's system time on a large tree.
class TReadDirectory {
 public:
  ~TReadDirectory() { Forget(); }
  void Forget() {
    if (FFd >= 0) close(FFd);
    FFd = -1;
    FDir.clear();
  }
  // Opens FileName to read; -1 and errno as open sets them.
  int Open(const std::string& FileName) {
    const size_t Slash = FileName.rfind('/');
    if (Slash == std::string::npos || Slash == 0)
      return open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
    const std::string_view Dir(FileName.data(), Slash);
    if (FFd < 0 || Dir != FDir) {
      Forget();
      FFd = open(std::string(Dir).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
      // A directory that cannot be opened so leaves the error to the whole path.
      if (FFd < 0) return open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
      FDir.assign(Dir);
    }
    return openat(FFd, FileName.c_str() + Slash + 1, O_RDONLY | O_CLOEXEC);
  }

 private:
  std::string FDir;
  int FFd = -1;
};
thread_local TReadDirectory ReadDirectory;

// Reads the file up to its first NUL into Text (whose memory is reused). Returns 0 or the errno
// of the failure. SizeHint is the size the file was listed with, when known.
int ReadUpToNul(const std::string& FileName, int64_t SizeHint, TTextBuffer& Text, bool& CutAtNul) {
  CutAtNul = false;
  Text.Clear();
  int Fd = ReadDirectory.Open(FileName);
  if (Fd < 0) return errno;
  // The listed size saves asking for it; reading a directory fails with EISDIR by itself.
  if (SizeHint <= 0) {
    struct stat St {};
    if (fstat(Fd, &St) == 0 && S_ISDIR(St.st_mode)) {
      close(Fd);
      return EISDIR;
    }
    SizeHint = St.st_size;
  }
  // Read straight into the text, one byte more than the size so that the end is seen at once;
  // the file may have grown or shrunk since.
  size_t Len = 0;
  Text.Reserve(size_t(std::max<int64_t>(SizeHint, 0)) + 1);
  for (;;) {
    if (Len == Text.Capacity()) Text.Reserve(Text.Capacity() * 2);
    ssize_t N = read(Fd, Text.Data() + Len, Text.Capacity() - Len);
    if (N < 0) {
      if (errno == EINTR) continue;
      int E = errno;
      close(Fd);
      Text.Clear();
      return E;
    }
    if (N == 0) break;
    Len += size_t(N);
    Text.SetSize(Len);
  }
  close(Fd);
  // Reading stops at the first NUL: nothing after it belongs to the text.
  if (const void* Nul = memchr(Text.Data(), 0, Len)) {
    Len = size_t(static_cast<const char*>(Nul) - Text.Data());
    CutAtNul = true;
  }
  Text.SetSize(Len);
  return 0;
}

}  // namespace

bool TBaseFile::Load() {
  Changed = false;
  Loaded = false;
  TTextBuffer Text = Lines.TakeBuffer();
  if (int E = ReadUpToNul(FileName, FileRec.Size, Text, CutAtNul)) {
    AddError("Error loading file: " + SystemErrorText(E));
    return Loaded;
  }
  return TakeText(std::move(Text));
}

bool TBaseFile::LoadFromBytes(std::string Bytes) {
  Changed = false;
  Loaded = false;
  CutAtNul = false;
  if (const size_t Nul = Bytes.find('\0'); Nul != std::string::npos) {
    Bytes.resize(Nul);
    CutAtNul = true;
  }
  return TakeText(TTextBuffer(Bytes));
}

bool TBaseFile::TakeText(TTextBuffer Text) {
  FTermHits.clear();
  Lines.Assign(std::move(Text));
  MatchedLines.clear();
  // The binary rule: the text (the lines without their breaks) is at most the file's size and
  // at least that size less two bytes per line. A file read whole always keeps it, since no
  // break is longer than two bytes; only a file cut at a NUL (or changed since it was listed)
  // needs its lines counted for it.
  const int64_t Size = FileRec.Size;
  if (int64_t(Lines.Buffer().size()) != Size) {
    const int64_t N = Lines.Count();
    const int64_t S = int64_t(Lines.TextLength());
    if (Size - 2 * N > S || S > Size) {
      AddError("Binary file, skipped");
      return Loaded;
    }
  }
  Loaded = true;
  // With the trace off the call still opens the file's block of the trace; only then is the
  // count left unmade.
  AddTrace(FileName,
           TracingIsOn() ? "Loaded " + std::to_string(Lines.Count()) + " lines" : std::string());
  return Loaded;
}

bool TBaseFile::IsMatched(int Line) const {
  return std::any_of(MatchedLines.begin(), MatchedLines.end(),
                     [Line](const TMatchedLine& M) { return M.Line == Line; });
}

void TBaseFile::MarkMatched(int Line, std::string_view Text) {
  MatchedLines.push_back({Line, Text});
}

int TBaseFile::Search(const std::string& SearchText, bool UseRegExpr, bool CaseSensitive) {
  return SearchReplace(false, std::string(), SearchText, UseRegExpr, CaseSensitive);
}

int TBaseFile::Replace(const std::string& SearchText, const std::string& ReplaceText,
                       bool UseRegExpr, bool CaseSensitive) {
  return SearchReplace(true, ReplaceText, SearchText, UseRegExpr, CaseSensitive);
}

int TBaseFile::SearchReplace(bool DoReplace, const std::string& ReplaceText,
                             const std::string& SearchText, bool UseRegExpr, bool CaseSensitive) {
  TSearchOutcome Found;
  if (Loaded) {
    const TSearchTerm Term{SearchText, UseRegExpr, CaseSensitive};
    Found = DoReplace ? ReplaceInLines(Lines, Term, ReplaceText) : SearchLines(Lines, Term);
    for (const TLineHit& Hit : Found.Hits) {
      MarkMatched(Hit.Line, Hit.Text);
      if (CollectFindings)
        FTermHits.push_back({Hit.Line, Hit.Column, Hit.EndColumn, DoReplace, Hit.Text});
    }
    if (DoReplace && Found.Count > 0) Changed = true;
  }
  AddTrace(FileName, "Found " + std::to_string(Found.Count) + " occurences of " + SearchText);
  return Found.Count;
}

bool TBaseFile::SaveChanges(bool NoConfirm) {
  if (!Changed || !Loaded) return false;
  if (FileRec.Attr & faReadOnly) {
    AddError("File was Readonly, not overwritten");
    return false;
  }
  if (CutAtNul) {
    AddError("Error Saving: the file holds a NUL byte; saving would cut it there");
    return false;
  }
  const std::string NewBytes = Lines.Bytes();
  if (NewBytes.find('\0') != std::string::npos) {
    AddError("Error Saving: the changed text holds a NUL byte");
    return false;
  }
  if (!NoConfirm) {
    const std::string Question = "Overwrite " + FileName + " with changed version?";
    if (!ConfirmOverwrite || !ConfirmOverwrite(Question)) {
      AddError("User selected not to Overwrite this file");
      return false;
    }
  }
  try {
    // An observer that declines (a preview) leaves the file as it is, and nothing was saved.
    if (!SaveFileContent(FileName, Lines.Buffer(), NewBytes, SaveObserver)) return false;
  } catch (const std::exception& E) {
    AddError(std::string("Error Saving: ") + E.what());
    return false;
  }
  AddTrace(FileName, "Saved Succesfully");
  return true;
}

void TBaseFile::AddError(const std::string& Msg) {
  Errors.push_back(Msg);
  AddTrace(FileName, Msg);
}

namespace {
// Byte by byte: a category is a word or two, and this runs once per entry.
bool SameText(std::string_view A, const std::string& B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (A[i] != B[i]) return false;
  return true;
}
}  // namespace

void TBaseFile::AddResult(std::string_view Category, std::string_view Text, std::string_view More) {
  // Without a tree the file still has results, for the statistics.
  if (!ResultTree) {
    LastCategory = Category;
    return;
  }
  const bool NewCategory = !SameText(Category, LastCategory);
  if (NewCategory) LastCategory = Category;
  if (ResultTree->Folding()) {
    if (FileNodePending) ResultTree->AddFolded(0, FileName);
    FileNodePending = false;
    if (NewCategory) ResultTree->AddFolded(1, Category);
    ResultTree->AddFolded(2, Text, More);
    return;
  }
  if (FileNodePending) {
    FileNode = ResultTree->Add(nullptr, FileName);
    FileNodePending = false;
  }
  if (NewCategory) CategoryNode = ResultTree->Add(FileNode, std::string(Category));
  std::string Entry;
  Entry.reserve(Text.size() + More.size());
  Entry += Text;
  Entry += More;
  ResultTree->Add(CategoryNode, std::move(Entry));
}

bool TBaseFile::WriteResults() {
  FileNodePending = true;
  LastCategory.clear();
  for (const auto& Msg : Errors) {
    AddResult("Errors", Msg);
    if (!CollectFindings) continue;
    TFinding F;
    F.RuleId = "error";
    F.Category = "Errors";
    F.Message = Msg;
    Findings.push_back(std::move(F));
  }
  // Without a tree the lines would be made up for nothing: AddResult keeps no node.
  if (Loaded && !ResultTree && !MatchedLines.empty()) AddResult("Search", std::string());
  if (Loaded && ResultTree) {
    auto ByLine = [](const TMatchedLine& A, const TMatchedLine& B) { return A.Line < B.Line; };
    if (!std::is_sorted(MatchedLines.begin(), MatchedLines.end(), ByLine))
      std::stable_sort(MatchedLines.begin(), MatchedLines.end(), ByLine);
    const bool AsSearched = Lines.AllInBuffer();
    char Head[32];
    for (size_t k = 0; k < MatchedLines.size(); ++k) {
      const TMatchedLine& M = MatchedLines[k];
      if (k > 0 && MatchedLines[k - 1].Line == M.Line) continue;
      if (AsSearched && M.Text.data()) {
        AddResult("Search", LineEntryHead(Head, M.Line + 1), M.Text);
      } else if (M.Line < Lines.Count()) {
        AddResult("Search", LineEntryHead(Head, M.Line + 1), Lines[M.Line]);
      }
    }
  }
  if (Loaded && CollectFindings) AddSearchFindings();
  if (ExitCode != 0)
    AddResult("General", "Process returned non-zero exitcode: " + std::to_string(ExitCode));
  return !LastCategory.empty();
}

void TBaseFile::AddSearchFindings() {
  // One finding per term and line, in line order and, on one line, in the order of the terms; the
  // text is the line's as the tree shows it, after every replacement.
  std::stable_sort(FTermHits.begin(), FTermHits.end(),
                   [](const TTermHit& A, const TTermHit& B) { return A.Line < B.Line; });
  const bool AsSearched = Lines.AllInBuffer();
  for (const TTermHit& Hit : FTermHits) {
    const bool Known = AsSearched && Hit.Text.data();
    if (!Known && Hit.Line >= Lines.Count()) continue;
    TFinding F;
    F.RuleId = Hit.Replaced ? "replace" : "search";
    F.Category = "Search";
    F.Message = Known ? std::string(Hit.Text) : Lines.Get(Hit.Line);
    F.Line = Hit.Line + 1;
    F.Column = Hit.Column;
    F.EndColumn = Hit.EndColumn;
    F.LineText = F.Message;
    Findings.push_back(std::move(F));
  }
}

void ForgetReadDirectory() {
  ReadDirectory.Forget();
}

std::string LineEntryText(int LineNumber, std::string_view Text) {
  char Head[32];
  std::string Entry(LineEntryHead(Head, LineNumber));
  Entry += Text;
  return Entry;
}

std::string_view LineEntryHead(char (&Buffer)[32], int LineNumber) {
  constexpr std::string_view Open = "[Line ";
  char Number[16];
  const size_t Digits =
      size_t(std::to_chars(Number, Number + sizeof Number, LineNumber).ptr - Number);
  char* Out = Buffer;
  Out = std::copy(Open.begin(), Open.end(), Out);
  for (size_t i = Digits; i < 4; ++i) *Out++ = ' ';
  Out = std::copy(Number, Number + Digits, Out);
  *Out++ = ']';
  *Out++ = ' ';
  return std::string_view(Buffer, size_t(Out - Buffer));
}

// Fuzzes the file-list file reader and the file list built from its lines, inside a sandbox tree.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/uFL_CliFileSet.h"
#include "fileset/uFL_FileList.h"
#include "fileset/uFL_FileSelection.h"
#include "support/uFL_Utils.h"

namespace {

// A small fixed tree that every spec is resolved in, so the fuzzer never walks the machine.
const std::string& Sandbox() {
  static const std::string Root = [] {
    std::string Templ = (std::filesystem::temp_directory_path() / "ferrolin-fuzz-XXXXXX").string();
    if (!mkdtemp(Templ.data())) abort();
    for (const char* Rel : {"a.pas", "b.txt", "sub/c.pas", "sub/D.PAS", "we ird.sql"}) {
      std::filesystem::path P = std::filesystem::path(Templ) / Rel;
      std::filesystem::create_directories(P.parent_path());
      std::ofstream(P) << "x\n";
    }
    return Templ + "/";
  }();
  return Root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Bytes(reinterpret_cast<const char*>(Data), Size);
  const std::vector<std::string> Lines = SplitTextLines(Bytes);
  // Lines never hold a break or a NUL, and together they are never longer than the input.
  size_t Total = 0;
  for (const auto& L : Lines) {
    if (L.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) abort();
    Total += L.size();
  }
  if (Total > Size) abort();

  TFileList List;
  TCliBusyHost Host;
  TFileSelection Selection(List, Host);
  for (const auto& Line : Lines) {
    // Keep every spec inside the sandbox: no absolute paths, no way up.
    if (Line.find("..") != std::string::npos) continue;
    std::string Rel = Line;
    while (!Rel.empty() && Rel[0] == '/') Rel.erase(0, 1);
    Selection.AddFileSpec(Sandbox() + Rel);
  }
  // The list stays sorted, free of duplicates, and every path finds its own index.
  TPathLess Less;
  for (int i = 0; i < List.Count(); ++i) {
    if (List.IndexOf(List.Path(i)) != i) abort();
    if (i > 0 && !Less(List.Path(i - 1), List.Path(i))) abort();
  }
  return 0;
}

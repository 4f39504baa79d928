// ferrolin-cli list: prints the file set, one path a line.
#include <ostream>

#include "cli/uFL_CliActions.h"
#include "cli/uFL_CliFileSet.h"

int CliList(const TCliArgs& Args, TCliContext& Context) {
  TFileList List;
  TCliBusyHost Host;
  // Paths only: no file's size or mode is shown or used.
  BuildCliFileSet(Args, List, Host, false);
  for (int i = 0; i < List.Count(); ++i) Context.Out << List.Path(i) << '\n';
  return 0;
}

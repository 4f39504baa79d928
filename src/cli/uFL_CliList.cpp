// ferrolin-cli list: prints the file set, one path a line.
#include <ostream>

#include "cli/uFL_CliActions.h"
#include "cli/uFL_CliFileSet.h"

int CliList(const TCliArgs& Args, TCliContext& Context) {
  TFileList List;
  TCliBusyHost Host;
  BuildCliFileSet(Args, List, Host);
  for (int i = 0; i < List.Count(); ++i) Context.Out << List.Path(i) << '\n';
  return 0;
}

// ferrolin-cli: the window's actions without a window.
#include <cstdlib>
#include <iostream>

#include "cli/uFL_CliActions.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> Args(argv + 1, argv + argc);
  TCliContext Context{std::cout, std::cerr, std::cin};
  const int Status = RunCli(Args, Context);
  std::cout.flush();
  // Ends without unwinding this frame: the context's leftovers are not freed one by one.
  std::exit(Status);
}

// ferrolin-cli search and replace: the input checks of the Generic action page, then
// the action driver through RunCliAction.
#include <stdexcept>

#include "cli/uFL_CliActions.h"
#include "cli/uFL_CliRunAction.h"

namespace {

// The terms of --term (in order) or --terms-file; MissingText when there is none or one is empty.
std::vector<std::string> CliTerms(const TCliArgs& Args, const char* TermOption,
                                  const char* FileOption, const char* MissingText) {
  if (Args.Has(TermOption) && Args.Has(FileOption))
    throw ECliUsage(std::string("--") + TermOption + " does not go with --" + FileOption);
  std::vector<std::string> Terms =
      Args.Has(FileOption) ? ReadCliTermsFile(Args.Get(FileOption)) : Args.All(TermOption);
  if (Terms.empty()) throw std::runtime_error(MissingText);
  for (const std::string& Term : Terms)
    if (Term.empty()) throw std::runtime_error(MissingText);
  return Terms;
}

}  // namespace

int CliSearch(const TCliArgs& Args, TCliContext& Context) {
  TActionParams Params;
  Params.Action = TActionKind::acSearch;
  Params.FileKind = TFileKind::fkText;
  Params.SearchList = CliTerms(Args, "term", "terms-file", "Please enter Search Text");
  Params.UseRegExpr = Args.Has("regex");
  Params.CaseSensitive = Args.Has("case-sensitive");
  return RunCliAction(Args, Context, Params);
}

int CliReplace(const TCliArgs& Args, TCliContext& Context) {
  TActionParams Params;
  Params.Action = TActionKind::acReplace;
  Params.FileKind = TFileKind::fkText;
  Params.SearchList = CliTerms(Args, "term", "terms-file", "Please enter Search Text");
  Params.ReplaceList =
      CliTerms(Args, "replacement", "replacements-file", "Please enter Replacement Text");
  // A replacement file must pair with the search terms one to one, as the page's loading rule
  // demands; typed replacements go through the start button's rule below.
  if (Args.Has("replacements-file") && Params.ReplaceList.size() != Params.SearchList.size())
    throw std::runtime_error(
        "SearchList and Replacelist have a different number of items, Replacelist has been "
        "rejected");
  const size_t S = Params.SearchList.size(), R = Params.ReplaceList.size();
  if ((S > 1 && R != S) || (S == 1 && R > 1))
    throw std::runtime_error("Incorrect input, cannot Replace");
  Params.UseRegExpr = Args.Has("regex");
  Params.CaseSensitive = Args.Has("case-sensitive");
  Params.ReplaceConfirm = Args.Has("confirm");
  Params.PreviewOnly = Args.Has("dry-run");
  return RunCliAction(Args, Context, Params);
}

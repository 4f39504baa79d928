// ferrolin-cli search and replace: the input checks of the Generic action page, then
// the action driver through RunCliAction.
#include <algorithm>
#include <stdexcept>

#include "cli/uFL_CliActions.h"
#include "cli/uFL_CliRunAction.h"
#include "shell/uFL_PageRules.h"

namespace {

// The terms of --term (in order), or of --terms-file loaded as the page loads a term file. An
// empty --term leaves none, so that the page's check asks for the text.
std::vector<std::string> CliTerms(const TCliArgs& Args, const char* TermOption,
                                  const char* FileOption) {
  if (Args.Has(TermOption) && Args.Has(FileOption))
    throw ECliUsage(std::string("--") + TermOption + " does not go with --" + FileOption);
  std::vector<std::string> Terms;
  if (Args.Has(FileOption)) {
    LoadTermList(Args.Get(FileOption), Terms);
  } else {
    Terms = Args.All(TermOption);
    if (std::find(Terms.begin(), Terms.end(), std::string()) != Terms.end()) Terms.clear();
  }
  return Terms;
}

void Check(const char* Message) {
  if (Message) throw std::runtime_error(Message);
}

// The options both actions share.
TActionParams TextActionParams(const TCliArgs& Args, TActionKind Action) {
  TActionParams Params;
  Params.Action = Action;
  Params.FileKind = TFileKind::fkText;
  Params.UseRegExpr = Args.Has("regex");
  Params.CaseSensitive = Args.Has("case-sensitive");
  Params.SearchList = CliTerms(Args, "term", "terms-file");
  // The search terms are checked before any replacement is read, as on the page.
  Check(PrepareSearch("", Params.SearchList));
  return Params;
}

}  // namespace

int CliSearch(const TCliArgs& Args, TCliContext& Context) {
  return RunCliAction(Args, Context, TextActionParams(Args, TActionKind::acSearch));
}

int CliReplace(const TCliArgs& Args, TCliContext& Context) {
  TActionParams Params = TextActionParams(Args, TActionKind::acReplace);
  Params.ReplaceList = CliTerms(Args, "replacement", "replacements-file");
  Check(
      PrepareReplace("", "", Params.SearchList, Params.ReplaceList, Args.Has("replacements-file")));
  Params.ReplaceConfirm = Args.Has("confirm");
  Params.PreviewOnly = Args.Has("dry-run");
  return RunCliAction(Args, Context, Params);
}

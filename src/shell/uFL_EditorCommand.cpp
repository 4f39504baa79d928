// Filling in the editor command.
#include "shell/uFL_EditorCommand.h"

#include "files/uFL_FileExecute.h"

namespace {

void ReplaceAll(std::string& Word, std::string_view Placeholder, const std::string& Value) {
  for (size_t At = Word.find(Placeholder); At != std::string::npos;
       At = Word.find(Placeholder, At + Value.size()))
    Word.replace(At, Placeholder.size(), Value);
}

}  // namespace

std::vector<std::string> EditorCommandWords(std::string_view Command, const std::string& File,
                                            int Line, int Column) {
  std::vector<std::string> Words = SplitCommandLine(Command);
  const std::string LineText = std::to_string(Line), ColumnText = std::to_string(Column);
  for (std::string& Word : Words) {
    ReplaceAll(Word, "{line}", LineText);
    ReplaceAll(Word, "{col}", ColumnText);
    // The file last: a path may itself hold "{line}".
    ReplaceAll(Word, "{file}", File);
  }
  return Words;
}

int EntryLineNumber(std::string_view Text) {
  constexpr std::string_view Prefix = "[Line ";
  if (Text.substr(0, Prefix.size()) != Prefix) return 0;
  size_t i = Prefix.size();
  while (i < Text.size() && Text[i] == ' ') ++i;
  int Number = 0;
  const size_t Digits = i;
  for (; i < Text.size() && Text[i] >= '0' && Text[i] <= '9' && Number < 100000000; ++i)
    Number = Number * 10 + (Text[i] - '0');
  if (i == Digits || i >= Text.size() || Text[i] != ']') return 0;
  return Number;
}

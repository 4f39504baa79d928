// A dry run's preview as JSON Lines.
#include "cli/uFL_CliPreviewJson.h"

#include <string>
#include <string_view>

#include "journal/uFL_Preview.h"
#include "output/uFL_JsonText.h"

namespace {
void Field(std::string& Out, const char* Name, std::string_view Text) {
  Out += '"';
  Out += Name;
  Out += "\":";
  if (!AppendJsonString(Out, Text)) {
    Out += ",\"";
    Out += Name;
    Out += "Base64\":\"" + Base64(Text) + '"';
  }
}
}  // namespace

void WritePreviewJson(std::ostream& Out, const TPreview& Preview) {
  for (const TFilePreview& File : Preview.Files()) {
    std::string Line = "{\"type\":\"preview\",";
    Field(Line, "path", File.RelPath);
    Line += ',';
    Field(Line, "diff", File.Diff);
    Line += ",\"changedLines\":[";
    for (size_t i = 0; i < File.Lines.size(); ++i) {
      if (i) Line += ',';
      Line += "{\"line\":" + std::to_string(File.Lines[i].first) + ',';
      Field(Line, "text", File.Lines[i].second);
      Line += '}';
    }
    Out << Line << "]}\n";
  }
}

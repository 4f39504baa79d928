// A dry run's preview as JSON Lines.
#include "cli/uFL_CliPreviewJson.h"

#include <string>

#include "journal/uFL_Preview.h"
#include "output/uFL_JsonText.h"

void WritePreviewJson(std::ostream& Out, const TPreview& Preview) {
  for (const TFilePreview& File : Preview.Files()) {
    std::string Line = "{\"type\":\"preview\",";
    AppendJsonTextField(Line, "path", File.RelPath);
    Line += ',';
    AppendJsonTextField(Line, "diff", File.Diff);
    Line += ",\"changedLines\":[";
    for (size_t i = 0; i < File.Lines.size(); ++i) {
      if (i) Line += ',';
      Line += "{\"line\":" + std::to_string(File.Lines[i].first) + ',';
      AppendJsonTextField(Line, "text", File.Lines[i].second);
      Line += '}';
    }
    Out << Line << "]}\n";
  }
}

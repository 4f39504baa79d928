// Choosing a writer by format name.
#include "output/uFL_OutputWriter.h"

bool ParseOutputFormat(const std::string& Name, TOutputFormat& Format) {
  static const struct {
    const char* Name;
    TOutputFormat Format;
  } Formats[] = {{"text", TOutputFormat::ofText},
                 {"grep", TOutputFormat::ofGrep},
                 {"json", TOutputFormat::ofJson},
                 {"sarif", TOutputFormat::ofSarif}};
  for (const auto& Entry : Formats)
    if (Name == Entry.Name) {
      Format = Entry.Format;
      return true;
    }
  return false;
}

std::unique_ptr<TOutputWriter> CreateOutputWriter(TOutputFormat Format) {
  switch (Format) {
    case TOutputFormat::ofText:
      return nullptr;
    case TOutputFormat::ofGrep:
      return CreateGrepWriter();
    case TOutputFormat::ofJson:
      return CreateJsonLinesWriter();
    case TOutputFormat::ofSarif:
      return CreateSarifWriter();
  }
  return nullptr;
}

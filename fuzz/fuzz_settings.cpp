// Fuzzes the settings loader with arbitrary stored values: the input becomes the body of the
// settings file after a current version line, then the window's kinds of controls are loaded.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fileset/uFL_FileTypes.h"
#include "support/uFL_CompMemory.h"

namespace {

// Settings live in a private configuration directory for the whole run.
const std::string& SettingsFile() {
  static const std::string File = [] {
    std::string Templ = (std::filesystem::temp_directory_path() / "ferrolin-fuzz-XXXXXX").string();
    if (!mkdtemp(Templ.data())) abort();
    setenv("XDG_CONFIG_HOME", Templ.c_str(), 1);
    std::filesystem::create_directories(Templ + "/Vendalor");
    return Templ + "/Vendalor/Ferrolin.conf";
  }();
  return File;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  {
    std::ofstream Out(SettingsFile(), std::ios::binary | std::ios::trunc);
    Out << "[General]\nFL_Version=0.25 Alpha\n";
    Out.write(reinterpret_cast<const char*>(Data), std::streamsize(Size));
  }
  TSettingsRecords Records;
  Records.Controls.push_back(TCheckBoxState{"cbSubdirs", true});
  TComboBoxState Combo;
  Combo.Name = "cbSearch";
  Records.Controls.push_back(Combo);
  TCheckListState Types;
  Types.Name = "clbFileTypes";
  for (auto Mask : FileTypeMasks) Types.Items.emplace_back(Mask);
  Types.Checked.assign(Types.Items.size(), false);
  Records.Controls.push_back(Types);

  TCompMemory Store;
  int Messages = 0;
  Store.ShowMessage = [&](const std::string&) { ++Messages; };
  LoadSettings(Store, Records);
  // Whatever was stored, a check list keeps one state per item.
  const auto& Loaded = std::get<TCheckListState>(Records.Controls[2]);
  if (Loaded.Checked.size() != Loaded.Items.size()) abort();
  return 0;
}

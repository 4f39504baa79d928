// The settings store: window bounds and control states kept in QSettings("Vendalor", "Ferrolin").
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "support/uFL_SettingsStore.h"

// The controls' states as plain records, so that the rules hold without widgets.
struct TFormBounds {
  int Top = 0, Left = 0, Height = 0, Width = 0;
};

struct TCheckBoxState {
  std::string Name;
  bool Checked = false;
};

// One entry of a combo box's recent list; the age is counted in memory only, never stored.
struct TComboEntry {
  std::string Text;
  int Age = 0;
  bool operator==(const TComboEntry&) const = default;
};

struct TComboBoxState {
  std::string Name;
  bool Sorted = true;
  std::vector<TComboEntry> Items;
  std::string Text;
  int DropDownCount = 8;
};

struct TCheckListState {
  std::string Name;
  bool Sorted = false;
  std::vector<std::string> Items;
  std::vector<bool> Checked;  // one per item
};

using TControlState = std::variant<TCheckBoxState, TComboBoxState, TCheckListState>;

// Everything the window stores: its bounds and its controls in the order of the window.
struct TSettingsRecords {
  TFormBounds Bounds;
  std::vector<TControlState> Controls;
};

inline constexpr const char* SettingsVersionValue = "FL_Version";
inline constexpr const char* FormName = "Main";
// Most entries a combo box's recent list keeps.
inline constexpr int RecentEntriesMax = 8;

// Checked states packed 8 items a byte, bit 0 first; N items take N div 8 + 1 bytes.
std::string CheckStatesToStream(const std::vector<bool>& Checked);
// Sets as many states as there are items; stored bits beyond them are ignored, items beyond the
// stored bits are unchecked.
void StreamToCheckStates(std::vector<bool>& Checked, const std::string& Bytes);

class TCompMemory {
 public:
  TCompMemory();
  ~TCompMemory();
  TCompMemory(const TCompMemory&) = delete;
  TCompMemory& operator=(const TCompMemory&) = delete;

  // Where the messages of failed opens, closes and deletes go (information boxes in the window).
  std::function<void(const std::string&)> ShowMessage;
  // Opens the store the values are kept in (a seam for tests).
  std::function<std::unique_ptr<ISettingsStore>()> OpenStore = OpenQSettingsStore;

  void OpenSettings();
  void CloseSettings();
  void DeleteSettings();
  bool IsOpen() const { return bool(FSettings); }

  std::string ReadSettingsVersion();
  void WriteSettingsVersion(const std::string& Text);

  // The Load functions return false when a value is missing or unreadable; what was read before
  // the failing value stays applied. The Save functions return false when a write failed.
  bool LoadFormBounds(TFormBounds& Bounds);
  bool SaveFormBounds(const TFormBounds& Bounds);
  bool LoadCheckBox(TCheckBoxState& Control);
  bool SaveCheckBox(const TCheckBoxState& Control);
  bool LoadComboBox(TComboBoxState& Control);
  // Applies the recent-entries rule to Control's list before storing it.
  bool SaveComboBox(TComboBoxState& Control);
  bool LoadCheckList(TCheckListState& Control);
  bool SaveCheckList(const TCheckListState& Control);

 private:
  bool ReadInt(const std::string& Name, int& Value);
  bool ReadString(const std::string& Name, std::string& Value, bool& Present);
  bool Write(const std::string& Name, const class QVariant& Value);
  void Report(const char* Prefix, const std::string& Reason);

  std::unique_ptr<ISettingsStore> FSettings;
  bool FBroken = false;  // opening failed: reads and writes fail and are ignored
};

// Adds Text to the recent list unless it is there already (ASCII case ignored): every entry ages
// by one, and a full list first loses its oldest entry. Returns whether Text was added.
bool AddRecentEntry(TComboBoxState& Control, const std::string& Text);

// Loads every record when the stored version is the current one and returns true; otherwise
// erases the settings, reports "New version [...] installed, ..." and leaves the records alone.
bool LoadSettings(TCompMemory& Store, TSettingsRecords& Records);
void SaveSettings(TCompMemory& Store, TSettingsRecords& Records);

// The message shown when settings of another version were found and erased.
std::string NewVersionMessage();

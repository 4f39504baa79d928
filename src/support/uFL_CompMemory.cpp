// The settings rules: the value layout of the window's bounds and controls over a settings store.
#include "support/uFL_CompMemory.h"
#include "support/uFL_QtText.h"

#include <QVariant>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "support/uFL_Utils.h"
#include "support/uFL_Version.h"

namespace {
// The key as the messages name it; here it is the file QSettings keeps for the same names.
constexpr const char* KeyText = "Current_User\\Software\\Vendalor\\Ferrolin\\ :";
}  // namespace

std::string CheckStatesToStream(const std::vector<bool>& Checked) {
  std::string Bytes(Checked.size() / 8 + 1, '\0');
  for (size_t i = 0; i < Checked.size(); ++i)
    if (Checked[i]) Bytes[i / 8] = char(uint8_t(Bytes[i / 8]) | (1u << (i % 8)));
  return Bytes;
}

void StreamToCheckStates(std::vector<bool>& Checked, const std::string& Bytes) {
  for (size_t k = 0; k < Checked.size(); ++k)
    Checked[k] = k / 8 < Bytes.size() && (uint8_t(Bytes[k / 8]) >> (k % 8)) & 1u;
}

TCompMemory::TCompMemory() = default;
TCompMemory::~TCompMemory() = default;

void TCompMemory::Report(const char* Prefix, const std::string& Reason) {
  if (ShowMessage) ShowMessage(std::string(Prefix) + KeyText + Reason);
}

void TCompMemory::OpenSettings() {
  FSettings = OpenStore();
  const std::string Problem = FSettings->Problem();
  FBroken = !Problem.empty();
  if (FBroken) Report("Error opening Registry key ", Problem);
}

void TCompMemory::CloseSettings() {
  if (!FSettings) return;
  FSettings->Sync();
  if (const std::string Problem = FSettings->Problem(); !FBroken && !Problem.empty())
    Report("Error closing Registry key ", Problem);
  FSettings.reset();
}

void TCompMemory::DeleteSettings() {
  OpenSettings();
  FSettings->Clear();
  FSettings->Sync();
  std::string Reason = FSettings->Problem();
  // Nothing of the key may stay behind, not even an empty file.
  if (Reason.empty()) Reason = FSettings->Remove();
  FSettings.reset();
  if (!Reason.empty()) Report("Error Deleting Registry key ", Reason);
}

bool TCompMemory::ReadString(const std::string& Name, std::string& Value, bool& Present) {
  Present = false;
  if (!FSettings || FBroken) return false;
  const QVariant V = FSettings->Value(Name);
  if (!V.isValid()) return true;
  if (V.typeId() != QMetaType::QString) return false;
  Present = true;
  Value = S(V.toString());
  return true;
}

bool TCompMemory::ReadInt(const std::string& Name, int& Value) {
  if (!FSettings || FBroken) return false;
  const QVariant V = FSettings->Value(Name);
  if (!V.isValid() || V.typeId() == QMetaType::QByteArray) return false;
  bool Ok = false;
  const int I = V.toInt(&Ok);
  if (Ok) Value = I;
  return Ok;
}

bool TCompMemory::Write(const std::string& Name, const QVariant& Value) {
  if (!FSettings || FBroken) return false;
  FSettings->SetValue(Name, Value);
  return true;
}

std::string TCompMemory::ReadSettingsVersion() {
  std::string V;
  bool Present = false;
  if (!ReadString(SettingsVersionValue, V, Present) || !Present) return {};
  return V;
}

void TCompMemory::WriteSettingsVersion(const std::string& Text) {
  Write(SettingsVersionValue, Q(Text));
}

bool TCompMemory::LoadFormBounds(TFormBounds& Bounds) {
  const std::string N = FormName;
  return ReadInt(N + "_top", Bounds.Top) && ReadInt(N + "_left", Bounds.Left) &&
         ReadInt(N + "_heigth", Bounds.Height) && ReadInt(N + "_width", Bounds.Width);
}

bool TCompMemory::SaveFormBounds(const TFormBounds& Bounds) {
  const std::string N = FormName;
  return Write(N + "_top", Bounds.Top) && Write(N + "_left", Bounds.Left) &&
         Write(N + "_heigth", Bounds.Height) && Write(N + "_width", Bounds.Width);
}

bool TCompMemory::LoadCheckBox(TCheckBoxState& Control) {
  int State = 0;
  if (!ReadInt(Control.Name + "_state", State)) return false;
  Control.Checked = State != 0;
  return true;
}

bool TCompMemory::SaveCheckBox(const TCheckBoxState& Control) {
  return Write(Control.Name + "_state", Control.Checked ? 1 : 0);
}

bool TCompMemory::LoadComboBox(TComboBoxState& Control) {
  Control.DropDownCount = RecentEntriesMax;
  std::string Mru, Current;
  bool Present = false;
  if (!ReadString(Control.Name + "_mru", Mru, Present)) return false;
  Control.Items.clear();
  for (std::string& Line : SplitTextLines(Mru)) Control.Items.push_back({std::move(Line), 0});
  if (Control.Sorted)
    std::stable_sort(
        Control.Items.begin(), Control.Items.end(),
        [](const TComboEntry& A, const TComboEntry& B) { return TextLessAscii(A.Text, B.Text); });
  if (!ReadString(Control.Name + "_current", Current, Present)) return false;
  Control.Text = Current;
  return true;
}

bool AddRecentEntry(TComboBoxState& Control, const std::string& Text) {
  bool Found = false;
  int Oldest = -1, OldestAge = -1;
  for (size_t i = 0; i < Control.Items.size(); ++i) {
    TComboEntry& E = Control.Items[i];
    ++E.Age;
    if (E.Age > OldestAge) {
      OldestAge = E.Age;
      Oldest = int(i);
    }
    if (SameTextAscii(E.Text, Text)) Found = true;
  }
  if (Found) return false;
  if (int(Control.Items.size()) >= RecentEntriesMax)
    Control.Items.erase(Control.Items.begin() + Oldest);
  auto Where = Control.Items.end();
  if (Control.Sorted)
    Where = std::upper_bound(
        Control.Items.begin(), Control.Items.end(), Text,
        [](const std::string& T, const TComboEntry& E) { return TextLessAscii(T, E.Text); });
  Control.Items.insert(Where, TComboEntry{Text, 0});
  return true;
}

bool TCompMemory::SaveComboBox(TComboBoxState& Control) {
  if (!Control.Text.empty() && AddRecentEntry(Control, Control.Text)) {
    std::vector<std::string> Lines;
    for (const TComboEntry& E : Control.Items) Lines.push_back(E.Text);
    if (!Write(Control.Name + "_mru", Q(JoinLines(Lines, "\r\n")))) return false;
  }
  return Write(Control.Name + "_current", Q(Control.Text));
}

bool TCompMemory::LoadCheckList(TCheckListState& Control) {
  std::string Items;
  bool Present = false;
  if (ReadString(Control.Name + "_items", Items, Present) && !Items.empty()) {
    std::vector<std::string> Stored = SplitTextLines(Items);
    // A stored list that is the start of the window's list was stored before the later items
    // existed: they stay (unchecked), and the stored states apply to the items they belong to.
    const bool Older = Stored.size() < Control.Items.size() &&
                       std::equal(Stored.begin(), Stored.end(), Control.Items.begin());
    if (!Older) Control.Items = std::move(Stored);
    if (Control.Sorted)
      std::stable_sort(
          Control.Items.begin(), Control.Items.end(),
          [](const std::string& A, const std::string& B) { return TextLessAscii(A, B); });
  }
  Control.Checked.assign(Control.Items.size(), false);
  int Size = 0;
  if (!ReadInt(Control.Name + "_binarysize", Size)) return false;
  if (Size <= 0) return true;
  const QVariant V = FSettings->Value(Control.Name + "_checked");
  if (V.typeId() != QMetaType::QByteArray) return false;
  const QByteArray Bytes = V.toByteArray().left(Size);
  StreamToCheckStates(Control.Checked, std::string(Bytes.constData(), size_t(Bytes.size())));
  return true;
}

bool TCompMemory::SaveCheckList(const TCheckListState& Control) {
  std::vector<bool> Checked = Control.Checked;
  Checked.resize(Control.Items.size(), false);
  const std::string Bytes = CheckStatesToStream(Checked);
  return Write(Control.Name + "_items", Q(JoinLines(Control.Items, "\r\n"))) &&
         Write(Control.Name + "_checked", QByteArray(Bytes.data(), qsizetype(Bytes.size()))) &&
         Write(Control.Name + "_binarysize", int(Bytes.size()));
}

std::string NewVersionMessage() {
  return std::string("New version [") + FerrolinVersion +
         "] installed, old settings have been cleared";
}

bool LoadSettings(TCompMemory& Store, TSettingsRecords& Records) {
  Store.OpenSettings();
  const bool Current = Store.ReadSettingsVersion() == FerrolinVersion;
  if (Current) {
    Store.LoadFormBounds(Records.Bounds);
    // A failure ends the work on that control only.
    for (TControlState& Control : Records.Controls)
      std::visit(
          [&](auto& C) {
            using T = std::decay_t<decltype(C)>;
            if constexpr (std::is_same_v<T, TCheckBoxState>) Store.LoadCheckBox(C);
            if constexpr (std::is_same_v<T, TComboBoxState>) Store.LoadComboBox(C);
            if constexpr (std::is_same_v<T, TCheckListState>) Store.LoadCheckList(C);
          },
          Control);
  }
  Store.CloseSettings();
  if (!Current) {
    Store.DeleteSettings();
    if (Store.ShowMessage) Store.ShowMessage(NewVersionMessage());
  }
  return Current;
}

void SaveSettings(TCompMemory& Store, TSettingsRecords& Records) {
  Store.OpenSettings();
  Store.WriteSettingsVersion(FerrolinVersion);
  Store.SaveFormBounds(Records.Bounds);
  for (TControlState& Control : Records.Controls)
    std::visit(
        [&](auto& C) {
          using T = std::decay_t<decltype(C)>;
          if constexpr (std::is_same_v<T, TCheckBoxState>) Store.SaveCheckBox(C);
          if constexpr (std::is_same_v<T, TComboBoxState>) Store.SaveComboBox(C);
          if constexpr (std::is_same_v<T, TCheckListState>) Store.SaveCheckList(C);
        },
        Control);
  Store.CloseSettings();
}

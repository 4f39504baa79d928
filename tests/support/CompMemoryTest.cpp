// The settings store: value names and kinds, the version rule, recent entries, packed check lists.
#include "support/uFL_CompMemory.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>

#include <memory>

#include "TempTree.h"

namespace {

class CompMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(Dir.Dir()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(Dir.Dir()));
    Store.ShowMessage = [this](const std::string& M) { Messages.push_back(M); };
  }

  // Direct access to the stored values, as another program would see them.
  static std::unique_ptr<QSettings> Raw() {
    return std::make_unique<QSettings>("Vendalor", "Ferrolin");
  }
  static QVariant RawValue(const char* Name) { return Raw()->value(Name); }
  static void SetRaw(const char* Name, const QVariant& V) { Raw()->setValue(Name, V); }

  static TSettingsRecords SampleRecords() {
    TSettingsRecords R;
    R.Bounds = {10, 20, 500, 800};
    TCheckListState Types{"clbFileTypes", true, {"*.*", "*.asc", "*.pas"}, {false, true, true}};
    R.Controls.push_back(Types);
    R.Controls.push_back(TCheckBoxState{"cbSubdirs", true});
    // The typed directory is new, so the save adds it to the recent list.
    R.Controls.push_back(TComboBoxState{"cbDir", true, {{"/src/", 0}}, "/tmp/", 8});
    R.Controls.push_back(TCheckBoxState{"cbTrace", false});
    return R;
  }

  // The same controls with the design defaults of a fresh window.
  static TSettingsRecords DefaultRecords() {
    TSettingsRecords R;
    R.Bounds = {0, 0, 500, 800};
    R.Controls.push_back(
        TCheckListState{"clbFileTypes", true, {"*.*", "*.asc", "*.pas"}, {false, false, false}});
    R.Controls.push_back(TCheckBoxState{"cbSubdirs", false});
    R.Controls.push_back(TComboBoxState{"cbDir", true, {}, "", 8});
    R.Controls.push_back(TCheckBoxState{"cbTrace", true});
    return R;
  }

  TTempTree Dir;
  TCompMemory Store;
  std::vector<std::string> Messages;
};

std::vector<std::string> Texts(const TComboBoxState& C) {
  std::vector<std::string> T;
  for (const auto& E : C.Items) T.push_back(E.Text);
  return T;
}

TEST_F(CompMemoryTest, SavedSettingsLoadBackIntoAFreshWindow) {
  TSettingsRecords Saved = SampleRecords();
  SaveSettings(Store, Saved);

  TSettingsRecords Loaded = DefaultRecords();
  EXPECT_TRUE(LoadSettings(Store, Loaded));
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(Loaded.Bounds.Top, 10);
  EXPECT_EQ(Loaded.Bounds.Left, 20);
  EXPECT_EQ(Loaded.Bounds.Height, 500);
  EXPECT_EQ(Loaded.Bounds.Width, 800);
  const auto& Types = std::get<TCheckListState>(Loaded.Controls[0]);
  EXPECT_EQ(Types.Checked, (std::vector<bool>{false, true, true}));
  EXPECT_TRUE(std::get<TCheckBoxState>(Loaded.Controls[1]).Checked);
  const auto& Dir = std::get<TComboBoxState>(Loaded.Controls[2]);
  EXPECT_EQ(Texts(Dir), (std::vector<std::string>{"/src/", "/tmp/"}));
  EXPECT_EQ(Dir.Text, "/tmp/");
  EXPECT_FALSE(std::get<TCheckBoxState>(Loaded.Controls[3]).Checked);
}

TEST_F(CompMemoryTest, ValuesHaveTheirNamesAndKinds) {
  TSettingsRecords Saved = SampleRecords();
  SaveSettings(Store, Saved);

  EXPECT_EQ(RawValue("FL_Version").toString(), "0.25 Alpha");
  EXPECT_EQ(RawValue("Main_top").toInt(), 10);
  EXPECT_EQ(RawValue("Main_left").toInt(), 20);
  EXPECT_EQ(RawValue("Main_heigth").toInt(), 500);
  EXPECT_EQ(RawValue("Main_width").toInt(), 800);
  EXPECT_EQ(RawValue("cbSubdirs_state").toInt(), 1);
  EXPECT_EQ(RawValue("cbTrace_state").toInt(), 0);
  EXPECT_EQ(RawValue("cbDir_mru").toString(), "/src/\r\n/tmp/\r\n");
  EXPECT_EQ(RawValue("cbDir_current").toString(), "/tmp/");
  EXPECT_EQ(RawValue("clbFileTypes_items").toString(), "*.*\r\n*.asc\r\n*.pas\r\n");
  const QVariant Checked = RawValue("clbFileTypes_checked");
  EXPECT_EQ(Checked.typeId(), QMetaType::QByteArray);
  EXPECT_EQ(Checked.toByteArray(), QByteArray("\x06", 1));
  EXPECT_EQ(RawValue("clbFileTypes_binarysize").toInt(), 1);
}

struct TPackCase {
  size_t Items;
  std::vector<size_t> CheckedItems;
  std::vector<uint8_t> Bytes;
};

class CheckStatePacking : public ::testing::TestWithParam<TPackCase> {};

TEST_P(CheckStatePacking, PacksEightItemsAByteAndUnpacksTheSame) {
  const TPackCase& C = GetParam();
  std::vector<bool> Checked(C.Items, false);
  for (size_t i : C.CheckedItems) Checked[i] = true;
  const std::string Bytes = CheckStatesToStream(Checked);
  EXPECT_EQ(std::vector<uint8_t>(Bytes.begin(), Bytes.end()), C.Bytes);

  std::vector<bool> Back(C.Items, true);
  StreamToCheckStates(Back, Bytes);
  EXPECT_EQ(Back, Checked);
}

INSTANTIATE_TEST_SUITE_P(Lists, CheckStatePacking,
                         ::testing::Values(TPackCase{28, {0, 9}, {1, 2, 0, 0}},
                                           TPackCase{28, {}, {0, 0, 0, 0}}, TPackCase{4, {3}, {8}},
                                           TPackCase{1, {0}, {1}}, TPackCase{8, {7}, {0x80, 0}},
                                           TPackCase{16, {8, 15}, {0, 0x81, 0}},
                                           TPackCase{0, {}, {0}}));

TEST(CheckStateUnpacking, StoredBitsBeyondTheItemsAreIgnoredAndMissingOnesUncheck) {
  std::vector<bool> Few(3, false);
  StreamToCheckStates(Few, std::string("\xff\xff", 2));
  EXPECT_EQ(Few, (std::vector<bool>{true, true, true}));

  std::vector<bool> Many(10, true);
  StreamToCheckStates(Many, std::string("\x01", 1));
  EXPECT_EQ(Many, (std::vector<bool>{true, false, false, false, false, false, false, false, false,
                                     false}));
}

TEST_F(CompMemoryTest, TwentyEightFileTypesTakeFourBytes) {
  TCheckListState Types{"clbFileTypes", true, {}, {}};
  for (int i = 0; i < 28; ++i) Types.Items.push_back("*.t" + std::to_string(100 + i));
  Types.Checked.assign(28, false);
  Types.Checked[0] = Types.Checked[9] = true;
  TSettingsRecords R;
  R.Controls.push_back(Types);
  SaveSettings(Store, R);

  EXPECT_EQ(RawValue("clbFileTypes_binarysize").toInt(), 4);
  EXPECT_EQ(RawValue("clbFileTypes_checked").toByteArray(), QByteArray("\x01\x02\x00\x00", 4));
}

// A ninth new entry pushes out the oldest; after a load all are equally old, so the first goes.
TEST_F(CompMemoryTest, NinthEntryReplacesTheFirstLoadedOneAndTakesItsSortedPlace) {
  TComboBoxState Search{"cbSearch", true, {}, "", 8};
  for (const char* T : {"b", "c", "d", "e", "f", "g", "h", "j"}) Search.Items.push_back({T, 0});
  Search.Text = "i";
  TSettingsRecords R;
  R.Controls.push_back(Search);
  SaveSettings(Store, R);

  const auto& After = std::get<TComboBoxState>(R.Controls[0]);
  EXPECT_EQ(Texts(After), (std::vector<std::string>{"c", "d", "e", "f", "g", "h", "i", "j"}));
  EXPECT_EQ(RawValue("cbSearch_mru").toString(), "c\r\nd\r\ne\r\nf\r\ng\r\nh\r\ni\r\nj\r\n");
  EXPECT_EQ(RawValue("cbSearch_current").toString(), "i");
}

TEST_F(CompMemoryTest, KnownEntryInAnotherCaseAddsNothingAndKeepsTheStoredList) {
  TSettingsRecords R;
  R.Controls.push_back(TComboBoxState{"cbSearch", true, {{"Begin", 0}, {"end", 0}}, "BEGIN", 8});
  SetRaw("cbSearch_mru", "marker\r\n");
  SaveSettings(Store, R);

  EXPECT_EQ(Texts(std::get<TComboBoxState>(R.Controls[0])),
            (std::vector<std::string>{"Begin", "end"}));
  EXPECT_EQ(RawValue("cbSearch_mru").toString(), "marker\r\n");
  EXPECT_EQ(RawValue("cbSearch_current").toString(), "BEGIN");
}

struct TRecentCase {
  const char* Name;
  std::vector<std::string> Uses;  // texts saved one after the other, starting from an empty list
  std::vector<std::string> Expected;
};

class RecentEntries : public ::testing::TestWithParam<TRecentCase> {};

TEST_P(RecentEntries, OldestOfThisRunLeavesFirstAndReuseDoesNotRenew) {
  TComboBoxState C{"cbMask", true, {}, "", 8};
  for (const std::string& T : GetParam().Uses) AddRecentEntry(C, T);
  EXPECT_EQ(Texts(C), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, RecentEntries,
    ::testing::Values(TRecentCase{"Fills", {"h", "a", "c"}, {"a", "c", "h"}},
                      TRecentCase{"NinthDropsFirstUsed",
                                  {"h", "g", "f", "e", "d", "c", "b", "a", "z"},
                                  {"a", "b", "c", "d", "e", "f", "g", "z"}},
                      TRecentCase{"ReuseIsNotRenewal",
                                  {"h", "g", "f", "e", "d", "c", "b", "a", "H", "z"},
                                  {"a", "b", "c", "d", "e", "f", "g", "z"}},
                      TRecentCase{"CaseIsIgnoredForAsciiOnly",
                                  {"x", "X", "\xc3\xa4", "\xc3\x84"},
                                  {"x", "\xc3\x84", "\xc3\xa4"}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(CompMemoryTest, EmptyComboTextIsStoredAsCurrentButNotAdded) {
  TSettingsRecords R;
  R.Controls.push_back(TComboBoxState{"cbUnit", true, {{"SysUtils", 0}}, "", 8});
  SaveSettings(Store, R);
  EXPECT_EQ(Texts(std::get<TComboBoxState>(R.Controls[0])), std::vector<std::string>{"SysUtils"});
  EXPECT_TRUE(RawValue("cbUnit_current").isValid());
  EXPECT_EQ(RawValue("cbUnit_current").toString(), "");
  EXPECT_FALSE(RawValue("cbUnit_mru").isValid());
}

struct TVersionCase {
  const char* Name;
  const char* Stored;  // null: nothing stored at all
};

class VersionRule : public CompMemoryTest, public ::testing::WithParamInterface<TVersionCase> {};

TEST_P(VersionRule, SettingsOfAnyOtherVersionAreErasedWithTheMessage) {
  if (GetParam().Stored) {
    SetRaw("FL_Version", GetParam().Stored);
    SetRaw("cbSubdirs_state", 1);
    SetRaw("Main_top", 77);
  }
  TSettingsRecords R = DefaultRecords();
  EXPECT_FALSE(LoadSettings(Store, R));

  EXPECT_EQ(Messages, std::vector<std::string>{
                          "New version [0.25 Alpha] installed, old settings have been cleared"});
  EXPECT_FALSE(std::get<TCheckBoxState>(R.Controls[1]).Checked) << "design default kept";
  EXPECT_EQ(R.Bounds.Top, 0);
  EXPECT_TRUE(Raw()->allKeys().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionRule,
                         ::testing::Values(TVersionCase{"NothingStored", nullptr},
                                           TVersionCase{"Earlier", "0.24 Alpha"},
                                           TVersionCase{"OtherCase", "0.25 alpha"},
                                           TVersionCase{"Empty", ""}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(CompMemoryTest, FirstActionAfterTheVersionMessageStoresEverything) {
  TSettingsRecords R = DefaultRecords();
  LoadSettings(Store, R);
  SaveSettings(Store, R);
  TSettingsRecords Again = DefaultRecords();
  EXPECT_TRUE(LoadSettings(Store, Again));
  EXPECT_EQ(Messages.size(), 1u);
}

TEST_F(CompMemoryTest, ErrorInOneControlEndsOnlyThatControl) {
  TSettingsRecords Saved = SampleRecords();
  SaveSettings(Store, Saved);
  SetRaw("cbSubdirs_state", QByteArray("\x01", 1));  // binary where a number belongs
  SetRaw("cbTrace_state", 1);

  TSettingsRecords R = DefaultRecords();
  EXPECT_TRUE(LoadSettings(Store, R));
  EXPECT_FALSE(std::get<TCheckBoxState>(R.Controls[1]).Checked) << "kept its state";
  EXPECT_EQ(Texts(std::get<TComboBoxState>(R.Controls[2])),
            (std::vector<std::string>{"/src/", "/tmp/"}));
  EXPECT_TRUE(std::get<TCheckBoxState>(R.Controls[3]).Checked) << "next control still loaded";
}

TEST_F(CompMemoryTest, FormBoundsStopAtTheFirstMissingValue) {
  SetRaw("FL_Version", "0.25 Alpha");
  SetRaw("Main_top", 5);
  SetRaw("Main_left", 6);
  SetRaw("Main_width", 900);
  TSettingsRecords R = DefaultRecords();
  LoadSettings(Store, R);
  EXPECT_EQ(R.Bounds.Top, 5);
  EXPECT_EQ(R.Bounds.Left, 6);
  EXPECT_EQ(R.Bounds.Height, 500);
  EXPECT_EQ(R.Bounds.Width, 800) << "width comes after the missing height";
}

TEST_F(CompMemoryTest, StoredItemsReplaceTheWindowsAndUncoveredItemsStayUnchecked) {
  SetRaw("FL_Version", "0.25 Alpha");
  SetRaw("clbDelphiChecks_items", "B\r\nA\r\n");
  SetRaw("clbDelphiChecks_checked", QByteArray("\x01", 1));
  SetRaw("clbDelphiChecks_binarysize", 1);
  SetRaw("clbOracleChecks_items", "x\r\ny\r\n");
  SetRaw("clbOracleChecks_binarysize", 0);
  SetRaw("clbFileTypes_checked", QByteArray("\x07", 1));  // no size: an error, all unchecked

  TSettingsRecords R;
  R.Controls.push_back(
      TCheckListState{"clbDelphiChecks", false, {"1", "2", "3"}, {true, true, true}});
  R.Controls.push_back(TCheckListState{"clbOracleChecks", true, {"y"}, {true}});
  R.Controls.push_back(TCheckListState{"clbFileTypes", true, {"*.*", "*.pas"}, {true, true}});
  LoadSettings(Store, R);

  const auto& Delphi = std::get<TCheckListState>(R.Controls[0]);
  EXPECT_EQ(Delphi.Items, (std::vector<std::string>{"B", "A"})) << "unsorted keeps the order";
  EXPECT_EQ(Delphi.Checked, (std::vector<bool>{true, false}));
  const auto& Oracle = std::get<TCheckListState>(R.Controls[1]);
  EXPECT_EQ(Oracle.Items, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(Oracle.Checked, (std::vector<bool>{false, false}));
  const auto& Types = std::get<TCheckListState>(R.Controls[2]);
  EXPECT_EQ(Types.Items, (std::vector<std::string>{"*.*", "*.pas"}));
  EXPECT_EQ(Types.Checked, (std::vector<bool>{false, false}));
}

TEST_F(CompMemoryTest, ListStoredBeforeLaterItemsExistedKeepsThemUncheckedAndItsOwnStates) {
  SetRaw("FL_Version", "0.25 Alpha");
  SetRaw("clbDelphiChecks_items", "a\r\nb\r\n");
  SetRaw("clbDelphiChecks_checked", QByteArray("\x02", 1));
  SetRaw("clbDelphiChecks_binarysize", 1);
  TSettingsRecords R;
  R.Controls.push_back(
      TCheckListState{"clbDelphiChecks", false, {"a", "b", "c", "d"}, {true, false, true, true}});
  LoadSettings(Store, R);
  const auto& Delphi = std::get<TCheckListState>(R.Controls[0]);
  EXPECT_EQ(Delphi.Items, (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(Delphi.Checked, (std::vector<bool>{false, true, false, false}));
}

TEST_F(CompMemoryTest, SortedComboListIsResortedOnLoadAndAbsentListEmptiesIt) {
  SetRaw("FL_Version", "0.25 Alpha");
  SetRaw("cbDir_mru", "/z/\r\n/A/\r\n/b/\r\n");
  TSettingsRecords R;
  R.Controls.push_back(TComboBoxState{"cbDir", true, {}, "typed", 3});
  R.Controls.push_back(TComboBoxState{"cbMask", true, {{"*.pas", 0}}, "*.pas", 3});
  LoadSettings(Store, R);
  const auto& Dir = std::get<TComboBoxState>(R.Controls[0]);
  EXPECT_EQ(Texts(Dir), (std::vector<std::string>{"/A/", "/b/", "/z/"}));
  EXPECT_EQ(Dir.Text, "") << "absent current text empties the box";
  EXPECT_EQ(Dir.DropDownCount, 8);
  EXPECT_TRUE(std::get<TComboBoxState>(R.Controls[1]).Items.empty());
}

TEST_F(CompMemoryTest, DeleteSettingsRemovesEveryValue) {
  TSettingsRecords Saved = SampleRecords();
  SaveSettings(Store, Saved);
  ASSERT_FALSE(Raw()->allKeys().isEmpty());
  Store.DeleteSettings();
  EXPECT_TRUE(Raw()->allKeys().isEmpty());
  EXPECT_FALSE(QFile::exists(Raw()->fileName()));
  EXPECT_TRUE(Messages.empty());
}

TEST_F(CompMemoryTest, StoreThatCannotBeWrittenReportsTheClosingError) {
  // A plain file where the vendor's folder belongs makes every write fail.
  Dir.File("Vendalor", "not a folder");
  TSettingsRecords Saved = SampleRecords();
  SaveSettings(Store, Saved);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].rfind(
                "Error closing Registry key Current_User\\Software\\Vendalor\\Ferrolin\\ :", 0),
            0u)
      << Messages[0];
}

}  // namespace

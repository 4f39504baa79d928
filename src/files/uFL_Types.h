// Shared declarations: the directory record, attribute bits, action and file kinds (the check
// options have their own table, uFL_CheckTable).
#pragma once

#include <cstdint>
#include <string>

// Attribute bits of a directory record, as the platform mapping gives them (see uFL_Enumerators).
enum : int {
  faReadOnly = 1,
  faHidden = 2,
  faSysFile = 4,
  faVolumeID = 8,
  faDirectory = 16,
  faArchive = 32,
};

// The directory record kept with every file-list entry and handed to the file model.
struct TSearchRec {
  int64_t Time = 0;  // last write, seconds since the epoch
  int64_t Size = 0;  // bytes
  int Attr = 0;      // fa* bits
  std::string Name;  // without directory
};

enum class TActionKind : uint8_t {
  acChecks = 0,
  acSearch = 1,
  acReplace = 2,
  acRunWith = 3,
  acAddUnit = 4
};
enum class TFileKind : uint8_t { fkDelphi = 0, fkOracle = 1, fkText = 2 };

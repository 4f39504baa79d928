// Shared declarations: the directory record, attribute bits, action and file kinds, check options.
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

enum TCheckOption : uint8_t {
  coCreateDestroy = 0,
  coSetAbortComplete = 1,
  coNoTryExcept = 2,
  coInherited = 3,
  coOpenFetchClose = 4,
};

// A set of TCheckOption in one byte: bit N stands for option N.
using TCheckOptions = uint8_t;

constexpr TCheckOptions CheckBit(TCheckOption Option) {
  return TCheckOptions(1u << Option);
}
constexpr bool HasCheck(TCheckOptions Options, TCheckOption Option) {
  return (Options & CheckBit(Option)) != 0;
}

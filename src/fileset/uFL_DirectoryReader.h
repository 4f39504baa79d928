// The one directory reader of every walk: names, wildcard masks, the attribute rules of this
// platform, and file records read in bulk.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "files/uFL_Types.h"

// Wildcard match of a name against a mask: "*" and "?" without regard to ASCII case, "*.*" and
// "*" match every name; a mask without wildcards names exactly one name.
bool MatchesMask(std::string_view Name, std::string_view Mask);
// A mask of nothing but blanks and control characters, which stands for every name.
bool IsBlankMask(std::string_view Mask);

// What one listing yields: entries whose name matches Mask and whose hidden, system,
// volume-label and directory bits all lie within SearchAttr.
struct TListingRule {
  std::string Mask;
  int SearchAttr = 0;
  // False: directories pass whatever their name (the mask is for files only).
  bool MaskDirectories = true;
  // False: a regular file's size, time and read-only bit are left to be read later, so that a
  // walk that only lists names needs no lookup per file.
  bool ReadRecords = true;
};

struct TDirEntry {
  TSearchRec Rec;
  bool RecordRead = true;  // Size, Time and the read-only bit are known
};

// The entries of Dir (empty: the current directory) that Rule lets through, "." and ".." never,
// in the file system's order. The type of an entry comes from the listing itself; only links,
// entries of unknown type and, when asked for, records are looked up. A directory that cannot be
// read yields nothing; an entry that vanishes before its lookup is left out.
std::vector<TDirEntry> ReadDirectory(const std::string& Dir, const TListingRule& Rule);

// One entry of the listing of the open directory DirFd, whose type the listing gave as DType
// (a DT_ value; DT_UNKNOWN where the file system keeps no types). A link to a regular file is
// that file; a link to a directory, a broken link and every special file are "system", so walks
// never follow links into loops. False when the entry is gone.
bool ClassifyEntry(int DirFd, const char* Name, unsigned char DType, bool ReadRecord,
                   TDirEntry& Entry);

// Reads the size, time and read-only bit of regular files named by full path, directory by
// directory, each looked up relative to its open directory; large sets are split between two
// threads. A file that is gone, or no longer a regular file, gets a record of 0 bytes and Gone.
struct TPendingRecord {
  const std::string* Path;
  TSearchRec* Rec;
  bool Gone = false;
};
void ReadFileRecords(std::vector<TPendingRecord>& Files);

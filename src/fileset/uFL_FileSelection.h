// Building the file set: collecting and removing files, file specifications, refresh, list files.
#pragma once

#include <string>
#include <vector>

#include "fileset/uFL_FileList.h"

class TDirectoryReadAhead;
#include "support/uFL_BusyHost.h"

// The inputs of one add or remove walk, as the file selection page holds them.
struct TCollectParams {
  std::string Dir;                 // start directory as typed, normally with a trailing "/"
  std::string Mask;                // the file mask; when not empty the types are ignored
  std::vector<std::string> Types;  // the checked file types, in the page's order
  bool Subdirs = true;
  // False when only the paths are wanted: the files' records are then read on first use.
  bool ReadRecords = true;
};

class TFileSelection {
 public:
  TFileSelection(TFileList& List, IBusyHost& Host) : FList(List), FHost(Host) {}

  bool AddMode = true;
  bool FirstScan = true;
  std::string CurrentMask;

  // The add or remove walk of "Add Files" and "Remove Files ".
  void CollectFiles(bool Add, const TCollectParams& Params);
  void ScanDirectory(const std::string& Dir);
  void FileFound(const std::string& FullName, const TSearchRec& FileRec);
  // Adds every file that matches a directory part plus a name that may hold wildcards.
  void AddFileSpec(const std::string& Spec);
  // Rebuilds the list from disk: vanished files go, every entry gets a fresh record.
  void RefreshFileList(bool AfterAction);
  void KeepOnlyFile(int Index);
  // Replaces the list by a file-list file's entries, re-read from disk. Throws EFileError; a
  // failed read leaves the list empty.
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;

 private:
  // ScanDirectory from Dir, with the directories below it read ahead on a worker thread.
  void ScanTree(const std::string& Dir);

  TFileList& FList;
  IBusyHost& FHost;
  bool FSubdirs = true;
  TDirectoryReadAhead* FReadAhead = nullptr;
};

// The start-directory rule of the page: trimmed; "/" appended when not empty; throws
// std::runtime_error("Directory does not exist") when no such directory exists.
std::string NormaliseStartDirectory(const std::string& Text);

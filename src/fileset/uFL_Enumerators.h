// Directory walkers that report accepted entries to a handler: all entries, subdirectories, files.
#pragma once

#include <functional>
#include <string>

#include "files/uFL_Types.h"
#include "fileset/uFL_DirectoryReader.h"

class TFSEnumerator;

// Handler for an accepted entry. Clearing ContinueLevel ends the listing of the current directory.
using TFSEvent = std::function<void(TFSEnumerator& Sender, const std::string& FullName,
                                    const TSearchRec& FileRec, bool& ContinueLevel)>;
using TNotifyEvent = std::function<void(TFSEnumerator& Sender)>;

class TFSEnumerator {
 public:
  virtual ~TFSEnumerator() = default;

  TFSEvent OnItem;
  TNotifyEvent OnStart;
  TNotifyEvent OnFinish;
  bool Recursive = false;

  const std::string& StartPath() const { return FStartPath; }
  // Keeps a trailing "/"; an empty path stays empty and means the current directory.
  void SetStartPath(const std::string& Value);

  void Execute();

 protected:
  virtual void EnumerateDirectory(const std::string& Dir);
  virtual bool AcceptEntry(const TSearchRec& Rec) const;
  virtual std::string GetSearchMask() const { return "*.*"; }
  virtual int GetSearchAttributes() const { return 0; }

 private:
  std::string FStartPath;
};

class TDirectoryEnumerator : public TFSEnumerator {
 protected:
  bool AcceptEntry(const TSearchRec& Rec) const override;
  int GetSearchAttributes() const override { return faDirectory; }
};

enum TFileAttr : uint8_t {
  ftReadOnly,
  ftHidden,
  ftSystem,
  ftVolumeID,
  ftDirectory,
  ftArchive,
  ftNormal
};
using TFileType = uint8_t;  // a set of TFileAttr, bit N for value N
constexpr TFileType FileTypeBit(TFileAttr Attr) {
  return TFileType(1u << Attr);
}

class TFileEnumerator : public TFSEnumerator {
 public:
  TFileType FileTypes = 0;
  const std::string& FileMask() const { return FFileMask; }
  // Blank or control-only masks become "*.*"; anything else is kept untrimmed.
  void SetFileMask(const std::string& Value);

 protected:
  bool AcceptEntry(const TSearchRec& Rec) const override;
  std::string GetSearchMask() const override { return FFileMask; }
  int GetSearchAttributes() const override;

 private:
  std::string FFileMask;
};

// The walk of the enumerators: listing order, handlers, recursion.
#include "fileset/uFL_Enumerators.h"

#include <vector>

void TFSEnumerator::SetStartPath(const std::string& Value) {
  if (Value == FStartPath) return;
  FStartPath = Value;
  if (!FStartPath.empty() && FStartPath.back() != '/') FStartPath += '/';
}

void TFSEnumerator::Execute() {
  if (OnStart) OnStart(*this);
  EnumerateDirectory(FStartPath);
  if (OnFinish) OnFinish(*this);
}

void TFSEnumerator::EnumerateDirectory(const std::string& Dir) {
  // The directory is read whole and closed before any handler runs, so handlers may change the
  // tree and deep walks hold no descriptors open.
  TListingRule Rule;
  Rule.Mask = GetSearchMask();
  Rule.SearchAttr = GetSearchAttributes();
  const std::vector<TDirEntry> Listing = ReadDirectory(Dir, Rule);
  for (const TDirEntry& Item : Listing) {
    const TSearchRec& Entry = Item.Rec;
    const std::string FullName = Dir + Entry.Name;
    if (AcceptEntry(Entry)) {
      bool ContinueLevel = true;
      if (OnItem) OnItem(*this, FullName, Entry, ContinueLevel);
      if (!ContinueLevel) return;
    }
    if ((Entry.Attr & faDirectory) && Recursive) EnumerateDirectory(FullName + '/');
  }
}

bool TFSEnumerator::AcceptEntry(const TSearchRec&) const {
  return true;
}

bool TDirectoryEnumerator::AcceptEntry(const TSearchRec& Rec) const {
  return (Rec.Attr & faDirectory) && Rec.Name != "." && Rec.Name != "..";
}

void TFileEnumerator::SetFileMask(const std::string& Value) {
  if (Value == FFileMask) return;
  FFileMask = IsBlankMask(Value) ? std::string("*.*") : Value;
}

int TFileEnumerator::GetSearchAttributes() const {
  static constexpr struct {
    TFileAttr Kind;
    int Bit;
  } Bits[] = {{ftReadOnly, faReadOnly},
              {ftHidden, faHidden},
              {ftSystem, faSysFile},
              {ftVolumeID, faVolumeID},
              {ftArchive, faArchive}};
  int Attr = 0;
  for (const auto& B : Bits)
    if (FileTypes & FileTypeBit(B.Kind)) Attr |= B.Bit;
  if (Recursive) Attr |= faDirectory;
  return Attr;
}

bool TFileEnumerator::AcceptEntry(const TSearchRec& Rec) const {
  bool Wanted = (GetSearchAttributes() & Rec.Attr) != 0 || (FileTypes & FileTypeBit(ftNormal));
  return Wanted && !(Rec.Attr & faDirectory);
}

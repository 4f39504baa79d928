// The seam through which every save of a changed file passes: the undo journal keeps the original
// before it is replaced, a preview collects the change and writes nothing.
#pragma once

#include <string>
#include <string_view>

class ISaveObserver {
 public:
  virtual ~ISaveObserver() = default;
  // Called before the file at Path (links resolved) is replaced by NewBytes. Returns false when the
  // file must not be written (a preview). Throws when the original cannot be made safe; the file is
  // then left untouched and the error recorded for it.
  virtual bool BeforeSave(const std::string& Path, std::string_view OldBytes,
                          std::string_view NewBytes, unsigned Mode) = 0;
  // Called after NewBytes were written to Path.
  virtual void AfterSave(const std::string& Path, std::string_view NewBytes) = 0;
};

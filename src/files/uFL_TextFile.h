// The plain-text kind of file: no analysis of its own.
#pragma once

#include "files/uFL_BaseFile.h"

class TTextfile : public TBaseFile {
 public:
  using TBaseFile::TBaseFile;
  void ProcessLine(int) override {}
  void Analyse(TCheckOptions) override {}
};

// File objects by kind: the virtual constructor of the file kinds as one switch.
#include "shell/uFL_FileFactory.h"

#include "files/uFL_TextFile.h"
// The source-analysis kinds: include their headers here and return them below.
// #include "analysis/uFL_DelphiFile.h"
// #include "analysis/uFL_OracleFile.h"

std::unique_ptr<TBaseFile> CreateFileObject(TFileKind Kind, TResultTree* Tree) {
  switch (Kind) {
    case TFileKind::fkDelphi:
      // return std::make_unique<TDelphiFile>(Tree);
      break;
    case TFileKind::fkOracle:
      // return std::make_unique<TOracleFile>(Tree);
      break;
    case TFileKind::fkText:
      break;
  }
  // Until the analysis kinds exist, every kind is a plain text file.
  return std::make_unique<TTextfile>(Tree);
}

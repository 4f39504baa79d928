// File objects by kind: the virtual constructor of the file kinds as one switch.
#include "shell/uFL_FileFactory.h"

#include "files/uFL_TextFile.h"
#include "analysis/uFL_DelphiFile.h"
#include "analysis/uFL_OracleFile.h"

std::unique_ptr<TBaseFile> CreateFileObject(TFileKind Kind, TResultTree* Tree) {
  switch (Kind) {
    case TFileKind::fkDelphi:
      return std::make_unique<TDelphiFile>(Tree);
    case TFileKind::fkOracle:
      return std::make_unique<TOracleFile>(Tree);
    case TFileKind::fkText:
      break;
  }
  return std::make_unique<TTextfile>(Tree);
}

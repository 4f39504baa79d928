// The one place where the action driver turns a file kind into a file object.
#pragma once

#include <memory>

#include "files/uFL_BaseFile.h"
#include "files/uFL_Types.h"

class TResultTree;

// A new object of the class of Kind (TDelphiFile, TOracleFile, TTextfile), writing into Tree.
std::unique_ptr<TBaseFile> CreateFileObject(TFileKind Kind, TResultTree* Tree);

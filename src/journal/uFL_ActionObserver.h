// What watches the saves of one action: the undo journal of a real replace or add-unit, the
// collector of a preview. The action driver asks it for its results and statistics lines.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "files/uFL_SaveObserver.h"
#include "files/uFL_Types.h"

class TBaseFile;

class IActionObserver : public ISaveObserver {
 public:
  // After File wrote its own results: adds this observer's entries for it; true when it did.
  virtual bool WriteResults(TBaseFile& File) {
    (void)File;
    return false;
  }
  // Lines for the action's statistics, after the line of saved files.
  virtual std::vector<std::string> StatisticsLines() const { return {}; }
  // The action has ended, also by an error.
  virtual void Finish() noexcept {}
};

struct TObservedAction {
  TActionKind Action = TActionKind::acSearch;
  bool PreviewOnly = false;
  std::vector<std::string> Terms, Replacements;  // the unit's name for add-unit
  std::string StartDir;  // diffs name files relative to it; empty: the current directory
};

// A preview when PreviewOnly, the undo journal for a replace or an add-unit, null otherwise.
// Throws std::runtime_error, before any file is touched, when the journal cannot be opened.
std::shared_ptr<IActionObserver> MakeActionObserver(const TObservedAction& Action);

// A dry run's preview as JSON Lines: what --format json prints instead of the unified diff.
#pragma once

#include <ostream>

class TPreview;

// One "preview" object per file that would change (path relative to the start directory, its
// diff, its changed lines), written before the run's "end" object. Text that is not UTF-8
// gets a twin field with "Base64" appended holding its bytes, as the other JSON output does.
void WritePreviewJson(std::ostream& Out, const TPreview& Preview);

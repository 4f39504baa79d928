// Writing a changed file back: atomically, or in place for a file with several hard links once
// its original is safe, keeping its mode, owner, group and extended attributes.
#pragma once

#include <string>
#include <string_view>

class ISaveObserver;

// Replaces the content of FileName (a link resolved: its target is written) by NewBytes.
// OldBytes is the content as loaded, handed to the observer. With an observer, its BeforeSave
// comes first: false writes nothing and returns false; an exception leaves the file untouched and
// goes on to the caller. A file with one link is written to a temporary file in its directory
// that is then renamed over it; a file with several links is written in place when an observer
// accepted the save (it holds the original), so that every name sees the change. Returns true
// when the file was written; throws std::runtime_error with the system's message, the file then
// being as it was.
bool SaveFileContent(const std::string& FileName, std::string_view OldBytes,
                     std::string_view NewBytes, ISaveObserver* Observer);

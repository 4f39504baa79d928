// The rules of the window's pages that need no widgets: file types, input checks, term files,
// the search/replace summary, the file-list entry hint, and the results made the file set.
#pragma once

#include <string>
#include <vector>

#include "files/uFL_CheckTable.h"
#include "files/uFL_Types.h"

class TFileList;
class TResultTree;

namespace PageMsg {
inline constexpr const char* EnterSearchText = "Please enter Search Text";
inline constexpr const char* EnterReplacementText = "Please enter Replacement Text";
inline constexpr const char* IncorrectReplace = "Incorrect input, cannot Replace";
inline constexpr const char* EmptyLines = "Textfile contained empty lines, file rejected";
inline constexpr const char* ListsDiffer =
    "SearchList and Replacelist have a different number of items, Replacelist has been rejected";
inline constexpr const char* EnterProgram = "Enter program to run the file with";
inline constexpr const char* EnterUnit = "Please enter Unit name";
inline constexpr const char* SelectChecks = "Select one or more Checks";
inline constexpr const char* NoDirectory = "No directory selected";
}  // namespace PageMsg

// After the user checked or unchecked a file type: "*.*" (item 0) and the other types exclude
// each other. Returns whether any type is now checked (the mask box is then emptied).
bool ApplyFileTypeRules(std::vector<bool>& Checked, bool& AllFilesMode);

// The check of "Add Files": a start directory must be given.
const char* CheckStartDirectory(const std::string& Dir);

// The input checks of the search and replace buttons: an empty list takes the box's text. Returns
// the message of the information box, or null when the action may start. A replace list loaded
// from a term file must pair with the search list one to one, or it is rejected (ListsDiffer).
const char* PrepareSearch(const std::string& SearchText, std::vector<std::string>& SearchList);
const char* PrepareReplace(const std::string& SearchText, const std::string& ReplaceText,
                           std::vector<std::string>& SearchList,
                           std::vector<std::string>& ReplaceList, bool ReplaceListLoaded = false);
bool ReplaceListPairs(const std::vector<std::string>& SearchList,
                      const std::vector<std::string>& ReplaceList);

// Loads a term file into List, one entry a line. A file that cannot be read throws EFileError
// and List keeps what it held; a file with an empty line empties List and throws.
void LoadTermList(const std::string& FileName, std::vector<std::string>& List);

// The line under the search and replace boxes.
std::string SearchReplaceSummary(const std::vector<std::string>& SearchList,
                                 const std::string& SearchText,
                                 const std::vector<std::string>& ReplaceList,
                                 const std::string& ReplaceText);

// The hint of a file-list entry: "NAME, N bytes", with ", Readonly" for a read-only file.
std::string FileEntryHint(const std::string& Path, const TSearchRec& Rec);

// Removes every entry of List that is not a file node of Tree (the header never counts).
void KeepFilesWithResults(TFileList& List, const TResultTree& Tree);

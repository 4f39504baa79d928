// The window's own texts: every control's caption and hint, and the messages of its boxes.
#pragma once

#include <string_view>

struct TControlText {
  const char* Name;
  const char* Caption;  // null: the control shows no caption of its own
  const char* Hint;     // null: no hint
};

// One row per control that has a caption or a hint. "&&" stands for one ampersand, as in menus.
inline constexpr TControlText ControlTexts[] = {
    // Navigation actions; the button of actBusy reads "Stop".
    {"actFileList", "Files", nullptr},
    {"actAction", "Actions", nullptr},
    {"actResults", "Results", nullptr},
    {"actVarious", "Various", nullptr},
    {"actTrace", "Trace", nullptr},
    {"actBusy", "Busy", nullptr},
    {"actGeneric", "Generic", nullptr},
    {"actDelphi", "Delphi", nullptr},
    {"actOracle", "Oracle", nullptr},
    // Pages, with their design captions (their tabs are never shown).
    {"tsSelect", "FileSelection", nullptr},
    {"tsAction", "Actions", nullptr},
    {"tsResults", "Results", nullptr},
    {"tsTrace", "Tracing", nullptr},
    {"tsVarious", "Miscellaneous", nullptr},
    {"tsGeneric", "Generic", nullptr},
    {"tsDelphi", "Delphi", nullptr},
    {"tsOracle", "Oracle", nullptr},
    {"lblStatus", "Status information", nullptr},
    // File selection page.
    {"lblDir", "Starting Directory", nullptr},
    {"spbDirectory", nullptr, "Use a dialogwindow to select the directory"},
    {"lblMask", "Filemask", nullptr},
    {"cbSubdirs", "Include subdirectories?", nullptr},
    {"lblFileTypes", "FileTypes (ignored if a filemask is specified)", nullptr},
    {"btnAdd", "Add Files", "Add files found to the list"},
    {"btnRemove", "Remove Files ", "Remove files found from the list"},
    {"btnEmpty", "Empty List", "Empty the list"},
    {"btnSaveFileList", "Save-To-File", "Save the list to a .FLL file"},
    {"btnLoadFiles", "Load-From-File", "Load the list from a file (normally a .FLL file)"},
    {"miEditInFiles", "Edit", nullptr},
    {"miRemoveFile", "Remove file from List", nullptr},
    {"miRemoveOthers", "Remove other files from List", nullptr},
    // Generic actions page.
    {"gbSearchReplace", "Search and Replace", nullptr},
    {"lblSearch", "Search", nullptr},
    {"spbMultiSearch", nullptr, "Load textfile with multiple lines of text to search in files"},
    {"btnSearch", "Search in Files", "Start Search action in selected files"},
    {"lblReplace", "Replace ", nullptr},
    {"spbMultiReplace", nullptr,
     "Load textfile with multiple lines of text to replace each line found in textfile with "
     "search-entries"},
    {"btnReplace", "Replace in Files", "Start Replace action  in selected files"},
    {"cbCaseSensitive", "Case Sensitive Search",
     "Check to match only text with the same upper en lower capitalizations"},
    {"cbRegExp", "Regular Expression Search",
     "Interpret the search text as being a Regular Expression (see manual for details)."},
    {"cbRPOverwrite", "Confirm File Overwrite",
     "Ask for each changed file during a replace if you want to save the new version or keep the "
     "old"},
    {"cbRPPreview", "Preview only, change no file",
     "Save nothing: list under each file the lines a replace would change"},
    {"gbRunWith", "Run with External program", nullptr},
    {"lblRunWith", "Run with", nullptr},
    {"spbRunWith", nullptr, "Use File Dialog to select program"},
    {"lblParams", "Params", nullptr},
    {"cbParams", nullptr,
     "Params to pass on to the application. Use !N for filename and !P for path to file (e.g. -x "
     "-y !P!N)"},
    {"btnRunWith", "Run Files with",
     "Start the action to run all selected files with the selected program and parameters"},
    {"cbShowOutput", "Show Output while running",
     "Display the console window for each started program"},
    {"cbMultiThreaded", "Multithreading Madness",
     "Start the actions as fast as possible without waiting for one to finish"},
    // Delphi page.
    {"gbAddUnit", "Add Unit to Second Uses Clause", nullptr},
    {"lblUnit", "Unit", nullptr},
    {"btnAddUnit", "Add Unit", "Add the unit to all files"},
    {"cbAUOverwrite", "Confirm File Overwrite", nullptr},
    {"cbAUPreview", "Preview only, change no file", nullptr},
    {"gbDelphiChecks", "Scan for Situations", nullptr},
    {"btnDelphiCheck", "Perform Checks", "Start the Scanning process"},
    // Oracle page.
    {"gbOracleChecks", "Scan for Situations", nullptr},
    {"btnOracleCheck", "Perform Checks", nullptr},
    // Results page.
    {"btnExpand", "DynamicallySet", "Expand or Collapse all branches in the window"},
    {"btnSave", "Save-To-File", "Save all results to a text-file"},
    {"btnResToSet", "Select Files",
     "Clear selected fileset and select only these files with results"},
    {"miEditInResults", "Edit", nullptr},
    {"RemovethisfilefromList1", "Remove this file from List", nullptr},
    {"miResultRemoveOthers", "Remove other files from List, Results && Trace", nullptr},
    // Tracing page.
    {"edtSearch", nullptr, "Text to search"},
    {"btnTraceSearch", "Search", "Search for text in Trace window"},
    {"btnTraceNext", "Next", "Continue search from previous find"},
    // Miscellaneous page.
    {"btnCleanRegistry", "Clear History", "Set settings back to default and exits Ferrolin."},
    {"cbTrace", "Tracing", "Turn tracing on/off."},
    {"btnUndoLast", "Undo Last Replace", "Restore the files the last replace or unit insertion changed"},
    {"lblEditor", "Editor command", nullptr},
    {"cbEditor", nullptr,
     "Program that opens a file at a line: {file}, {line} and {col} are filled in (e.g. code -g "
     "{file}:{line}:{col} or kate --line {line} {file}). Empty: the desktop's default application"},
};

// The row of Name; a row with neither caption nor hint when the control has none.
constexpr TControlText ControlText(std::string_view Name) {
  for (const TControlText& T : ControlTexts)
    if (Name == T.Name) return T;
  return {nullptr, nullptr, nullptr};
}

// The About list; line 3 is replaced by the version at start-up.
inline constexpr const char* AboutLines[] = {
    " Ferrolin", " Search, replace, run and check many files at once",
    "",          " Version Information",
    "",          " (c) Vendalor",
};
inline constexpr int AboutVersionLine = 3;

// The stored controls, in the order of the window's components.
inline constexpr const char* StoredControls[] = {
    "clbFileTypes",    "cbSubdirs",       "cbDir",     "cbMask",        "cbRegExp",
    "cbCaseSensitive", "cbSearch",        "cbReplace", "cbRPOverwrite", "cbShowOutput",
    "cbMultiThreaded", "cbRunWith",       "cbParams",  "cbUnit",        "cbAUOverwrite",
    "clbDelphiChecks", "clbOracleChecks", "cbTrace",   "cbRPPreview",   "cbAUPreview",
    "cbEditor"};

namespace Msg {
inline constexpr const char* AlreadyRunning =
    "Ferrolin is already running and will not start up. If this message seems erroneous try "
    "rebooting.";
inline constexpr const char* ClearHistoryQuestion =
    "This will erase all settings and exit ferrolin. Restart Ferrolin and all settings will be the "
    "default again. Continue?";
inline constexpr const char* SaveListTitle = "Save List of Selected Files";
inline constexpr const char* LoadListTitle = "Load Filelist from File";
inline constexpr const char* ListExtension = "FLL";
inline constexpr const char* SearchFileTitle = "Textfile with SearchData";
inline constexpr const char* ReplaceFileTitle = "Textfile with ReplaceData";
inline constexpr const char* RunWithTitle = "Run files with";
inline constexpr const char* SaveFilenamesOnly = "Save Filenames only?";
inline constexpr const char* SaveResultsTitle = "Save Results to File";
inline constexpr const char* ResultsExtension = "TXT";
inline constexpr const char* ResultsTypeText = "Text file (*.txt)";
inline constexpr const char* ResultsTypeSarif = "SARIF log (*.sarif)";
inline constexpr const char* ExpandAll = "Expand All";
inline constexpr const char* CollapseAll = "Collapse All";
inline constexpr const char* StopCaption = "Stop";
inline constexpr const char* ApplicationTitle = "Ferrolin";
inline constexpr const char* NothingToUndo = "No replace to undo";
}  // namespace Msg

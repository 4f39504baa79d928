// One file of an action between the worker that prepares it and the driver that takes it over.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "files/uFL_BaseFile.h"
#include "files/uFL_FileExecute.h"
#include "files/uFL_Types.h"
#include "shell/uFL_TraceBuffer.h"
#include "support/uFL_ResultTree.h"

struct TActionParams;

// What the file operations of one file report before the file is saved. The driver counts it
// and saves in list order; a worker never touches the driver's counters, tree or trace.
struct TPreparedFile {
  // Set up on the driver's thread.
  std::string FileName;
  TSearchRec FileRec;
  std::unique_ptr<TBaseFile> File;
  bool ResetFirst = false;  // a kept object: Reset before it takes the file
  bool Buffered = false;    // prepared on a worker: trace and results go into the buffers below
  IProcessRunner* Runner = nullptr;  // what starts the program of the run action

  // Filled by PrepareFile.
  TTraceBuffer Trace;   // the trace calls of the file's operations, when Buffered
  TResultTree Results;  // the file's nodes, when written ahead (Buffered, nothing to save)
  bool ResultsWritten = false;
  bool HasResults = false;  // what WriteResults returned, when written ahead
  bool NotLoaded = false;   // Load returned False: binary or unreadable
  bool NonZeroExit = false;
  bool Ran = false;
  std::vector<int64_t> Counts;  // occurrences per term, as far as the terms got
  // An error of a file operation: the driver throws it when it takes the file, after counting
  // what the operations before it reported, as if the file had been worked on right there.
  std::exception_ptr Error;
};

// The file operations of the action up to the save: Load and Search, Replace, Analyse, AddUnit
// or RunWith. Writes the results ahead when the file was prepared on a worker and has nothing to
// save (saving is what can still add an error); otherwise the driver writes them after saving.
void PrepareFileOperations(const TActionParams& Params, TPreparedFile& F);

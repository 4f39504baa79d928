// What a long operation asks of its host (the window, the CLI, a test double).
#pragma once

enum TBusyMode : int { bmIdle = 0, bmFileList = 1, bmAction = 2 };

class IBusyHost {
 public:
  virtual ~IBusyHost() = default;
  // Clears the stop flag, shows Stop when ShowStop, disables the pages that start operations and
  // re-initialises the trace.
  virtual void EnterBusyState(bool ShowStop, TBusyMode Mode) = 0;
  virtual void LeaveBusyState() = 0;
  // Refreshes the status line; the window processes pending input here and nowhere else.
  virtual void UpdateStatusLine(bool RecountReadOnly) = 0;
  virtual bool StopRequested() const = 0;
  virtual TBusyMode BusyMode() const = 0;
  // The pause before the file list is re-read after an action.
  virtual void Pause(int Milliseconds) = 0;
};

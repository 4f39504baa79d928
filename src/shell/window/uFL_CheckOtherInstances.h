// The single-instance guard: one running copy per user, held by a lock file.
#pragma once

#include <QString>

#include <memory>

class IDialogs;
class QLockFile;

// Holds the lock for as long as it lives; the system frees it when the process ends, however.
class TInstanceGuard {
 public:
  explicit TInstanceGuard(const QString& LockDir);
  ~TInstanceGuard();
  TInstanceGuard(const TInstanceGuard&) = delete;
  TInstanceGuard& operator=(const TInstanceGuard&) = delete;

  // False when another copy holds the lock. A lock that cannot be made at all lets the program
  // run, as it cannot tell anything about other copies.
  bool FirstInstance() const { return FFirst; }

 private:
  std::unique_ptr<QLockFile> FLock;
  bool FFirst = true;
};

// The user's runtime directory, or the temporary directory when there is none.
QString DefaultLockDir();

// Takes the lock in LockDir; when another copy holds it, shows "Ferrolin is already running ..."
// and returns null: the caller ends without serving the user.
std::unique_ptr<TInstanceGuard> CheckOtherInstances(const QString& LockDir, IDialogs& Dialogs);

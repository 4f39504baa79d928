// The single-instance guard over QLockFile.
#include "uFL_CheckOtherInstances.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include "uFL_Dialogs.h"
#include "uFL_MainTexts.h"

TInstanceGuard::TInstanceGuard(const QString& LockDir)
    : FLock(std::make_unique<QLockFile>(QDir(LockDir).filePath(QStringLiteral("Ferrolin.lock")))) {
  // No age limit: a running copy's lock never goes stale by time, only when its process is gone
  // (QLockFile then takes it over).
  FLock->setStaleLockTime(0);
  if (FLock->tryLock(0)) return;
  FFirst = FLock->error() != QLockFile::LockFailedError;
}

TInstanceGuard::~TInstanceGuard() = default;

QString DefaultLockDir() {
  const QString Runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!Runtime.isEmpty() && QFileInfo(Runtime).isDir()) return Runtime;
  return QDir::tempPath();
}

std::unique_ptr<TInstanceGuard> CheckOtherInstances(const QString& LockDir, IDialogs& Dialogs) {
  auto Guard = std::make_unique<TInstanceGuard>(LockDir);
  if (Guard->FirstInstance()) return Guard;
  Dialogs.Information(QString::fromUtf8(Msg::AlreadyRunning));
  return nullptr;
}

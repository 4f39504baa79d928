// The store under the settings rules: named values kept somewhere (QSettings in the program).
#pragma once

#include <QVariant>

#include <memory>
#include <string>

class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;
  // Empty while the store is sound; otherwise the reason, naming where the store is kept.
  virtual std::string Problem() const = 0;
  // An invalid QVariant when Name holds nothing.
  virtual QVariant Value(const std::string& Name) const = 0;
  virtual void SetValue(const std::string& Name, const QVariant& Value) = 0;
  virtual void Clear() = 0;
  // Writes what was changed; Problem() tells whether that worked.
  virtual void Sync() = 0;
  // Removes what kept the store (its file), so that nothing of it stays behind; the reason when
  // that fails, else empty.
  virtual std::string Remove() = 0;
};

// The program's store: QSettings("Vendalor", "Ferrolin").
std::unique_ptr<ISettingsStore> OpenQSettingsStore();

// The settings store over QSettings.
#include "support/uFL_SettingsStore.h"

#include <QFile>
#include <QSettings>

#include "support/uFL_QtText.h"

namespace {

class TQSettingsStore : public ISettingsStore {
 public:
  std::string Problem() const override {
    switch (FSettings.status()) {
      case QSettings::AccessError:
        return "Access denied (" + S(FSettings.fileName()) + ")";
      case QSettings::FormatError:
        return "Invalid settings file (" + S(FSettings.fileName()) + ")";
      default:
        return {};
    }
  }
  QVariant Value(const std::string& Name) const override { return FSettings.value(Q(Name)); }
  void SetValue(const std::string& Name, const QVariant& Value) override {
    FSettings.setValue(Q(Name), Value);
  }
  void Clear() override { FSettings.clear(); }
  void Sync() override { FSettings.sync(); }
  std::string Remove() override {
    const QString File = FSettings.fileName();
    if (QFile::exists(File) && !QFile::remove(File)) return "Access denied (" + S(File) + ")";
    return {};
  }

 private:
  QSettings FSettings{QStringLiteral("Vendalor"), QStringLiteral("Ferrolin")};
};

}  // namespace

std::unique_ptr<ISettingsStore> OpenQSettingsStore() {
  return std::make_unique<TQSettingsStore>();
}

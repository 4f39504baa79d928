// Every modal box and file dialog of the window goes through one seam, so tests can answer them.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // Information box with an OK button.
  virtual void Information(const QString& Text) = 0;
  // Warning box with Yes and No; true for Yes. Closing the box counts as No.
  virtual bool Warning(const QString& Text) = 0;
  // Confirmation box with Yes and No; true for Yes.
  virtual bool Confirm(const QString& Text) = 0;
  // The box of an error that escaped a handler: its message, OK.
  virtual void Error(const QString& Text) = 0;
  // File dialogs; nothing when the user cancels.
  virtual std::optional<QString> OpenFile(const QString& Title, const QString& DefaultSuffix) = 0;
  virtual std::optional<QString> SaveFile(const QString& Title, const QString& DefaultSuffix) = 0;
  // A save dialog with a list of file types ("SARIF log (*.sarif)"); Type is set to the index of
  // the chosen one. A dialog without the list picks the first type.
  virtual std::optional<QString> SaveFileOfType(const QString& Title, const QString& DefaultSuffix,
                                                const QStringList& Types, int& Type) {
    (void)Types;
    Type = 0;
    return SaveFile(Title, DefaultSuffix);
  }
  virtual std::optional<QString> SelectDirectory(const QString& Start) = 0;
};

// The real boxes: QMessageBox with exactly the described buttons, QFileDialog.
class TQtDialogs : public IDialogs {
 public:
  void SetParent(QWidget* Parent) { FParent = Parent; }

  void Information(const QString& Text) override;
  bool Warning(const QString& Text) override;
  bool Confirm(const QString& Text) override;
  void Error(const QString& Text) override;
  std::optional<QString> OpenFile(const QString& Title, const QString& DefaultSuffix) override;
  std::optional<QString> SaveFile(const QString& Title, const QString& DefaultSuffix) override;
  std::optional<QString> SaveFileOfType(const QString& Title, const QString& DefaultSuffix,
                                        const QStringList& Types, int& Type) override;
  std::optional<QString> SelectDirectory(const QString& Start) override;

 private:
  QWidget* FParent = nullptr;
  QString FLastDir;  // the open and save dialogs are shared, so they start where the last ended
};

// The real modal boxes and file dialogs.
#include "uFL_Dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "uFL_MainTexts.h"

void TQtDialogs::Information(const QString& Text) {
  QMessageBox::information(FParent, Msg::ApplicationTitle, Text, QMessageBox::Ok);
}

bool TQtDialogs::Warning(const QString& Text) {
  return QMessageBox::warning(FParent, QStringLiteral("Warning"), Text,
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) == QMessageBox::Yes;
}

bool TQtDialogs::Confirm(const QString& Text) {
  return QMessageBox::question(FParent, QStringLiteral("Confirm"), Text,
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TQtDialogs::Error(const QString& Text) {
  QMessageBox::critical(FParent, QStringLiteral("Error"), Text, QMessageBox::Ok);
}

std::optional<QString> TQtDialogs::OpenFile(const QString& Title, const QString& DefaultSuffix) {
  QFileDialog Dialog(FParent, Title, FLastDir);
  Dialog.setFileMode(QFileDialog::ExistingFile);
  Dialog.setAcceptMode(QFileDialog::AcceptOpen);
  Dialog.setOption(QFileDialog::ReadOnly);
  if (!DefaultSuffix.isEmpty()) Dialog.setDefaultSuffix(DefaultSuffix);
  if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString File = Dialog.selectedFiles().first();
  FLastDir = QFileInfo(File).absolutePath();
  return File;
}

std::optional<QString> TQtDialogs::SaveFile(const QString& Title, const QString& DefaultSuffix) {
  // QFileDialog asks before overwriting unless told otherwise, and offers no read-only option.
  QFileDialog Dialog(FParent, Title, FLastDir);
  Dialog.setFileMode(QFileDialog::AnyFile);
  Dialog.setAcceptMode(QFileDialog::AcceptSave);
  if (!DefaultSuffix.isEmpty()) Dialog.setDefaultSuffix(DefaultSuffix);
  if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString File = Dialog.selectedFiles().first();
  FLastDir = QFileInfo(File).absolutePath();
  return File;
}

std::optional<QString> TQtDialogs::SaveFileOfType(const QString& Title,
                                                  const QString& DefaultSuffix,
                                                  const QStringList& Types, int& Type) {
  QFileDialog Dialog(FParent, Title, FLastDir);
  Dialog.setFileMode(QFileDialog::AnyFile);
  Dialog.setAcceptMode(QFileDialog::AcceptSave);
  Dialog.setNameFilters(Types);
  if (!DefaultSuffix.isEmpty()) Dialog.setDefaultSuffix(DefaultSuffix);
  // The suffix follows the chosen type: "*.sarif" gives "sarif".
  QObject::connect(&Dialog, &QFileDialog::filterSelected, &Dialog,
                   [&Dialog](const QString& Filter) {
                     const int Star = Filter.lastIndexOf(QStringLiteral("*."));
                     if (Star >= 0) Dialog.setDefaultSuffix(Filter.mid(Star + 2).chopped(1));
                   });
  if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) return std::nullopt;
  Type = int(Types.indexOf(Dialog.selectedNameFilter()));
  if (Type < 0) Type = 0;
  const QString File = Dialog.selectedFiles().first();
  FLastDir = QFileInfo(File).absolutePath();
  return File;
}

std::optional<QString> TQtDialogs::SelectDirectory(const QString& Start) {
  // The dialog lets the user make a new folder, which stands in for typing a missing one.
  const QString Dir = QFileDialog::getExistingDirectory(FParent, QString(), Start);
  if (Dir.isEmpty()) return std::nullopt;
  return Dir;
}

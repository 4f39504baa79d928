// The dialog seam for window tests: records every box and answers from queues.
#pragma once

#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "uFL_Dialogs.h"

class TFakeDialogs : public IDialogs {
 public:
  struct TBox {
    QString Kind;  // Information, Warning, Confirm, Error, OpenFile, SaveFile, SelectDirectory
    QString Text;  // the message, or the file dialog's title
    QString Suffix;
  };
  std::vector<TBox> Shown;
  // Answers of the Yes/No boxes in order; when none is left, DefaultAnswer.
  std::deque<bool> Answers;
  bool DefaultAnswer = true;
  // Answers of the file dialogs in order; when none is left, the dialog is cancelled.
  std::deque<std::optional<QString>> Files;
  // Runs when a box is shown, before it is answered (a box stands for a moment of user input).
  std::function<void(const TBox&)> OnShow;

  void Information(const QString& Text) override { Show({"Information", Text, {}}); }
  bool Warning(const QString& Text) override { return Ask({"Warning", Text, {}}); }
  bool Confirm(const QString& Text) override { return Ask({"Confirm", Text, {}}); }
  void Error(const QString& Text) override { Show({"Error", Text, {}}); }
  std::optional<QString> OpenFile(const QString& Title, const QString& Suffix) override {
    return Pick({"OpenFile", Title, Suffix});
  }
  std::optional<QString> SaveFile(const QString& Title, const QString& Suffix) override {
    return Pick({"SaveFile", Title, Suffix});
  }
  std::optional<QString> SelectDirectory(const QString& Start) override {
    return Pick({"SelectDirectory", Start, {}});
  }

  // The texts of the boxes of one kind, in order.
  std::vector<QString> Texts(const QString& Kind) const {
    std::vector<QString> T;
    for (const TBox& B : Shown)
      if (B.Kind == Kind) T.push_back(B.Text);
    return T;
  }
  std::vector<QString> Errors() const { return Texts("Error"); }
  std::vector<QString> Informations() const { return Texts("Information"); }

 private:
  void Show(const TBox& Box) {
    Shown.push_back(Box);
    if (OnShow) OnShow(Box);
  }
  bool Ask(const TBox& Box) {
    Show(Box);
    if (Answers.empty()) return DefaultAnswer;
    const bool A = Answers.front();
    Answers.pop_front();
    return A;
  }
  std::optional<QString> Pick(const TBox& Box) {
    Show(Box);
    if (Files.empty()) return std::nullopt;
    auto F = Files.front();
    Files.pop_front();
    return F;
  }
};

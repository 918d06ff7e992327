#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <string>

namespace quillmar {
class TCalderwickData;
}  // namespace quillmar

namespace quillmar::gui {

// The query line as the search form hands it to the word list browser and reads it back.
struct QueryLine {
  QString text;
  int cursor = 0;           // caret position
  int selectionStart = -1;  // -1: nothing selected
  int selectionLength = 0;
};

// The word list of one collection as a custom-painted list of 20 rows. Opened on the word under
// the query line's caret; the user selects words and confirms, and the selection replaces that
// word in the query line (several words as "(w1 OR w2 ...)").
class TWortForm : public QDialog {
  Q_OBJECT

 public:
  TWortForm(TCalderwickData& catalog, const std::string& cdid, QWidget* parent = nullptr);
  ~TWortForm() override;

  // False when the word list cannot be read; exec() then returns Rejected at once.
  bool Verfuegbar() const;
  // Takes the query line and moves to the word under its caret.
  void Positionieren(const QueryLine& line);
  // 101: take the selection over; 102: leave the query line as it was.
  int Ergebnis() const;
  // The query line after closing (unchanged unless Ergebnis() is 101).
  QueryLine Line() const;

 private:
  struct Impl;

  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // The window's close button and every other way out that bypasses the keys: leave unchanged.
  void reject() override;

  std::unique_ptr<Impl> d_;
};

}  // namespace quillmar::gui

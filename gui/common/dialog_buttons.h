#pragma once

// Building the push buttons of the dialogs: each has a translated caption and the object name
// by which tests and style sheets find it, and the buttons at a dialog's foot sit right-aligned.

#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <initializer_list>

#include "base/language.h"
#include "gui/common/gui_strings.h"

namespace quillmar::gui {

inline QPushButton* MakeButton(const LangText& caption, const char* objectName, QWidget* parent) {
  auto* button = new QPushButton(Text(caption), parent);
  button->setObjectName(objectName);
  return button;
}

// A row that pushes `buttons` to the right, in the order given.
inline QHBoxLayout* RightAlignedRow(std::initializer_list<QPushButton*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (QPushButton* button : buttons) row->addWidget(button);
  return row;
}

// F1 anywhere in the dialog does what its help button does.
inline void HelpOnF1(QWidget* dialog, QPushButton* help) {
  auto* f1 = new QShortcut(QKeySequence(QKeySequence::HelpContents), dialog);
  f1->setContext(Qt::WindowShortcut);
  QObject::connect(f1, &QShortcut::activated, help, &QPushButton::click);
}

}  // namespace quillmar::gui

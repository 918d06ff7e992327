#include "gui/plugins/pim_form.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "base/language.h"
#include "gui/common/captions.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/gui_strings.h"

namespace quillmar::gui {
namespace {

constexpr char kCaption[] = "Quillmar reader";
constexpr char kHeader[] = " reader modul manager   ";
constexpr LangText kError{"Fehler", "Error"};
constexpr LangText kErrorIntro{"Fehler beim Laden/Installieren eines Moduls.",
                               "Error on loading/installing a modul."};

TPIMForm::ShowFunction& ShowHook() {
  static TPIMForm::ShowFunction show;
  return show;
}

// The manager's messages break lines with "\r" (and "\r\n"); a label breaks at "\n" only.
QString LineBreaks(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

QLabel* WhiteLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(palette);
  return label;
}

// Runs the form with the override cursor lifted, so that a report raised while the hourglass
// shows (the module list fills under it) is not covered by it.
int Show(TPIMForm& form) {
  if (const auto& hook = ShowHook()) return hook(form);
  int restored = 0;
  while (QGuiApplication::overrideCursor()) {
    QGuiApplication::restoreOverrideCursor();
    ++restored;
  }
  if (!form.parentWidget())
    if (QScreen* screen = QGuiApplication::primaryScreen())
      form.move(screen->availableGeometry().center() - form.rect().center());
  const int result = form.exec();
  for (int i = 0; i < restored; ++i) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  return result;
}

}  // namespace

TPIMForm::TPIMForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromLatin1(kCaption));
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor(0, 0, 128));
  setPalette(palette);

  auto* header = new QLabel(QString::fromLatin1(kHeader), this);
  header->setObjectName("HeaderLabel");
  QFont headerFont(QStringLiteral("Arial Black"), 18);
  headerFont.setItalic(true);
  headerFont.setUnderline(true);
  header->setFont(headerFont);
  QPalette silver = header->palette();
  silver.setColor(QPalette::WindowText, QColor(192, 192, 192));
  header->setPalette(silver);

  errorLabel_ = WhiteLabel("ErrorLabel", this);
  errorLabel_->setText(Text(kError));
  errorLabel_->setFont(QFont(QStringLiteral("Arial Black"), 10));
  infoLabel_ = WhiteLabel("InfoLabel", this);
  infoLabel_->setWordWrap(true);
  infoLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  infoLabel_->setTextFormat(Qt::PlainText);

  okButton_ = MakeButton(captions::kOK, "OKButton", this);
  okButton_->setDefault(true);
  cancelButton_ = MakeButton(captions::kCancel, "CancelButton", this);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(header);
  layout->addWidget(errorLabel_);
  layout->addWidget(infoLabel_, 1);
  layout->addLayout(RightAlignedRow({okButton_, cancelButton_}));
  setFixedWidth(kWidth);
  setMinimumHeight(kHeight);
  resize(kWidth, kHeight);
}

void TPIMForm::SetQuestion(const QString& text) {
  errorLabel_->hide();
  cancelButton_->setEnabled(true);
  SetInfo(text);
}

void TPIMForm::SetErrorReport(const QString& message) {
  errorLabel_->show();
  cancelButton_->setEnabled(false);
  SetInfo(Text(kErrorIntro) + QStringLiteral("\r\r") + message);
}

// The box keeps its width and grows in height when a long message would not fit: a report must
// never lose its end.
void TPIMForm::SetInfo(const QString& text) {
  infoLabel_->setText(LineBreaks(text));
  layout()->activate();
  const int needed = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(kWidth) : 0;
  resize(kWidth, std::max(kHeight, needed));
}

bool TPIMForm::Ask(const QString& text) {
  TPIMForm form(QApplication::activeWindow());
  form.SetQuestion(text);
  return Show(form) == QDialog::Accepted;
}

void TPIMForm::Report(const QString& message) {
  QApplication::beep();
  TPIMForm form(QApplication::activeWindow());
  form.SetErrorReport(message);
  Show(form);
}

void TPIMForm::SetShowFunction(ShowFunction show) { ShowHook() = std::move(show); }

}  // namespace quillmar::gui

#include "gui/options/uc_install_form.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/language.h"
#include "gui/common/captions.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/gui_strings.h"
#include "gui/common/window_services.h"

namespace quillmar::gui {
namespace {

constexpr LangText kCaption{"&Unicode einrichten", "&Unicode setup"};
constexpr LangText kInfo{"Liste der verfügbaren Unicode-Schriftarten",
                         "List of available unicode fonts"};
constexpr char kHelpTopic[] = "IDH_07100";

}  // namespace

TUCInstallForm::TUCInstallForm(const QStringList& fonts, WindowServices& services, QWidget* parent)
    : QDialog(parent),
      infoLabel_(new QLabel(Text(kInfo), this)),
      fontBox_(new QComboBox(this)),
      ok_(MakeButton(captions::kOK, "OKButton", this)) {
  setObjectName("UCInstallForm");
  setWindowTitle(Text(kCaption).remove('&'));
  infoLabel_->setObjectName("InfoLabel");
  fontBox_->setObjectName("FontComboBox");
  fontBox_->addItems(fonts);
  const bool any = !fonts.isEmpty();
  fontBox_->setEnabled(any);
  ok_->setEnabled(any);
  if (any) fontBox_->setCurrentIndex(0);
  ok_->setDefault(true);
  auto* cancel = MakeButton(captions::kCancel, "CancelButton", this);
  auto* help = MakeButton(captions::kHelp, "HelpButton", this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(infoLabel_);
  layout->addWidget(fontBox_);
  layout->addStretch();
  layout->addLayout(RightAlignedRow({ok_, cancel, help}));
  setMinimumWidth(360);

  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  HelpOnF1(this, help);
  connect(help, &QPushButton::clicked, this,
          [&services] { services.ShowHelp(QString::fromLatin1(kHelpTopic)); });
}

QString TUCInstallForm::Chosen() const { return fontBox_->currentText(); }

}  // namespace quillmar::gui

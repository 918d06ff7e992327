#include "gui/plugins/module_view_form.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <vector>

#include "base/language.h"
#include "gui/common/captions.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/gui_strings.h"
#include "plugins/plugin_manager.h"

namespace quillmar::gui {
namespace {

constexpr LangText kCaption{"Module", "Moduls"};

enum Column { kName, kVersion, kCopyright, kLocation, kID, kColumns };

struct BusyCursor {
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TModulViewForm::TModulViewForm(TPlugInManager& plugins, QWidget* parent) : QDialog(parent) {
  setWindowTitle(Text(kCaption));
  list_ = new QTableWidget(0, kColumns, this);
  list_->setObjectName("ModulListView");
  list_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Version"),
                                    QStringLiteral("Copyright"), QStringLiteral("Location"),
                                    QStringLiteral("ID")});
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
  list_->setShowGrid(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setWordWrap(false);
  list_->setColumnWidth(kName, 100);
  list_->setColumnWidth(kCopyright, 150);
  list_->setColumnWidth(kLocation, 150);
  list_->horizontalHeader()->setStretchLastSection(true);
  okButton_ = MakeButton(captions::kOK, "OKButton", this);
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(RightAlignedRow({okButton_}));
  resize(kWidth, kHeight);

  BusyCursor busy;
  Fill(plugins);
}

void TModulViewForm::Fill(TPlugInManager& plugins) {
  list_->setSortingEnabled(false);
  list_->setRowCount(0);
  const std::vector<ModuleInfo> modules = plugins.ModuleList();
  list_->setRowCount(static_cast<int>(modules.size()));
  for (int row = 0; row < static_cast<int>(modules.size()); ++row) {
    const ModuleInfo& module = modules[static_cast<size_t>(row)];
    const QString cells[kColumns] = {FromCp1252(module.Name), FromCp1252(module.Version),
                                     FromCp1252(module.Copyright), Utf8(module.Location),
                                     FromCp1252(module.ID)};
    for (int column = 0; column < kColumns; ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      item->setToolTip(cells[column]);
      list_->setItem(row, column, item);
    }
  }
  list_->setSortingEnabled(true);
  list_->sortByColumn(kName, Qt::AscendingOrder);
}

}  // namespace quillmar::gui

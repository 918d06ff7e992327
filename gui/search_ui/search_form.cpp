#include "gui/search_ui/search_form.h"

#include <QApplication>
#include <QButtonGroup>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <memory>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/language.h"
#include "collection/calderwick_data.h"
#include "collection/search_history.h"
#include "gui/common/app_context.h"
#include "gui/common/captions.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/gui_strings.h"
#include "gui/common/window_services.h"
#include "gui/search_ui/search_options_form.h"
#include "gui/search_ui/search_progress.h"
#include "gui/search_ui/timer_dialog.h"
#include "gui/search_ui/word_form.h"
#include "retrieval/search_catalog.h"
#include "search_ui/word_browser.h"

namespace quillmar::gui {

namespace {

constexpr LangText kCaption{"Suchen", "Find"};
constexpr LangText kQueryLabel{"Geben Sie die zu suchenden Wörter ein:",
                               "Enter the words You want to search for:"};
constexpr LangText kQueryHint{"Bsp.: karl* und gro*", "eg: karl* and gro*"};
constexpr LangText kWordList{"&Wortliste...", "&Word list..."};
constexpr LangText kWordListHint{"Zeigt Wortliste an für:", "Show word list for:"};
constexpr LangText kExact{"Suchbegriffe genau suchen.", "Search words exactly."};
constexpr LangText kFuzzy{"Unscharfe Suche verwenden (Stufe %s).", "Use fuzzy search (level %s)."};
constexpr LangText kCDLabel{"Wählen Sie die zu durchsuchenden &CDs:",
                            "Select the &CDs You want to search:"};
constexpr LangText kTextsLabel{"Wählen Sie die zu durchsuchenden &Texte:",
                               "Select the &texts You want to search:"};
constexpr LangText kOptions{"Weitere &Einstellungen", "&Further options"};
constexpr LangText kChange{"&Ändern...", "C&hange..."};
constexpr LangText kStartSearch{"&Suche starten", "Start &search"};
constexpr LangText kAll{"alle", "all"};

constexpr LangText kNoSearchWord{"Sie müssen einen Suchbegriff eingeben.",
                                 "You have to input a word you want to search."};
constexpr LangText kNoCDAvailable{"Es es keine CD verfügbar, die durchsucht werden kann.",
                                  "There is no CD available for search."};
constexpr LangText kNoCDChosen{"Sie müssen mindestens eine CD auswählen.",
                               "You have to select at least one CD."};

constexpr char kHelpTopic[] = "IDH_11000";
constexpr int kLevels = 5;  // exact search and fuzzy levels 1 ... 4
constexpr int kNoticeSeconds = 8;
constexpr size_t kNameLength = 128;  // longest title kept in a selection
constexpr int kWidth = 520;
constexpr int kHeight = 600;

void Fuellen(QListWidget* list, const std::vector<std::pair<QString, bool>>& items) {
  list->clear();
  for (const auto& [title, checked] : items) {
    auto* item = new QListWidgetItem(title, list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  }
  if (list->count() > 0) list->setCurrentRow(0);
}

}  // namespace

TSuchFormular::TSuchFormular(AppContext& context, WindowServices& services,
                             std::vector<OpenTextEntry> openTexts, QWidget* parent)
    : QDialog(parent),
      context_(context),
      services_(services),
      openTexts_(std::move(openTexts)),
      anfrage_(new QLineEdit(this)),
      wordList_(new QPushButton(Text(kWordList), this)),
      up_(new QToolButton(this)),
      down_(new QToolButton(this)),
      levels_(new QButtonGroup(this)),
      cdListe_(new QListWidget(this)),
      textListe_(new QListWidget(this)),
      options_(new QGroupBox(Text(kOptions), this)),
      textKindLabel_(new QLabel(options_)),
      languageLabel_(new QLabel(options_)),
      dateLabel_(new QLabel(options_)),
      undLabel_(new QLabel(options_)),
      change_(new QPushButton(Text(kChange), options_)) {
  setObjectName("SuchFormular");
  setWindowTitle(Text(kCaption));
  Starter = [this](const search_ui::SearchSettings& e) { StandardStarter(e); };
  Notice = [](const QString& text) {
    TTimerDialogForm::Zeigen(text, Text(captions::kOK), kNoticeSeconds);
  };

  auto* anfrageLabel = new QLabel(Text(kQueryLabel), this);
  anfrageLabel->setObjectName("AnfrageLabel");
  anfrageLabel->setToolTip(Text(kQueryHint));
  anfrageLabel->setBuddy(anfrage_);
  anfrage_->setObjectName("AnfrageEdit");
  anfrage_->setToolTip(Text(kQueryHint));
  anfrage_->installEventFilter(this);
  wordList_->setObjectName("OpenWordListButton");
  wordList_->setAutoDefault(false);
  up_->setObjectName("UpButton");
  down_->setObjectName("DownButton");
  static_cast<QToolButton*>(up_)->setArrowType(Qt::UpArrow);
  static_cast<QToolButton*>(down_)->setArrowType(Qt::DownArrow);

  auto* anfrageZeile = new QHBoxLayout;
  anfrageZeile->addWidget(anfrage_, 1);
  anfrageZeile->addWidget(up_);
  anfrageZeile->addWidget(down_);

  auto* stufenZeile = new QHBoxLayout;
  stufenZeile->addWidget(wordList_);
  stufenZeile->addStretch();
  levels_->setExclusive(true);
  for (int level = 0; level < kLevels; ++level) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString("FS%1Button").arg(level));
    button->setText(QString::number(level));
    button->setCheckable(true);
    button->setToolTip(level == 0 ? Text(kExact)
                                  : Utf8(Format(Tr(kFuzzy), {std::to_string(level)})));
    levels_->addButton(button, level);
    stufenZeile->addWidget(button);
  }

  auto* cdLabel = new QLabel(Text(kCDLabel), this);
  cdLabel->setObjectName("CDLabel");
  cdLabel->setBuddy(cdListe_);
  cdListe_->setObjectName("CDCheckListBox");
  auto* textsLabel = new QLabel(Text(kTextsLabel), this);
  textsLabel->setObjectName("OpenTextsLabel");
  textsLabel->setBuddy(textListe_);
  textListe_->setObjectName("OpenTextsCheckListBox");

  options_->setObjectName("OptionsGroupBox");
  options_->installEventFilter(this);
  textKindLabel_->setObjectName("TextartLabel");
  languageLabel_->setObjectName("SprachLabel");
  dateLabel_->setObjectName("ZeitLabel");
  undLabel_->setObjectName("UndLabel");
  change_->setObjectName("ChangeButton");
  change_->setAutoDefault(false);
  auto* optionenLayout = new QVBoxLayout(options_);
  for (QLabel* label : {textKindLabel_, languageLabel_, dateLabel_, undLabel_}) {
    label->setWordWrap(true);
    label->installEventFilter(this);
    optionenLayout->addWidget(label);
  }
  optionenLayout->addWidget(change_, 0, Qt::AlignRight);

  auto* starten = MakeButton(kStartSearch, "SucheStartenButton", this);
  starten->setDefault(true);
  auto* cancel = MakeButton(captions::kCancel, "CancelButton", this);
  cancel->setAutoDefault(false);
  auto* help = MakeButton(captions::kHelp, "HelpButton", this);
  help->setAutoDefault(false);
  QHBoxLayout* buttons = RightAlignedRow({starten, cancel, help});

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(anfrageLabel);
  layout->addLayout(anfrageZeile);
  layout->addLayout(stufenZeile);
  layout->addWidget(cdLabel);
  layout->addWidget(cdListe_, 1);
  layout->addWidget(textsLabel);
  layout->addWidget(textListe_, 1);
  layout->addWidget(options_);
  layout->addLayout(buttons);
  resize(kWidth, kHeight);

  connect(starten, &QPushButton::clicked, this, &TSuchFormular::SucheStartenButtonClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  HelpOnF1(this, help);
  connect(help, &QPushButton::clicked, this, [this] { services_.ShowHelp(kHelpTopic); });
  connect(wordList_, &QPushButton::clicked, this, &TSuchFormular::OpenWordListButtonClick);
  connect(change_, &QPushButton::clicked, this, &TSuchFormular::ChangeButtonClick);
  connect(up_, &QAbstractButton::clicked, this, &TSuchFormular::UpButtonClick);
  connect(down_, &QAbstractButton::clicked, this, &TSuchFormular::DownButtonClick);
  connect(cdListe_, &QListWidget::itemChanged, this, &TSuchFormular::CDCheckListBoxClick);
  connect(cdListe_, &QListWidget::itemClicked, this, &TSuchFormular::CDCheckListBoxClick);
  connect(cdListe_, &QListWidget::currentRowChanged, this, &TSuchFormular::CDCheckListBoxClick);
  connect(textListe_, &QListWidget::itemChanged, this, &TSuchFormular::OpenTextsCheckListBoxClick);
  connect(textListe_, &QListWidget::itemClicked, this, &TSuchFormular::OpenTextsCheckListBoxClick);
  connect(textListe_, &QListWidget::currentRowChanged, this,
          &TSuchFormular::OpenTextsCheckListBoxClick);

  Laden(-1);
  if (context_.Catalog().Settings().GetSLQ()) DownButtonClick();
}

TSuchFormular::~TSuchFormular() = default;

void TSuchFormular::Laden(int index) {
  search_ui::SearchSettings e;
  if (index > 0) {
    TSearchHistoryRecord record;
    SearchHistory(context_.Catalog()).GetHistoryRecord(index, record);
    e = search_ui::SearchSettings::FromHistory(record);
  } else {
    e = search_ui::SearchSettings::Standard();
    // A damaged collection cannot be searched; the navigation window has reported it.
    for (const TCRrecord& cd : context_.Catalog().CDs())
      if (cd.Damage.empty()) e.CDAuswahl.push_back({cd.CDID, cd.Name.substr(0, kNameLength), true});
    e.TextAuswahl.push_back({"0", 0, Tr(kAll), true});
    for (const OpenTextEntry& text : openTexts_) {
      bool listed = false;
      for (const TTextSelect& t : e.TextAuswahl)
        listed = listed || (t.TextNo == text.textNr && SameCDID(t.CDID, text.cdid));
      if (!listed)
        e.TextAuswahl.push_back(
            {text.cdid, text.textNr, ToCp1252(text.title).substr(0, kNameLength), true});
    }
  }
  e_ = std::move(e);

  ShowLists();
  anfrage_->setText(FromCp1252(e_.Anfrage));
  const int stufe = e_.Stufe >= 0 && e_.Stufe < kLevels ? e_.Stufe : 0;
  levels_->button(stufe)->setChecked(true);
  ShowSummaries();
  UpdateWordListHint();
}

void TSuchFormular::ShowLists() {
  loading_ = true;
  std::vector<std::pair<QString, bool>> cds, texts;
  for (const TCDSelect& cd : e_.CDAuswahl) cds.emplace_back(FromCp1252(cd.Name), cd.Selected);
  for (const TTextSelect& t : e_.TextAuswahl) texts.emplace_back(FromCp1252(t.Name), t.Selected);
  Fuellen(cdListe_, cds);
  Fuellen(textListe_, texts);
  loading_ = false;
}

void TSuchFormular::ReadLists() {
  for (size_t i = 0; i < e_.CDAuswahl.size() && i < static_cast<size_t>(cdListe_->count()); ++i)
    e_.CDAuswahl[i].Selected = cdListe_->item(static_cast<int>(i))->checkState() == Qt::Checked;
  for (size_t i = 0; i < e_.TextAuswahl.size() && i < static_cast<size_t>(textListe_->count()); ++i)
    e_.TextAuswahl[i].Selected = textListe_->item(static_cast<int>(i))->checkState() == Qt::Checked;
}

void TSuchFormular::ShowSummaries() {
  textKindLabel_->setText(Utf8(search_ui::TextKindSummary(e_.Textarten)));
  languageLabel_->setText(Utf8(search_ui::LanguageSummary(e_.Sprachen)));
  dateLabel_->setText(
      QString::fromStdString(search_ui::DateSummary(e_.DatumVon, e_.DatumBis, e_.DatumGenau)));
  undLabel_->setText(Utf8(search_ui::AndSummary(e_.UndModus, e_.Wortabstand)));
}

void TSuchFormular::UpdateWordListHint() {
  QString hint = Text(kWordListHint);
  const int row = cdListe_->currentRow();
  if (row >= 0 && row < static_cast<int>(e_.CDAuswahl.size()))
    hint += " " + FromCp1252(e_.CDAuswahl[static_cast<size_t>(row)].Name);
  wordList_->setToolTip(hint);
}

void TSuchFormular::Notify(const char* text, bool beep) {
  if (beep) QApplication::beep();
  context_.Prompts().ShowError(text);
}

void TSuchFormular::SucheStartenButtonClick() {
  if (anfrage_->text().trimmed().isEmpty()) {
    Notify(Tr(kNoSearchWord), false);
    return;
  }
  if (!SucheStarten()) return;
  // The search runs already; a settings store that cannot be written loses only the history.
  try {
    SearchHistory(context_.Catalog()).AddHistoryRecord(e_.ToHistory());
    context_.Catalog().Settings().SetSLQ(showLastQuery_);
  } catch (const std::exception& error) {
    context_.Prompts().ShowError(error.what());
  }
  accept();
}

bool TSuchFormular::SucheStarten() {
  ReadLists();
  if (e_.CDAuswahl.empty()) {
    Notify(Tr(kNoCDAvailable), true);
    return false;
  }
  if (std::none_of(e_.CDAuswahl.begin(), e_.CDAuswahl.end(),
                   [](const TCDSelect& cd) { return cd.Selected; })) {
    Notify(Tr(kNoCDChosen), true);
    return false;
  }
  e_.Stufe = std::max(0, levels_->checkedId());
  e_.Anfrage = search_ui::QueryLine(anfrage_->text().toStdString(), e_.Stufe);
  try {
    Starter(e_);
  } catch (const std::exception& error) {
    context_.Prompts().ShowError(error.what());
    return false;
  }
  return true;
}

void TSuchFormular::StandardStarter(const search_ui::SearchSettings& e) {
  TCalderwickData& catalog = context_.Catalog();
  auto katalog = std::make_shared<const retrieval::SearchCatalog>(
      retrieval::SearchCatalog::FromCatalog(catalog, search_ui::CollectionsToSearch(e)));
  auto progress = std::make_unique<TSucheLauftForm>(context_, services_, katalog, parentWidget());
  const std::vector<std::string> ohneFS =
      search_ui::SetUpSearch(e, progress->Thread(), *katalog,
                             [&catalog](const std::string& id) { return catalog.HasFS(id); });
  if (e.Stufe >= 1 && !ohneFS.empty()) Notice(Utf8(search_ui::FuzzyNotice(ohneFS)));
  progress->SetQueryText(anfrage_->text());
  // From here on the dialog deletes itself (or passes itself to the result list).
  progress.release()->Start();
}

void TSuchFormular::OpenWordListButtonClick() {
  const int row = cdListe_->currentRow();
  if (row < 0 || row >= static_cast<int>(e_.CDAuswahl.size())) return;
  const std::string cdid = e_.CDAuswahl[static_cast<size_t>(row)].CDID;
  try {
    if (!context_.Catalog().CDAvailable(cdid, true)) return;
    TWortForm form(context_.Catalog(), cdid, this);
    form.move(wordList_->mapToGlobal(QPoint(0, wordList_->height())));
    QueryLine line;
    line.text = anfrage_->text();
    line.cursor = anfrage_->cursorPosition();
    line.selectionStart = anfrage_->selectionStart();
    line.selectionLength = anfrage_->selectionLength();
    form.Positionieren(line);
    form.exec();
    if (form.Ergebnis() != search_ui::WordBrowser::kAccept) return;
    line = form.Line();
    anfrage_->setText(line.text);
    if (line.selectionStart >= 0 && line.selectionLength > 0)
      anfrage_->setSelection(line.selectionStart, line.selectionLength);
    else
      anfrage_->setCursorPosition(line.cursor);
    anfrage_->setFocus();
  } catch (const std::exception& error) {
    context_.Prompts().ShowError(error.what());
  }
}

void TSuchFormular::CDCheckListBoxClick() {
  if (loading_) return;
  showLastQuery_ = false;
  UpdateWordListHint();
}

void TSuchFormular::OpenTextsCheckListBoxClick() {
  if (!loading_) showLastQuery_ = false;
}

void TSuchFormular::ChangeButtonClick() {
  showLastQuery_ = false;
  TSearchOptionsForm form(context_.Prompts(), services_, this);
  form.SetzeSprachen(e_.Sprachen);
  form.Fuellen(e_);
  if (form.exec() != QDialog::Accepted) return;
  form.Zuruecklesen(e_);
  ShowSummaries();
}

bool TSuchFormular::SwitchTo(int index) {
  try {
    Laden(index);
  } catch (const std::exception& error) {
    context_.Prompts().ShowError(error.what());
    return false;
  }
  historyIndex_ = index;
  return true;
}

void TSuchFormular::UpButtonClick() {
  if (historyIndex_ > 1) {
    SearchHistory history(context_.Catalog());
    if (history.HistoryEntryExists(historyIndex_ - 1)) SwitchTo(historyIndex_ - 1);
  } else if (historyIndex_ == 1) {
    SwitchTo(0);
    showLastQuery_ = false;
  }
}

void TSuchFormular::DownButtonClick() {
  if (historyIndex_ < SearchHistory::kSlots) {
    SearchHistory history(context_.Catalog());
    if (history.HistoryEntryExists(historyIndex_ + 1)) SwitchTo(historyIndex_ + 1);
  }
  showLastQuery_ = true;
}

bool TSuchFormular::eventFilter(QObject* watched, QEvent* event) {
  if (watched == anfrage_ && event->type() == QEvent::KeyPress) {
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Down:
        OpenWordListButtonClick();
        return true;
      case Qt::Key_PageUp:
        UpButtonClick();
        return true;
      case Qt::Key_PageDown:
        DownButtonClick();
        return true;
      default:
        break;
    }
  }
  if (event->type() == QEvent::MouseButtonPress &&
      (watched == options_ || watched == textKindLabel_ || watched == languageLabel_ ||
       watched == dateLabel_ || watched == undLabel_)) {
    ChangeButtonClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace quillmar::gui

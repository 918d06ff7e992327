#include "gui/options/options_form.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

#include "base/language.h"
#include "collection/calderwick_data.h"
#include "collection/settings_store.h"
#include "gui/common/app_context.h"
#include "gui/common/captions.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/gui_strings.h"
#include "gui/common/window_services.h"
#include "gui/options/uc_install_form.h"
#include "platform/gui/qt_canvas.h"
#include "system/user_prompts.h"
#include "text/font_table.h"

namespace quillmar::gui {
namespace {

constexpr LangText kGeneralPage{"&Allgemein", "&General"};
constexpr LangText kFontPage{"&Schriftart", "&Font"};
constexpr LangText kConnectionPage{"&Verbindung", "&Connection"};
constexpr LangText kSpacingGroup{"&Zeilenabstand", "&line spacing"};
constexpr LangText kHalfLine{"halbe Zeile", "half line"};
constexpr LangText kOneLine{"eine Zeile", "one line"};
constexpr LangText kOneAndHalf{"1,5 Zeilen", "1.5 lines"};
constexpr LangText kOwnChoice{"selbst gewählt", "own choice"};
constexpr LangText kOtherGroup{"&Sonstiges", "&Other"};
constexpr LangText kJustify{"Blocksatz verwenden", "use margin justification"};
constexpr LangText kCrossReferences{"Querverweise anzeigen", "Show cross-reference links"};
constexpr LangText kMargin{"Randbreite (in Pixel)", "Margin width (in pixel)"};
constexpr LangText kIndent{"Absatzeinzug (in Leerzeichen)",
                           "Paragraph identation (in blank spaces)"};
constexpr LangText kLanguageGroup{"S&prache der Anwendung", "&language of application"};
constexpr LangText kDriveGroup{"CD-ROM-Laufwerk", "CD-ROM drive"};
constexpr LangText kFont{"&Schriftart", "&Font"};
constexpr LangText kSize{"Schrift&grad", "Font &size"};
constexpr LangText kPreview{"Vorschau", "preview"};
constexpr LangText kHeading{"Überschrift", "heading"};
constexpr LangText kSubtitle{"Untertitel", "subtitle"};
constexpr LangText kText{"Text", "text"};
constexpr LangText kSmallText{"Text(klein)", "text(small)"};
constexpr LangText kRemark{"Randbemerkung", "margin remark"};
constexpr LangText kFootnote{"Fußnote", "footnote"};
constexpr LangText kHint{
    "Zum Verkleinern/Vergrößern  linke/rechte  Maustaste über der entsprechenden Textart drücken.",
    "To decrease/enlarge press left/right mouse button over the concerning kind of text."};
constexpr LangText kBackColour{"&Hintergrundfarbe ändern", "Change &background color"};
constexpr LangText kLinkColour{"&Verweisfarbe ändern", "Change &link color"};
constexpr LangText kRestore{"&Standard wiederherstellen", "Restore &default settings"};
constexpr LangText kProxyGroup{"Proxy-Einstellungen", "Proxy settings"};
constexpr LangText kProxy{"Pro&xy Server", "Pro&xy server"};
constexpr LangText kPort{"Port&nummer", "Port &number"};
constexpr LangText kUnicodeSetup{"&Unicode einrichten", "&Unicode setup"};
constexpr LangText kUnicodeFont{"Unicode-Schriftart", "Unicode font"};
constexpr LangText kNoUnicode{"Keine Unicode-Unterstützung.", "No Unicode support."};
constexpr char kHelpTopic[] = "IDH_07000";
constexpr char kDefaultFace[] = "Times New Roman";
constexpr int kDefaultSize = 15;
constexpr int32_t kWhite = 0xFFFFFF;
constexpr int32_t kBlue = 0xFF0000;  // Windows colour 0x00BBGGRR

#ifdef _WIN32
constexpr bool kDriveLetters = true;
#else
constexpr bool kDriveLetters = false;
#endif

constexpr int kClientWidth = 607;
constexpr int kClientHeight = 418;
constexpr double kMinSpacing = 0.1;
constexpr double kMaxSpacing = 10.0;
constexpr int kMaxMargin = 2000;  // pixels
constexpr int kMaxIndent = 100;   // blanks
constexpr int kMaxPort = 65535;

// The fixed line-spacing choices and their stored codes.
constexpr int32_t kHalfCode = 5, kOneCode = 10, kOneAndHalfCode = 15;

// The sample labels: object name, caption with its number, the entry whose size it shows, the
// entries a click changes (none: the base size, see SampleClicked) and the place in the preview
// (headings and the text styles on the left, subtitles and notes on the right).
struct Sample {
  const char* name;
  const LangText* caption;
  const char* number;
  size_t entry;
  std::vector<size_t> changes;
  int row, column;
};
const Sample kSamples[] = {
    {"Header1Label", &kHeading, " 1", 0, {0}, 1, 0},
    {"Header2Label", &kHeading, " 2", 1, {1}, 2, 0},
    {"Header3Label", &kHeading, " 3", 8, {8}, 3, 0},
    {"Unter1Label", &kSubtitle, " 1", 3, {3}, 1, 1},
    {"Unter2Label", &kSubtitle, " 2", 4, {4}, 2, 1},
    {"Unter3Label", &kSubtitle, " 3", 9, {9}, 3, 1},
    {"TextNormalLabel", &kText, "", 2, {}, 4, 0},
    {"TextKleinLabel", &kSmallText, "", 14, {14, 15, 16}, 5, 0},
    {"FootnoteLabel", &kFootnote, "", 7, {7}, 4, 1},
    {"RemarkLabel", &kRemark, "", 10, {10}, 5, 1},
};
constexpr size_t kFootnoteSample = 8;

// The entries that keep their absolute size when the base size changes through "text".
constexpr size_t kRescaled[] = {0, 1, 3, 4, 7, 8, 9, 10, 14, 15, 16};

// round(value × numerator / denominator), halves to even; denominator > 0.
int32_t RoundedRatio(int64_t value, int64_t numerator, int64_t denominator) {
  const int64_t product = value * numerator;
  const int64_t magnitude = product < 0 ? -product : product;
  int64_t q = magnitude / denominator;
  const int64_t r2 = (magnitude % denominator) * 2;
  if (r2 > denominator || (r2 == denominator && q % 2 == 1)) ++q;
  return static_cast<int32_t>(product < 0 ? -q : q);
}

int32_t ToWindowsColour(const QColor& c) {
  return static_cast<int32_t>(c.red()) | (c.green() << 8) | (c.blue() << 16);
}

TOptionsForm::ColourChooser& ColourHook() {
  static TOptionsForm::ColourChooser chooser;
  return chooser;
}

QGroupBox* Group(const LangText& caption, const char* name, QWidget* parent) {
  auto* box = new QGroupBox(Text(caption), parent);
  box->setObjectName(name);
  return box;
}

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

}  // namespace

TOptionsForm::TOptionsForm(AppContext& context, WindowServices& services, QWidget* parent)
    : QDialog(parent), context_(context), services_(services) {
  setObjectName("OptionsForm");
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
  setWindowTitle(Text(captions::kSettings).remove('&'));

  pages_ = Named(new QTabWidget(this), "OptPageControl");
  pages_->addTab(BuildGeneralPage(), Text(kGeneralPage));
  pages_->addTab(BuildFontPage(), Text(kFontPage));
  pages_->addTab(BuildConnectionPage(), Text(kConnectionPage));
  pages_->setCurrentIndex(0);

  auto* panel = Named(new QWidget(this), "OptionsPanel");
  auto* ok = MakeButton(captions::kOK, "OKButton", panel);
  ok->setDefault(true);
  auto* cancel = MakeButton(captions::kCancel, "CancelButton", panel);
  auto* help = MakeButton(captions::kHelp, "HelpButton", panel);
  QHBoxLayout* row = RightAlignedRow({ok, cancel, help});
  row->setContentsMargins(0, 0, 0, 0);
  panel->setLayout(row);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(panel);

  connect(ok, &QPushButton::clicked, this, &TOptionsForm::OKButtonClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  HelpOnF1(this, help);
  connect(help, &QPushButton::clicked, this,
          [this] { services_.ShowHelp(QString::fromLatin1(kHelpTopic)); });

  Load();
  // A fixed border: the client area is at least the classic 607 x 418 and as large as the
  // captions of the current language need.
  const QSize hint = sizeHint();
  setFixedSize(std::max(hint.width(), kClientWidth), std::max(hint.height(), kClientHeight));
}

SettingsStore& TOptionsForm::Settings() { return context_.Catalog().Settings(); }

int TOptionsForm::BaseSize() const { return size_->value(); }

void TOptionsForm::SetColourChooser(ColourChooser chooser) { ColourHook() = std::move(chooser); }

// ---- pages ----

QWidget* TOptionsForm::BuildGeneralPage() {
  auto* page = Named(new QWidget, "GeneralTabSheet");

  QGroupBox* spacing = Group(kSpacingGroup, "ZeilenabstandGroupBox", page);
  half_ = Named(new QRadioButton(Text(kHalfLine), spacing), "halfZARadioButton");
  one_ = Named(new QRadioButton(Text(kOneLine), spacing), "OneZARadioButton");
  oneAndHalf_ = Named(new QRadioButton(Text(kOneAndHalf), spacing), "einshalbZARadioButton");
  own_ = Named(new QRadioButton(Text(kOwnChoice), spacing), "selfZARadioButton");
  ownSpacing_ = Named(new QDoubleSpinBox(spacing), "SelfZARxSpinEdit");
  ownSpacing_->setDecimals(1);
  ownSpacing_->setSingleStep(0.1);
  ownSpacing_->setRange(kMinSpacing, kMaxSpacing);
  ownSpacing_->installEventFilter(this);
  ownSpacing_->findChild<QLineEdit*>()->installEventFilter(this);
  auto* spacingLayout = new QGridLayout(spacing);
  spacingLayout->addWidget(half_, 0, 0, 1, 2);
  spacingLayout->addWidget(one_, 1, 0, 1, 2);
  spacingLayout->addWidget(oneAndHalf_, 2, 0, 1, 2);
  spacingLayout->addWidget(own_, 3, 0);
  spacingLayout->addWidget(ownSpacing_, 3, 1);

  QGroupBox* other = Group(kOtherGroup, "SonstigesGroupBox", page);
  justify_ = Named(new QCheckBox(Text(kJustify), other), "BlocksatzCheckBox");
  crossReferences_ = Named(new QCheckBox(Text(kCrossReferences), other), "CrossReferenceCheckBox");
  margin_ = Named(new QSpinBox(other), "RandRxSpinEdit");
  margin_->setRange(0, kMaxMargin);
  indent_ = Named(new QSpinBox(other), "EinruckRxSpinEdit");
  indent_->setRange(0, kMaxIndent);
  auto* otherLayout = new QGridLayout(other);
  otherLayout->addWidget(justify_, 0, 0, 1, 2);
  otherLayout->addWidget(crossReferences_, 1, 0, 1, 2);
  auto* marginLabel = Named(new QLabel(Text(kMargin), other), "randLabel");
  auto* indentLabel = Named(new QLabel(Text(kIndent), other), "einruckLabel");
  marginLabel->setBuddy(margin_);
  indentLabel->setBuddy(indent_);
  otherLayout->addWidget(marginLabel, 2, 0);
  otherLayout->addWidget(margin_, 2, 1);
  otherLayout->addWidget(indentLabel, 3, 0);
  otherLayout->addWidget(indent_, 3, 1);
  otherLayout->setRowStretch(4, 1);

  QGroupBox* language = Group(kLanguageGroup, "LangGroupBox", page);
  language_ = Named(new QComboBox(language), "LangComboBox");
  language_->addItems({QStringLiteral("deutsch"), QStringLiteral("english")});
  (new QVBoxLayout(language))->addWidget(language_);

  QGroupBox* drive = Group(kDriveGroup, "DriveGroupBox", page);
  drive_ = Named(new QLineEdit(drive), "DriveEdit");
  auto* driveLayout = new QHBoxLayout(drive);
  driveLayout->addWidget(drive_);
  if (!kDriveLetters) {
    // Without drive letters the extra drive is a directory: a mount point or a copy of a CD.
    auto* choose = Named(new QToolButton(drive), "DriveButton");
    choose->setText(QStringLiteral("..."));
    driveLayout->addWidget(choose);
    connect(choose, &QToolButton::clicked, this, &TOptionsForm::ChooseDriveDirectory);
  } else {
    drive_->setMaxLength(2);
  }

  auto* left = new QVBoxLayout;
  left->addWidget(spacing);
  left->addWidget(language);
  left->addWidget(drive);
  left->addStretch();
  auto* right = new QVBoxLayout;
  right->addWidget(other);
  auto* layout = new QHBoxLayout(page);
  layout->addLayout(left, 1);
  layout->addLayout(right, 1);
  return page;
}

QWidget* TOptionsForm::BuildFontPage() {
  auto* page = Named(new QWidget, "FontTabSheet");
  face_ = Named(new QComboBox(page), "FontComboBox1");
  face_->addItems(QFontDatabase::families());
  size_ = Named(new QSpinBox(page), "FontSizeSpinEdit1");
  size_->setRange(kMinFontSize, kMaxTypedFontSize);
  auto* faceLabel = Named(new QLabel(Text(kFont), page), "FontLabel");
  faceLabel->setBuddy(face_);
  auto* sizeLabel = Named(new QLabel(Text(kSize), page), "SizeLabel");
  sizeLabel->setBuddy(size_);

  greekInfo_ = Named(new QLabel(page), "UCInfoLabel");
  greekInfo_->setWordWrap(true);
  auto* install = new QPushButton(Text(kUnicodeSetup) + QStringLiteral("..."), page);
  install->setObjectName("UCInstallButton");
  auto* back = MakeButton(kBackColour, "ChangeBackColorButton", page);
  auto* link = MakeButton(kLinkColour, "ChangeLinkColorButton", page);
  auto* restore = MakeButton(kRestore, "RestoreButton", page);

  auto* top = new QHBoxLayout;
  top->addWidget(faceLabel);
  top->addWidget(face_, 1);
  top->addSpacing(12);
  top->addWidget(sizeLabel);
  top->addWidget(size_);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(greekInfo_);
  buttons->addWidget(install);
  buttons->addStretch();
  buttons->addWidget(back);
  buttons->addWidget(link);
  buttons->addWidget(restore);
  auto* middle = new QHBoxLayout;
  middle->addLayout(buttons);
  middle->addWidget(BuildPreview(page), 1);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(top);
  layout->addLayout(middle, 1);

  connect(face_, &QComboBox::currentTextChanged, this, [this] { UpdatePreview(); });
  connect(size_, &QSpinBox::valueChanged, this, [this] { UpdatePreview(); });
  connect(install, &QPushButton::clicked, this, &TOptionsForm::InstallGreekFont);
  connect(back, &QPushButton::clicked, this, [this] { ChooseColour(backColour_); });
  connect(link, &QPushButton::clicked, this, [this] { ChooseColour(linkColour_); });
  connect(restore, &QPushButton::clicked, this, &TOptionsForm::Restore);
  return page;
}

// Two columns of samples: headings and subtitles, then the text styles. A sample too large for
// its cell is cut off rather than stretching the dialog.
QWidget* TOptionsForm::BuildPreview(QWidget* parent) {
  preview_ = Named(new QFrame(parent), "PreviewPanel");
  preview_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  preview_->setAutoFillBackground(true);
  auto* grid = new QGridLayout(preview_);
  grid->addWidget(Named(new QLabel(Text(kPreview), preview_), "PreviewLabel"), 0, 0, 1, 2);
  for (size_t i = 0; i < samples_.size(); ++i) {
    const Sample& s = kSamples[i];
    auto* label = new QLabel(Text(*s.caption) + QString::fromLatin1(s.number), preview_);
    label->setObjectName(s.name);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    label->installEventFilter(this);
    samples_[i] = label;
    grid->addWidget(label, s.row, s.column);
    grid->setRowStretch(s.row, 1);
  }
  auto* hint = Named(new QLabel(Text(kHint), preview_), "HintLabel");
  hint->setWordWrap(true);
  grid->addWidget(hint, 6, 0, 1, 2);
  preview_->setMinimumSize(330, 260);
  return preview_;
}

QWidget* TOptionsForm::BuildConnectionPage() {
  auto* page = Named(new QWidget, "ConnectionTabSheet");
  QGroupBox* group = Group(kProxyGroup, "VerbindungGroupBox", page);
  proxy_ = Named(new QLineEdit(group), "ProxyEdit");
  port_ = Named(new QSpinBox(group), "PortEdit");
  port_->setRange(0, kMaxPort);
  port_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  auto* form = new QFormLayout(group);
  auto* proxyLabel = Named(new QLabel(Text(kProxy), group), "ProxyLabel");
  auto* portLabel = Named(new QLabel(Text(kPort), group), "PortLabel");
  proxyLabel->setBuddy(proxy_);
  portLabel->setBuddy(port_);
  form->addRow(proxyLabel, proxy_);
  form->addRow(portLabel, port_);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(group);
  layout->addStretch();
  return page;
}

// ---- state ----

void TOptionsForm::Load() {
  SettingsStore& s = Settings();
  language_->setCurrentIndex(s.GetLanguage() == kGerman ? 0 : 1);

  const int32_t spacing = s.GetLineSpacing();
  if (spacing == kHalfCode) {
    half_->setChecked(true);
  } else if (spacing == kOneCode) {
    one_->setChecked(true);
  } else if (spacing == kOneAndHalfCode) {
    oneAndHalf_->setChecked(true);
  } else {
    own_->setChecked(true);
    ownSpacing_->setValue(spacing / 10.0);
  }

  justify_->setChecked(s.GetBlocksatz());
  crossReferences_->setChecked(s.GetSmartLinks());
  margin_->setValue(s.GetBorderWidth());
  indent_->setValue(s.GetParaBlank());
  drive_->setText(QString::fromStdString(s.GetCDROMDrive()));

  backColour_ = s.GetBackColor();
  linkColour_ = s.GetLinkColor();
  entries_ = s.GetRelations();
  // A size the font steps of the main window took beyond what the field takes when typed.
  const int size = std::clamp(static_cast<int>(s.GetFontSize()), kMinFontSize, kMaxFontSize);
  size_->setMaximum(std::max(kMaxTypedFontSize, size));
  size_->setValue(size);
  ShowFace(QString::fromStdString(s.GetFont()));
  proxy_->setText(QString::fromStdString(s.GetProxyServer()));
  port_->setValue(static_cast<int>(s.GetPort()));
  UpdateGreekInfo();
  UpdatePreview();
}

// Selects `face` in the font list; a face that is not installed is added to the list, so that
// OK keeps it rather than storing whatever font the list happened to show.
void TOptionsForm::ShowFace(const QString& face) {
  int index = face_->findText(face, Qt::MatchFixedString);
  if (index < 0) {
    face_->insertItem(0, face);
    index = 0;
  }
  face_->setCurrentIndex(index);
}

void TOptionsForm::UpdateGreekInfo() {
  const std::string font = greekFont_ ? *greekFont_ : Settings().GetUCFont();
  greekInfo_->setText(font.empty() ? Text(kNoUnicode)
                                   : Text(kUnicodeFont) + QStringLiteral(":\n") +
                                         QString::fromStdString(font));
}

void TOptionsForm::UpdatePreview() {
  QPalette palette = preview_->palette();
  palette.setColor(QPalette::Window, QtCanvas::ToQColor(static_cast<Color>(backColour_)));
  preview_->setPalette(palette);
  for (size_t i = 0; i < samples_.size(); ++i) {
    QFont font(face_->currentText());
    const int points = FontTable::ScaledSize(size_->value(), entries_[kSamples[i].entry]);
    font.setPointSize(std::max(points, kSmallestPointSize));
    samples_[i]->setFont(font);
  }
  QPalette link = samples_[kFootnoteSample]->palette();
  link.setColor(QPalette::WindowText, QtCanvas::ToQColor(static_cast<Color>(linkColour_)));
  samples_[kFootnoteSample]->setPalette(link);
}

// ---- rules ----

std::string TOptionsForm::StoredDrive(const QString& entry, bool driveLetters) {
  if (!driveLetters) return entry.trimmed().toStdString();
  if (entry.isEmpty()) return {};
  const QChar first = entry.at(0).toUpper();
  if (first < QLatin1Char('A') || first > QLatin1Char('Z')) return {};
  return std::string(1, static_cast<char>(first.unicode()));
}

TOptionsForm::Entries TOptionsForm::Rescaled(const Entries& entries, int oldSize, int newSize) {
  Entries out = entries;
  for (size_t i : kRescaled)
    out[i] = AtLeastSmallest(RoundedRatio(entries[i], oldSize, newSize), newSize);
  return out;
}

int32_t TOptionsForm::AtLeastSmallest(int32_t entry, int size) {
  int32_t least = 1;
  while (FontTable::ScaledSize(size, least) < kSmallestPointSize) ++least;
  return std::max(entry, least);
}

// ---- commands ----

void TOptionsForm::SampleClicked(size_t sample, bool larger) {
  const Sample& s = kSamples[sample];
  const int size = size_->value();
  if (s.changes.empty()) {
    const int newSize = size + (larger ? 1 : -1);
    if (newSize < kMinFontSize || newSize > kMaxFontSize) return;
    entries_ = Rescaled(entries_, size, newSize);
    if (newSize > size_->maximum()) size_->setMaximum(newSize);
    size_->setValue(newSize);  // updates the preview
    return;
  }
  for (size_t i : s.changes)
    entries_[i] = AtLeastSmallest(entries_[i] + (larger ? kPercentStep : -kPercentStep), size);
  UpdatePreview();
}

void TOptionsForm::ChooseColour(int32_t& colour) {
  const QColor current = QtCanvas::ToQColor(static_cast<Color>(colour));
  std::optional<QColor> chosen;
  if (ColourHook()) {
    chosen = ColourHook()(current, this);
  } else {
    const QColor c = QColorDialog::getColor(current, this);
    if (c.isValid()) chosen = c;
  }
  if (!chosen) return;
  colour = ToWindowsColour(*chosen);
  UpdatePreview();
}

void TOptionsForm::Restore() {
  const std::vector<int32_t> defaults =
      SettingsStore::ParseIntList(SettingsStore::kDefaultRelations, kEntryCount, 100);
  std::copy(defaults.begin(), defaults.end(), entries_.begin());
  backColour_ = kWhite;
  linkColour_ = kBlue;
  ShowFace(QString::fromLatin1(kDefaultFace));
  size_->setValue(kDefaultSize);
  greekFont_ = std::string();
  UpdateGreekInfo();
  UpdatePreview();
}

void TOptionsForm::InstallGreekFont() {
  TUCInstallForm form(context_.GreekFonts(), services_, this);
  if (form.exec() != QDialog::Accepted || form.Chosen().isEmpty()) return;
  greekFont_ = form.Chosen().toStdString();
  UpdateGreekInfo();
}

void TOptionsForm::ChooseDriveDirectory() {
  const QString dir =
      QFileDialog::getExistingDirectory(this, Text(kDriveGroup), drive_->text().trimmed());
  if (!dir.isEmpty()) drive_->setText(dir);
}

void TOptionsForm::OKButtonClick() {
  try {
    SettingsStore& s = Settings();
    const int language = language_->currentIndex() + 1;
    bool languageChanged = false;
    // All settings reach the settings file in one save, or none of them.
    context_.Catalog().Reg().WriteTogether([&] {
      if (language != s.GetLanguage()) {
        s.SetLanguage(language);
        languageChanged = true;
      }
      // The field holds tenths; rounding makes the code independent of the binary fraction.
      s.SetLineSpacing(half_->isChecked()  ? kHalfCode
                       : one_->isChecked() ? kOneCode
                       : oneAndHalf_->isChecked()
                           ? kOneAndHalfCode
                           : static_cast<int32_t>(std::lround(ownSpacing_->value() * 10)));
      s.SetBlocksatz(justify_->isChecked());
      s.SetSmartLinks(crossReferences_->isChecked());
      s.SetBorderWidth(margin_->value());
      s.SetParaBlank(indent_->value());
      s.SetCDROMDrive(StoredDrive(drive_->text(), kDriveLetters));
      s.SetFont(face_->currentText().toStdString());
      const int size = size_->value();
      s.SetFontSize(size);
      // A typed smaller size may have taken an entry below one point: the text styles get what the
      // preview showed.
      Entries entries = entries_;
      for (int32_t& e : entries) e = AtLeastSmallest(e, size);
      s.SetRelations(entries);
      s.SetBackColor(backColour_);
      s.SetLinkColor(linkColour_);
      s.SetProxyServer(proxy_->text().toStdString());
      s.SetPort(port_->value());
      if (greekFont_) s.SetUCFont(*greekFont_);
    });
    languageChanged_ = languageChanged_ || languageChanged;
  } catch (const std::exception& e) {
    // The store could not be saved: the dialog stays open with what the user entered.
    context_.Prompts().ShowError(e.what());
    return;
  }
  accept();
}

// ---- events ----

bool TOptionsForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    if (watched == ownSpacing_ || watched->parent() == ownSpacing_) own_->setChecked(true);
    const auto it = std::find(samples_.begin(), samples_.end(), watched);
    if (it != samples_.end()) {
      const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
      if (button == Qt::LeftButton || button == Qt::RightButton) {
        SampleClicked(static_cast<size_t>(it - samples_.begin()), button == Qt::RightButton);
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TOptionsForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

}  // namespace quillmar::gui

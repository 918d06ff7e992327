#include "gui/app/help_window.h"

#include <QAction>
#include <QHBoxLayout>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

#include "base/language.h"
#include "gui/app/main_window_texts.h"
#include "gui/common/captions.h"
#include "gui/common/gui_strings.h"

// The pages live in a static library: make sure its resources are registered.
static void InitHelpResources() { Q_INIT_RESOURCE(help); }

namespace quillmar::gui {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 520;

// Topic string -> page and anchor.
constexpr std::pair<const char*, const char*> kTopics[] = {
    {"IDH_02000", "navigation.html#content"},  {"IDH_03000", "navigation.html#bookmarks"},
    {"IDH_05000", "navigation.html#internet"}, {"IDH_06000", "navigation.html#multimedia"},
    {"IDH_07000", "settings.html#settings"},   {"IDH_07100", "settings.html#greek"},
    {"IDH_08000", "settings.html#printing"},   {"IDH_11000", "searching.html#search"},
    {"IDH_12000", "searching.html#options"},   {"IDH_13000", "reading.html#textwindow"},
};
constexpr char kContents[] = "index.html";
constexpr LangText kContentsCaption{"&Inhalt", "&Contents"};

// A button of the help's bar that runs `action`, which carries the keys.
QToolButton* BarButton(QWidget* parent, const char* name, QAction* action) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setDefaultAction(action);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return button;
}

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  browser_ = new QTextBrowser(this);
  browser_->setOpenExternalLinks(true);

  auto* contents = new QAction(this);
  auto* back = new QAction(this);
  auto* forward = new QAction(this);
  back->setShortcuts(QKeySequence::Back);
  forward->setShortcuts(QKeySequence::Forward);
  back->setEnabled(false);
  forward->setEnabled(false);
  connect(contents, &QAction::triggered, this,
          [this] { browser_->setSource(TopicUrl(QString(), CurrentLanguage())); });
  connect(back, &QAction::triggered, browser_, &QTextBrowser::backward);
  connect(forward, &QAction::triggered, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
  contents_ = BarButton(this, "ContentsButton", contents);
  back_ = BarButton(this, "BackButton", back);
  forward_ = BarButton(this, "ForwardButton", forward);

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(4, 4, 4, 0);
  bar->addWidget(contents_);
  bar->addWidget(back_);
  bar->addWidget(forward_);
  bar->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(bar);
  layout->addWidget(browser_);
  resize(kWidth, kHeight);
  SetCaptions();
}

QUrl HelpWindow::TopicUrl(const QString& topic, int language) {
  static const bool registered = (InitHelpResources(), true);
  (void)registered;
  QString page = QString::fromLatin1(kContents);
  for (const auto& [name, target] : kTopics)
    if (topic.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
      page = QString::fromLatin1(target);
  const QString folder = language == kGerman ? QStringLiteral("de") : QStringLiteral("en");
  return QUrl(QStringLiteral("qrc:/help/%1/%2").arg(folder, page));
}

QStringList HelpWindow::Topics() {
  QStringList list;
  for (const auto& topic : kTopics) list << QString::fromLatin1(topic.first);
  return list;
}

void HelpWindow::ShowTopic(const QString& topic) {
  SetCaptions();
  browser_->setSource(TopicUrl(topic, CurrentLanguage()));
  show();
  raise();
  activateWindow();
}

void HelpWindow::SetCaptions() {
  setWindowTitle(Text(texts::kHelpCaption));
  contents_->defaultAction()->setText(Text(kContentsCaption));
  back_->defaultAction()->setText(Text(captions::kBack));
  forward_->defaultAction()->setText(Text(captions::kForward));
}

}  // namespace quillmar::gui

#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace quillmar::gui {

// The reader's help: HTML pages compiled into the program (":/help/de/", ":/help/en/"), shown in
// a browser window of its own, with buttons for the contents page and back and forward through
// the pages read. Topic strings such as "IDH_13000" lead to a page and anchor.
class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  explicit HelpWindow(QWidget* parent = nullptr);

  // The page of a topic in the given language (1 German, else English); the contents page
  // for an empty or unknown topic.
  static QUrl TopicUrl(const QString& topic, int language);
  // Every topic string that leads to a page of its own.
  static QStringList Topics();

  // Opens the topic in the current language and brings the window to the front.
  void ShowTopic(const QString& topic);
  void SetCaptions();

 private:
  QTextBrowser* browser_;
  QToolButton* contents_;
  QToolButton* back_;
  QToolButton* forward_;
};

}  // namespace quillmar::gui

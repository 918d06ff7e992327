#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

class QUrl;

namespace quillmar {
class TCalderwickData;
}

namespace quillmar::gui {

class WindowServices;

// The navigation window's Internet page: the publisher's online offers from the list file
// "remote.dat" in the download directory, the refresh that downloads it anew (automatically on
// the first visit of the page), and opening an entry: a newer reader, a web page in the browser,
// or a document downloaded once and shown in a text window.
//
// Downloads run in the background on the event loop; one at a time. The status bar below the
// list shows their progress; Cancel ends them.
class TInternetPage : public QWidget {
 public:
  using ConfirmFunction = std::function<bool(const QString& text, const QString& accept)>;

  // `ask` puts the OK/Cancel question before a reader is installed.
  TInternetPage(TCalderwickData& catalog, WindowServices* services, ConfirmFunction ask,
                QWidget* parent = nullptr);
  ~TInternetPage() override;  // ends a running download; its temporary file is deleted

  void SetCaptions();
  // Rebuilds the list from the stored list file. The page starts empty: its owner builds the list
  // once the collections are known (which decide what is listed).
  void BuildList();
  // Downloads the list from the "Online" address and rebuilds the list when that has ended.
  void RefreshList();
  // Acts on the selected entry.
  void OpenEntry();
  // The page came to the front / went to the back.
  void PageShown();
  void PageHidden();
  // Ends a running download (the main window closes).
  void CancelTransfer();
  bool Busy() const;

  // How web addresses are opened; by default the desktop's browser. Tests record instead (an
  // empty function restores the browser).
  using UrlOpener = std::function<bool(const QUrl& url)>;
  static void SetUrlOpener(UrlOpener opener);

 protected:
  // A double click on the status bar hides it.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace quillmar::gui

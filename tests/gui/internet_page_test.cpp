#include "gui/online/internet_page.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>
#include <QtTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/language.h"
#include "base/paths.h"
#include "collection/bookmark.h"
#include "gui/navigation/navigation_form.h"
#include "online/inet_info.h"
#include "support/catalog_fixture.h"
#include "support/net/http_test_server.h"

namespace quillmar::gui {
namespace {

namespace fs = std::filesystem;
using test::HttpTestServer;

constexpr int kWait = 30000;  // only keeps a broken test from hanging

class RecordingServices : public WindowServices {
 public:
  void OpenTextFile(const std::string& fileName, const QString& caption, int32_t) override {
    opened.push_back(fileName + " | " + caption.toStdString());
  }
  std::vector<std::string> opened;
};

TINetInfoRecord Entry(int32_t id, int32_t kind, const std::string& caption,
                      const std::string& target, int32_t major = 0, int32_t minor = 0,
                      const std::string& cdid = "") {
  TINetInfoRecord r;
  r.Id = id;
  r.Kind = kind;
  r.Major = major;
  r.Minor = minor;
  r.CDID = cdid;
  r.Caption = caption;
  r.Target = target;
  r.Expiry = 80000;
  return r;
}

std::string ListOf(const std::vector<TINetInfoRecord>& records) {
  std::string bytes;
  for (const TINetInfoRecord& r : records) bytes += EncodeINetInfoRecord(r);
  return bytes;
}

class InternetPageTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::CatalogFixture> env;
  std::unique_ptr<HttpTestServer> server;
  std::unique_ptr<TBookmark> bookmarks;
  RecordingServices services;
  std::unique_ptr<TNavigationForm> form;
  std::vector<QString> questions, urls;
  bool answer = false;

  std::string Port() const { return std::to_string(server->Port()); }
  std::string DownloadDir() const { return env->dir.Sub("program/Download"); }
  std::string Remote() const { return JoinPath(DownloadDir(), "remote.dat"); }
  template <typename T>
  T* Find(const char* name) {
    T* widget = form->findChild<T*>(name);
    if (!widget) qFatal("no widget %s", name);
    return widget;
  }
  QStringList Captions() {
    QStringList captions;
    auto* list = Find<QListWidget>("InetListView");
    for (int i = 0; i < list->count(); ++i) captions << list->item(i)->text();
    return captions;
  }
  QString Status() { return Find<QLabel>("INetStatusPanel")->text(); }
  void ShowInternetPage() {
    auto* pages = Find<QTabWidget>("NavPageControl");
    pages->setCurrentWidget(Find<QWidget>("InternetTabSheet"));
  }
  void Refresh() {
    Find<QPushButton>("InetRefreshButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!form->InternetPage()->Busy(), kWait);
  }
  void Open(const QString& caption) {
    auto* list = Find<QListWidget>("InetListView");
    const auto found = list->findItems(caption, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    list->setCurrentItem(found.front());
    Find<QPushButton>("InetOpenButton")->click();
  }
  std::vector<std::string> Files() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(DownloadDir()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private slots:
  void init() {
    SetCurrentLanguage(kEnglish);
    env = std::make_unique<test::CatalogFixture>();
    test::CollectionSpec collection;
    collection.cdid = "QMSA0001";
    collection.title = "Sample";
    env->AddCollection("cd", collection);
    env->catalog->ScanCDs();
    server = std::make_unique<HttpTestServer>();
    const std::string docs = "127.0.0.1:" + Port();
    server->Serve(
        "/web/caldrem.dat",
        ListOf({Entry(1, kNewReader, "Reader 1.7", "www.example.org/r17.exe", 1, 7),
                Entry(2, kNewReader, "Reader 2.0", "www.example.org/Reader20.exe", 2, 0),
                Entry(3, kWebPage, "Web page", " WWW.Example.ORG/Docs/Page.HTML "),
                Entry(4, kDocument, "Guide", docs + "/Docs/Guide.DAT"),
                Entry(5, kReaderDocument, "For 1.7", docs + "/r17.dat", 1, 7),
                Entry(6, kCollectionDocument, "For the sample", docs + "/sample.dat", 0, 0,
                      "QMSA0001"),
                Entry(7, kCollectionPage, "For another collection", "x.org", 0, 0, "XXXX0001"),
                Entry(8, kReaderPage, "For 1.8", "x.org", 1, 8),
                Entry(9, kDocument, "Broken", docs + "/broken.dat"), Entry(10, 7, "Kind 7", "")}));
    server->Serve("/Docs/Guide.DAT", "guide");
    server->Serve("/broken.dat", HttpTestServer::Response{500, "error"});
    env->catalog->Settings().SetOnline(server->Url("/web/caldrem.dat"));
    bookmarks = std::make_unique<TBookmark>(env->dir.Sub("program"));
    services.opened.clear();
    questions.clear();
    urls.clear();
    answer = false;
    TNavigationForm::SetQuestion([this](const QString& text, const QString&) {
      questions.push_back(text);
      return answer;
    });
    TInternetPage::SetUrlOpener([this](const QUrl& url) {
      urls.push_back(url.toString());
      return true;
    });
    form = std::make_unique<TNavigationForm>(*env->catalog, *bookmarks, &services);
    form->show();
  }
  void cleanup() {
    form.reset();
    bookmarks.reset();
    server.reset();
    env.reset();
    TNavigationForm::SetQuestion({});
    TInternetPage::SetUrlOpener({});
    SetCurrentLanguage(kEnglish);
  }

  void theFirstVisitRefreshesQuietlyAndRefreshShowsItsOutcomeInBothLanguages() {
    QVERIFY(Captions().isEmpty());
    ShowInternetPage();
    QTRY_VERIFY_WITH_TIMEOUT(!form->InternetPage()->Busy(), kWait);
    const QStringList listed{"Reader 2.0", "Web page",       "Guide",
                             "For 1.7",    "For the sample", "Broken"};
    QCOMPARE(Captions(), listed);
    QVERIFY(Find<QStatusBar>("INetStatusBar")->isHidden());
    QCOMPARE(server->Requests().back().headers.at("user-agent"), std::string("reader 1.7 auto"));
    QCOMPARE(server->Requests().back().headers.at("referer"), std::string("QMSA0001"));
    // Coming back does not refresh again; leaving hides the status bar.
    Find<QTabWidget>("NavPageControl")->setCurrentIndex(0);
    ShowInternetPage();
    QCOMPARE(server->Count("/web/caldrem.dat"), 1);

    Refresh();
    QCOMPARE(server->Count("/web/caldrem.dat"), 2);
    QCOMPARE(server->Requests().back().headers.at("user-agent"), std::string("reader 1.7"));
    QVERIFY(Find<QStatusBar>("INetStatusBar")->isVisible());
    QCOMPARE(Status(), QString("Download successful."));
    QCOMPARE(Captions(), listed);
    Find<QTabWidget>("NavPageControl")->setCurrentIndex(0);
    QVERIFY(Find<QStatusBar>("INetStatusBar")->isHidden());

    SetCurrentLanguage(kGerman);
    form->SetCaptions();
    ShowInternetPage();
    auto* pages = Find<QTabWidget>("NavPageControl");
    QCOMPARE(pages->tabText(pages->indexOf(Find<QWidget>("InternetTabSheet"))),
             QString("In&ternet"));
    QCOMPARE(Find<QPushButton>("InetRefreshButton")->text(), QString("&Aktualisieren"));
    const std::string before = test::ReadFile(Remote());
    env->catalog->Settings().SetOnline(server->Url("/web/missing.dat"));
    Refresh();
    QCOMPARE(Status(), QString("Download fehlgeschlagen."));
    QVERIFY(Find<QLabel>("INetStatusPanel")->toolTip().contains("404"));
    QCOMPARE(test::ReadFile(Remote()), before);
    QCOMPARE(Files(), std::vector<std::string>{"remote.dat"});
    QCOMPARE(Captions(), listed);
    // A double click on the status bar hides it.
    QTest::mouseDClick(Find<QLabel>("INetStatusPanel"), Qt::LeftButton);
    QVERIFY(Find<QStatusBar>("INetStatusBar")->isHidden());
  }

  void entriesOpenInTheBrowserOrAsDocumentsFetchedOnce() {
    ShowInternetPage();
    QTRY_VERIFY_WITH_TIMEOUT(!form->InternetPage()->Busy(), kWait);

    Open("Web page");
    QCOMPARE(urls, std::vector<QString>{"http://www.example.org/Docs/Page.HTML"});

    Open("Reader 2.0");  // answered Cancel
    QCOMPARE(questions, std::vector<QString>{"Do You want install Quillmar reader 2.0 now?"});
    QCOMPARE(urls.size(), size_t(1));
#ifndef _WIN32
    answer = true;
    Open("Reader 2.0");
    QCOMPARE(urls.back(), QString("http://www.example.org/Reader20.exe"));
#endif

    const std::string guide = JoinPath(DownloadDir(), "4.dat");
    const std::vector<std::string> shown{guide + " | Guide"};
    Open("Guide");
    QTRY_COMPARE_WITH_TIMEOUT(services.opened, shown, kWait);
    QCOMPARE(test::ReadFile(guide), std::string("guide"));
    Open("Guide");
    QCOMPARE(services.opened.size(), size_t(2));
    QCOMPARE(server->Count("/Docs/Guide.DAT"), 1);
    fs::remove(guide);
    Open("Guide");
    QTRY_COMPARE_WITH_TIMEOUT(services.opened.size(), size_t(3), kWait);
    QCOMPARE(server->Count("/Docs/Guide.DAT"), 2);

    Open("Broken");
    QTRY_VERIFY_WITH_TIMEOUT(!form->InternetPage()->Busy(), kWait);
    QCOMPARE(Status(), QString("Download failed."));
    QCOMPARE(services.opened.size(), size_t(3));
    QVERIFY(!fs::exists(JoinPath(DownloadDir(), "9.dat")));
  }

  void aNoticeWithdrawsTheListAndOneDownloadRunsAtATime() {
    server->Serve("/notice.dat", ListOf({Entry(3, kWebPage, "Web page", "x.org"),
                                         Entry(11, kServiceNotice, "", "")}));
    env->catalog->Settings().SetOnline(server->Url("/notice.dat"));
    ShowInternetPage();
    QTRY_VERIFY_WITH_TIMEOUT(!form->InternetPage()->Busy(), kWait);
    QVERIFY(Captions().isEmpty());
    QVERIFY(!fs::exists(Remote()));
    QCOMPARE(env->prompts.infos, std::vector<std::string>{
                                     "The online service is under construction. Try later again."});

    env->catalog->Settings().SetOnline(server->Url("/web/caldrem.dat"));
    Refresh();
    const std::string before = test::ReadFile(Remote());
    server->Serve("/slow.dat",
                  HttpTestServer::Response{200, "partial", HttpTestServer::Mode::kPartialStall});
    env->catalog->Settings().SetOnline(server->Url("/slow.dat"));
    Find<QPushButton>("InetRefreshButton")->click();
    QVERIFY(form->InternetPage()->Busy());
    QVERIFY(!Find<QPushButton>("InetRefreshButton")->isEnabled());
    QVERIFY(Find<QPushButton>("INetCancelButton")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(Status().startsWith("recieved: 7 / 14"), kWait);
    Open("Guide");  // needs a download: refused while the list is fetched
    QCOMPARE(server->Count("/Docs/Guide.DAT"), 0);
    Find<QPushButton>("INetCancelButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!form->InternetPage()->Busy(), kWait);
    QCOMPARE(Status(), QString("Download failed."));
    QVERIFY(Find<QPushButton>("InetRefreshButton")->isEnabled());
    QVERIFY(!Find<QPushButton>("INetCancelButton")->isEnabled());
    QCOMPARE(test::ReadFile(Remote()), before);
    QCOMPARE(Files(), std::vector<std::string>{"remote.dat"});

    // Closing the reader while a download runs leaves no temporary file.
    Find<QPushButton>("InetRefreshButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(Status().startsWith("recieved"), kWait);
    form->CancelTransfer();
    form.reset();
    QCOMPARE(Files(), std::vector<std::string>{"remote.dat"});
  }
};

}  // namespace
}  // namespace quillmar::gui

QTEST_MAIN(quillmar::gui::InternetPageTest)
#include "internet_page_test.moc"

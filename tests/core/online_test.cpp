#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "base/paths.h"
#include "online/inet_info.h"
#include "online/online_service.h"
#include "support/catalog_fixture.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kToday = 46000;

TINetInfoRecord Entry(int32_t id, int32_t kind, int32_t major = 0, int32_t minor = 0,
                      const std::string& cdid = "") {
  TINetInfoRecord r;
  r.Id = id;
  r.Kind = kind;
  r.Major = major;
  r.Minor = minor;
  r.CDID = cdid;
  r.Caption = "Entry " + std::to_string(id);
  r.Target = "www.example.org/" + std::to_string(id);
  r.Expiry = kToday + 30;
  return r;
}

std::string ListFile(const std::vector<TINetInfoRecord>& records) {
  std::string bytes;
  for (const TINetInfoRecord& r : records) bytes += EncodeINetInfoRecord(r);
  return bytes;
}

std::vector<int32_t> Ids(const OfferList& offers) {
  std::vector<int32_t> ids;
  for (const TINetInfoRecord& r : offers.entries) ids.push_back(r.Id);
  return ids;
}

const ListingContext kReader17{1, 7, {"KRVT0001", "QMSA0001"}, kToday};

TEST(OnlineList, RecordsAreDecodedWithClampedStringsAndPartialRecordsIgnored) {
  test::TempDir dir;
  TINetInfoRecord r = Entry(-5, kDocument, 1, 7, "QMSA0001");
  r.Expiry = 45999.75;
  std::string bytes = EncodeINetInfoRecord(r);
  ASSERT_EQ(bytes.size(), kINetInfoRecordSize);
  bytes[56] = static_cast<char>(200);  // caption length beyond its 128 bytes
  bytes[40] = static_cast<char>(16);   // CD id length beyond its 15 bytes
  const std::string file = dir.Sub("remote.dat");
  test::WriteFile(file, bytes + "x");  // 325 bytes: one record
  TINetInfo list;
  list.LoadList(file);
  ASSERT_EQ(list.Count(), 1u);
  const TINetInfoRecord read = list.Item(0);
  EXPECT_EQ(read.Id, -5);
  EXPECT_EQ(read.Kind, kDocument);
  EXPECT_EQ(read.Major, 1);
  EXPECT_EQ(read.Minor, 7);
  EXPECT_EQ(read.Caption.size(), 128u);
  EXPECT_EQ(read.Caption.substr(0, 8), "Entry -5");
  EXPECT_EQ(read.CDID.size(), 15u);
  EXPECT_EQ(read.Target, "www.example.org/-5");
  EXPECT_EQ(read.Expiry, 45999.75);

  test::WriteFile(file, bytes.substr(0, 323));
  list.LoadList(file);
  EXPECT_EQ(list.Count(), 0u);
  list.LoadList(dir.Sub("missing.dat"));
  EXPECT_EQ(list.Count(), 0u);

  test::WriteFile(file, ListFile({Entry(3, 2), Entry(4, 2), Entry(3, 3)}));
  list.LoadList(file);
  EXPECT_EQ(list.IndexOfId(3), 2);
  EXPECT_EQ(list.IndexOfId(4), 1);
  EXPECT_EQ(list.IndexOfId(9), -1);
}

TEST(OnlineList, KindsVersionsCollectionsAndExpiryDecideWhatIsListed) {
  test::TempDir dir;
  std::vector<TINetInfoRecord> records = {Entry(1, kNewReader, 1, 7),
                                          Entry(2, kNewReader, 1, 8),
                                          Entry(3, kNewReader, 2, 0),
                                          Entry(4, kNewReader, 1, 6),
                                          Entry(5, kNewReader, 0, 9),
                                          Entry(10, kWebPage),
                                          Entry(11, kDocument),
                                          Entry(12, kReaderDocument, 1, 7),
                                          Entry(13, kReaderDocument, 1, 8),
                                          Entry(14, kCollectionDocument, 0, 0, " qmsa0001 "),
                                          Entry(15, kCollectionDocument, 0, 0, "XXXX0001"),
                                          Entry(16, kCollectionPage, 0, 0, "KRVT0001"),
                                          Entry(17, kCollectionPage, 0, 0, "XXXX0001"),
                                          Entry(18, kReaderPage, 1, 7),
                                          Entry(19, kReaderPage, 2, 7),
                                          Entry(20, 7),
                                          Entry(21, 8),
                                          Entry(22, 11),
                                          Entry(23, 0),
                                          Entry(30, kWebPage),
                                          Entry(31, kWebPage),
                                          Entry(32, kWebPage),
                                          Entry(33, kWebPage)};
  records[records.size() - 4].Expiry = kToday;        // expires today: gone
  records[records.size() - 3].Expiry = kToday + 0.9;  // today in the evening: gone as well
  records[records.size() - 2].Expiry = kToday - 1;    // yesterday
  records[records.size() - 1].Expiry = kToday + 1;    // tomorrow: still shown today
  const std::string file = dir.Sub("remote.dat");
  test::WriteFile(file, ListFile(records));
  const OfferList offers = ListOffers(file, kReader17);
  EXPECT_FALSE(offers.notice);
  EXPECT_EQ(Ids(offers), (std::vector<int32_t>{2, 3, 10, 11, 12, 14, 16, 18, 33}));
  EXPECT_TRUE(fs::exists(file));
}

TEST(OnlineList, AServiceNoticeAnywhereWithdrawsTheListAndDeletesTheFile) {
  test::TempDir dir;
  const std::string file = dir.Sub("remote.dat");
  for (size_t at : {0u, 2u, 4u}) {
    std::vector<TINetInfoRecord> records = {Entry(1, kWebPage), Entry(2, kDocument),
                                            Entry(3, kWebPage), Entry(4, kDocument)};
    records.insert(records.begin() + static_cast<long>(at), Entry(9, kServiceNotice));
    test::WriteFile(file, ListFile(records));
    const OfferList offers = ListOffers(file, kReader17);
    EXPECT_TRUE(offers.notice) << at;
    EXPECT_TRUE(offers.entries.empty()) << at;
    EXPECT_FALSE(fs::exists(file)) << at;
  }
  // The next listing finds no file: an empty list, no notice.
  const OfferList after = ListOffers(file, kReader17);
  EXPECT_FALSE(after.notice);
  EXPECT_TRUE(after.entries.empty());
}

TEST(OnlineList, WebAddressesKeepTheirPathAndOpenOnlyHttp) {
  EXPECT_EQ(WebAddress("  WWW.Example.ORG/Docs/Page.HTML?Q=Ab#Top "),
            "http://www.example.org/Docs/Page.HTML?Q=Ab#Top");
  EXPECT_EQ(WebAddress("HTTPS://User@Host.Example.org:8443/A/B"),
            "https://User@host.example.org:8443/A/B");
  EXPECT_EQ(WebAddress("http://[::1]:80/X"), "http://[::1]:80/X");
  EXPECT_EQ(WebAddress("httpfoo.example.org"), "http://httpfoo.example.org");
  for (const char* refused :
       {"", "   ", "ftp://example.org/x", "file:///etc/passwd", "javascript:alert(1)",
        "mailto:someone@example.org", "example.org:abc/x", "http:///path", "http://exa mple.org/",
        "http://a.org\n/x", "http://host:99999/"})
    EXPECT_EQ(WebAddress(refused), "") << refused;
}

TEST(OnlineService, RequestsCarryAgentReferenceAndProxy) {
  test::CatalogFixture f;
  test::CollectionSpec collection;
  collection.cdid = "QMSA0001";
  collection.title = "Sample";
  f.AddCollection("cd", collection);
  f.catalog->ScanCDs();
  HttpRequest r = OnlineRequest(*f.catalog, "http://h/web/caldrem.dat", true);
  EXPECT_EQ(r.user_agent, "reader 1.7 auto");
  EXPECT_EQ(r.referer, " QMSA0001");
  EXPECT_EQ(r.proxy_host, "");
  f.catalog->Settings().SetProxyServer(" proxy.example.org ");
  r = OnlineRequest(*f.catalog, "http://h/web/caldrem.dat", false);
  EXPECT_EQ(r.user_agent, "reader 1.7");
  EXPECT_EQ(r.proxy_host, "proxy.example.org");
  EXPECT_EQ(r.proxy_port, 80);  // "Port" still 0
  f.catalog->Settings().SetPort(3128);
  EXPECT_EQ(OnlineRequest(*f.catalog, "http://h/", false).proxy_port, 3128);
}

TEST(OnlineService, ADownloadDirectoryThatCannotBeCreatedIsReported) {
  test::CatalogFixture f;
  EXPECT_EQ(RemoteListFile(*f.catalog), JoinPath(f.dir.Sub("program/Download"), "remote.dat"));
  EXPECT_TRUE(fs::is_directory(f.dir.Sub("program/Download")));
  test::WriteFile(f.dir.Sub("file"), "not a directory");
  f.catalog->Settings().SetPath(f.dir.Sub("file"));
  EXPECT_THROW(f.catalog->GetDownloadDir(), EInOutError);
}

}  // namespace
}  // namespace quillmar

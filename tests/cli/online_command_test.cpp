#include <filesystem>

#include "cli/cli_fixture.h"
#include "online/inet_info.h"
#include "support/net/http_test_server.h"

namespace quillmar::test {
namespace {

namespace fs = std::filesystem;

TINetInfoRecord Entry(int32_t id, int32_t kind, int32_t major, int32_t minor,
                      const std::string& caption, const std::string& target) {
  TINetInfoRecord r;
  r.Id = id;
  r.Kind = kind;
  r.Major = major;
  r.Minor = minor;
  r.Caption = caption;
  r.Target = target;
  r.Expiry = 80000;  // the year 2119
  return r;
}

class OnlineCommandTest : public CliTest {
 protected:
  OnlineCommandTest() {
    std::string list;
    for (const TINetInfoRecord& r :
         {Entry(1, kNewReader, 1, 7, "Reader 1.7", "www.example.org/r17.exe"),
          Entry(2, kNewReader, 2, 0, "Reader 2.0", "www.example.org/r20.exe"),
          Entry(3, kWebPage, 0, 0, "Caf\xE9", "www.example.org/"),
          Entry(4, kDocument, 0, 0, "Guide",
                "127.0.0.1:" + std::to_string(server.Port()) + "/Docs/Guide.DAT"),
          Entry(5, kCollectionPage, 0, 0, "For a collection not installed", "x.org")})
      list += EncodeINetInfoRecord(r);
    server.Serve("/web/caldrem.dat", list);
    server.Serve("/Docs/Guide.DAT", "the guide");
  }

  std::string Stored() const { return dir.Sub("data/Download/remote.dat"); }

  HttpTestServer server;
};

TEST_F(OnlineCommandTest, RefreshPrintsTheListedEntriesAndAFailureKeepsTheStoredList) {
  const std::string listed =
      "2\t1\t2\t0\t\tReader 2.0\twww.example.org/r20.exe\n"
      "3\t2\t0\t0\t\tCaf\xC3\xA9\twww.example.org/\n"
      "4\t3\t0\t0\t\tGuide\t127.0.0.1:" +
      std::to_string(server.Port()) + "/Docs/Guide.DAT\n";
  CliResult r = Run("online refresh --url " + server.Url("/web/caldrem.dat"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, listed);
  EXPECT_EQ(server.Requests().at(0).headers.at("user-agent"), "reader 1.7");
  r = Run("online list --format json");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("{\"id\": 3, \"kind\": 2, \"major\": 0, \"minor\": 0, "
                       "\"cdid\": \"\", \"caption\": \"Caf\xC3\xA9\""),
            std::string::npos)
      << r.out;

  const std::string before = ReadFile(Stored());
  r = Run("online refresh --url " + server.Url("/web/missing.dat"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("404"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(Stored()), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Sub("data/Download")), {}), 1);

  // A tool whose network module is missing says so, and the stored list stays.
  const std::string lone = dir.Sub("lone/quillmar");
  fs::create_directories(dir.Sub("lone"));
  fs::copy_file(QUILLMAR_CLI_PATH, lone);
  r = Run("--version >/dev/null && " + lone + " online refresh --url " +
          server.Url("/web/caldrem.dat"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the network module '"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("quillmar_network"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(Stored()), before);
}

TEST_F(OnlineCommandTest, GetDownloadsADocumentOnceWithItsPathCaseKept) {
  ASSERT_EQ(Run("online refresh --url " + server.Url("/web/caldrem.dat")).status, 0);
  const std::string file = dir.Sub("data/Download/4.dat");
  CliResult r = Run("online get 4");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, file + "\n");
  EXPECT_EQ(ReadFile(file), "the guide");
  EXPECT_EQ(Run("online get 4").status, 0);
  EXPECT_EQ(server.Count("/Docs/Guide.DAT"), 1);
  fs::remove(file);
  EXPECT_EQ(Run("online get 4").status, 0);
  EXPECT_EQ(server.Count("/Docs/Guide.DAT"), 2);

  r = Run("online get 3");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no document"), std::string::npos) << r.err;
  EXPECT_EQ(Run("online get 5").status, 1);  // not listed: its collection is not installed
  EXPECT_EQ(Run("online get x").status, 2);
}

}  // namespace
}  // namespace quillmar::test

// The operator's commands: each succeeds and shows in the store, or fails with a message and
// writes nothing.
#include "admin_commands.h"
#include "csv_rules.h"
#include "rules_store.h"
#include "test_support.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

class Admin : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db = dir.File("rules.db");
        ASSERT_EQ(Run({"init", "--db", db}), 0) << err;
    }
    int Run(std::vector<std::string> args)
    {
        std::ostringstream o, e;
        int code = RunCommand(args, o, e);
        out = o.str();
        err = e.str();
        return code;
    }
    // The whole listing of rules, messages and notices: equal before and after a failed command.
    std::string Everything()
    {
        std::string all;
        for (const char* what : {"rule", "message", "notice"}) {
            Run({what, "list", "--db", db});
            all += out;
        }
        return all;
    }

    TempDir dir;
    std::string db, out, err;
};

TEST_F(Admin, RuleAddListRemove)
{
    ASSERT_EQ(Run({"rule", "add", "WWW.New-Phish.Example", "--phishing", "--country", "kr", "--db", db}), 0) << err;
    EXPECT_NE(out.find("host new-phish.example"), std::string::npos) << out;
    ASSERT_EQ(Run({"rule", "add", "http://Site.Example/a.html", "--exact", "--malware", "--age", "19", "--db", db}), 0);
    Run({"rule", "list", "--db", db});
    EXPECT_NE(out.find("host\tnew-phish.example\tphishing"), std::string::npos) << out;
    EXPECT_NE(out.find("exact\thttp://site.example/a.html\tmalware"), std::string::npos) << out;
    ASSERT_EQ(Run({"rule", "remove", "new-phish.example", "--db", db}), 0) << err;
    Run({"rule", "list", "--db", db});
    EXPECT_EQ(out.find("new-phish.example"), std::string::npos);
    EXPECT_EQ(Run({"rule", "remove", "new-phish.example", "--db", db}), 1);
}

TEST_F(Admin, BadInputIsRefusedAndNothingIsWritten)
{
    std::string before = Everything();
    struct Case
    {
        std::vector<std::string> args;
        int code;
    } cases[] = {
        {{"rule", "add", "bad host!", "--malware"}, 1},
        {{"rule", "add", "x.example", "--age", "17"}, 1},
        {{"rule", "add", "x.example", "--mark", "121099"}, 1},
        {{"rule", "add", "x.example", "--trust", "friend"}, 1},
        {{"rule", "add", "x.example", "--country", "KOR"}, 1},
        {{"rule", "add", "x.example", "--wrong-flag"}, 2},
        {{"rule", "add"}, 2},
        {{"message", "add", "--code", "abc", "--text", "x"}, 1},
        {{"message", "add", "--code", "121013", "--text", std::string(300, 'a')}, 1},
        {{"message", "add", "--code", "121013", "--text", "\xff\xfe"}, 1},
        {{"notice", "add", "--kind", "security", "--title", "t", "--link", "http://x/", "--date", "2026-01-01"}, 1},
        {{"notice", "add", "--kind", "event", "--title", "t", "--link", "http://x/"}, 1}, // no end date
        {{"notice", "add", "--kind", "nonsense", "--title", "t", "--link", "http://x/"}, 1},
        {{"notice", "add", "--kind", "security", "--title", "", "--link", "http://x/"}, 1},
        {{"notice", "remove", "99999"}, 1},
        {{"frobnicate"}, 2},
    };
    for (Case c : cases) {
        c.args.push_back("--db");
        c.args.push_back(db);
        EXPECT_EQ(Run(c.args), c.code) << c.args[0] << " " << c.args[1];
        EXPECT_FALSE(err.empty()) << c.args[0] << " " << c.args[1];
    }
    EXPECT_EQ(Everything(), before);
    // A mistyped database path is not created.
    EXPECT_EQ(Run({"rule", "list", "--db", dir.File("missing.db")}), 1);
    EXPECT_NE(err.find("no database"), std::string::npos);
    EXPECT_FALSE(std::ifstream(dir.File("missing.db")).good());
}

TEST_F(Admin, CsvImportIsAllOrNothing)
{
    std::string good = dir.File("good.csv");
    std::ofstream(good) << "pattern,match,phishing,malware,age,country,note\n"
                           "csv-one.example,host,1,0,0,KR,\"first, with comma\"\n"
                           "http://csv-two.example/x,exact,0,yes,19,US,\"quoted \"\"note\"\"\"\n";
    ASSERT_EQ(Run({"rule", "import", good, "--db", db}), 0) << err;
    EXPECT_NE(out.find("imported 2 rules"), std::string::npos);
    Run({"rule", "list", "--db", db});
    EXPECT_NE(out.find("csv-one.example\tphishing"), std::string::npos) << out;
    EXPECT_NE(out.find("first, with comma"), std::string::npos);
    EXPECT_NE(out.find("quoted \"note\""), std::string::npos);

    std::string before = Everything();
    std::string bad = dir.File("bad.csv");
    std::ofstream(bad) << "pattern,phishing\nfine.example,1\nnot a host,1\n";
    EXPECT_EQ(Run({"rule", "import", bad, "--db", db}), 1);
    EXPECT_NE(err.find("line 3"), std::string::npos) << err;
    std::ofstream(dir.File("bad2.csv")) << "pattern,colour\nx.example,red\n";
    EXPECT_EQ(Run({"rule", "import", dir.File("bad2.csv"), "--db", db}), 1);
    std::ofstream(dir.File("bad3.csv")) << "pattern,phishing\nx.example,\"1\n";
    EXPECT_EQ(Run({"rule", "import", dir.File("bad3.csv"), "--db", db}), 1);
    EXPECT_EQ(Everything(), before);
}

TEST_F(Admin, MessagesAndNotices)
{
    ASSERT_EQ(Run({"message", "add", "--code", "121011", "--text", "새 피싱 안내", "--db", db}), 0) << err;
    Run({"message", "list", "--db", db});
    EXPECT_NE(out.find("121011\t새 피싱 안내"), std::string::npos);
    ASSERT_EQ(Run({"notice", "add", "--kind", "police-press", "--title", "보도자료", "--link",
                   "http://127.0.0.1:8080/notice/p.html", "--date", "20261201", "--db", db}), 0) << err;
    EXPECT_NE(out.find("position 7"), std::string::npos);
    ASSERT_EQ(Run({"notice", "reset", "--db", db}), 0) << err;
    Run({"notice", "list", "--db", db});
    EXPECT_EQ(out, "number\tkind\tdate\tend\ttransient\ttitle\tlink\n");
    std::string error;
    auto store = RulesStore::OpenExisting(db, &error);
    ASSERT_TRUE(store) << error;
    auto snapshot = store->LoadSnapshot(&error);
    ASSERT_TRUE(snapshot) << error;
    for (int i = 0; i < kNoticeKinds; i++)
        EXPECT_EQ(snapshot->noticeSeq[i], 0);
    EXPECT_GT(snapshot->toolbarMsgSeq, 0);
}

TEST(ServerConfig, FileThenFlags)
{
    TempDir dir;
    std::string path = dir.File("server.conf");
    std::ofstream(path) << "# comment\nlisten = 127.0.0.2\ntoolbar_port = 9100\nframe_limit = 3\n"
                           "upgrade_component = PyxCleaner|PyxCleaner.exe|PC 최적화||3.1.0.2\n";
    ServerConfig c;
    std::string error;
    ASSERT_TRUE(ParseRunFlags(&c, {"--toolbar-port", "9200", "--config", path}, &error)) << error;
    EXPECT_EQ(c.listen, "127.0.0.2");
    EXPECT_EQ(c.toolbarPort, 9200);
    EXPECT_EQ(c.frameLimit, 3);
    ASSERT_EQ(c.components.size(), 1u);
    EXPECT_NE(RenderUpgradeIni(c).find("[PyxCleaner]\r\nname=PyxCleaner.exe\r\ndisplay_name=PC 최적화\r\nsub=\r\n"
                                       "version=3.1.0.2\r\n"), std::string::npos);
    ServerConfig d;
    EXPECT_FALSE(ParseRunFlags(&d, {"--frame-limit", "300"}, &error));
    EXPECT_FALSE(ParseRunFlags(&d, {"--listen", "localhost"}, &error));
    EXPECT_FALSE(ParseRunFlags(&d, {"--colour", "red"}, &error));
    EXPECT_FALSE(ParseRunFlags(&d, {"--toolbar-port"}, &error));
}

} // namespace

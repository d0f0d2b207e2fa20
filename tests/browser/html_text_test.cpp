// The stand-in's reading of pages: which frames a page declares and what text it shows.
#include "HtmlText.h"

#include <gtest/gtest.h>

namespace {

struct FrameCase {
    const char* html;
    std::vector<FrameDeclaration> expected;
};

class FindFramesTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FindFramesTest, FindsDeclaredFramesInOrder)
{
    const FrameCase& c = GetParam();
    std::vector<FrameDeclaration> found = FindFrames(c.html);
    ASSERT_EQ(c.expected.size(), found.size()) << c.html;
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(c.expected[i].src, found[i].src) << c.html;
        EXPECT_EQ(c.expected[i].name, found[i].name) << c.html;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, FindFramesTest,
    ::testing::Values(
        FrameCase{"<iframe src=\"a.html\" name=\"one\"></iframe><IFRAME SRC='b.html'>",
                  {{"a.html", "one"}, {"b.html", ""}}},
        FrameCase{"<frameset><frame name=left src=left.html><frame src=\"right.html\"></frameset>",
                  {{"left.html", "left"}, {"right.html", ""}}},
        // Look-alike attributes and tags are not frames.
        FrameCase{"<iframe data-src=\"x.html\"></iframe><frameset rows=\"1\"></frameset>", {}},
        FrameCase{"<img src=\"pic.png\"><iframe src=\"\"></iframe>", {}},
        FrameCase{"<iframe  name = \"n\"  src = \"http://127.0.0.1:1/f?a=1&b=2\" >",
                  {{"http://127.0.0.1:1/f?a=1&b=2", "n"}}},
        // An unterminated tag at the end is ignored, not read past the end.
        FrameCase{"<p>x</p><iframe src=\"late.html\"", {}}));

struct TextCase {
    const char* html;
    const char* text;
};

class HtmlToTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(HtmlToTextTest, ShowsVisibleText)
{
    EXPECT_EQ(GetParam().text, HtmlToText(GetParam().html));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, HtmlToTextTest,
    ::testing::Values(
        TextCase{"<html><head><title>T</title><style>p{}</style></head><body><h1>blocked</h1>"
                 "<p>POST Lumora=NoCheck&amp;url=x</p></body></html>",
                 "blocked\nPOST Lumora=NoCheck&url=x"},
        TextCase{"<script>var a = '<p>no</p>';</script>shown", "shown"},
        TextCase{"a  \n\t b<br>c&nbsp;d &#65;&lt;&gt;", "a b\nc d A<>"},
        TextCase{"", ""}));

TEST(FindCharsetTest, HeaderFirstThenMeta)
{
    EXPECT_EQ("utf-8", FindCharset("text/html; charset=UTF-8", "<meta charset=euc-kr>"));
    EXPECT_EQ("euc-kr", FindCharset("text/html", "<meta http-equiv=\"Content-Type\" "
                                                 "content=\"text/html; charset=euc-kr\">"));
    EXPECT_EQ("", FindCharset("", "<p>none</p>"));
}

}  // namespace

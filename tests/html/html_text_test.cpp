#include "html/html_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace quellon::testing {
namespace {

using html::Document;
using html::ParseHtml;

std::string Body(std::string_view page) {
    return std::string(ParseHtml(page).BodyText());
}

// Inner texts of every element with that tag name, in document order.
std::vector<std::string> TextsOf(const Document& doc, std::string_view name) {
    std::vector<std::string> out;
    for (size_t i = 0; i < doc.elements.size(); ++i) {
        if (doc.elements[i].name == name) {
            out.emplace_back(doc.InnerText(i));
        }
    }
    return out;
}

TEST(HtmlCommentTest, EveryWayACommentEndsOrDoesNot) {
    EXPECT_EQ(Body("a<!-->b"), "ab");
    EXPECT_EQ(Body("a<!--->b"), "ab");
    EXPECT_EQ(Body("a<!---->b"), "ab");
    EXPECT_EQ(Body("a<!-- x -- y -->b"), "ab");
    EXPECT_EQ(Body("a<!-- x --!>b"), "ab");
    EXPECT_EQ(Body("a<!-- x --->b"), "ab");
    EXPECT_EQ(Body("a<!-- <!-- nested --> b -->c"), "a b -->c");
    EXPECT_EQ(Body("a<!-- x -- >still comment-->b"), "ab");
    // A comment left open hides the rest of the page.
    EXPECT_EQ(Body("a<!-- Defination version : 3"), "a");
    EXPECT_EQ(Body("a<!--"), "a");
    // Bogus comments: processing instructions, "</" + non-letter, CDATA in HTML.
    EXPECT_EQ(Body("a<?php echo 1 ?>b"), "ab");
    EXPECT_EQ(Body("a</ x>b"), "ab");
    EXPECT_EQ(Body("a</>b"), "ab");
    EXPECT_EQ(Body("a<![CDATA[x]]>b"), "ab");
    EXPECT_EQ(Body("a<!ELEMENT x>b"), "ab");
}

TEST(HtmlRawTextTest, ScriptsAndStylesAreNeverText) {
    EXPECT_EQ(Body("<script>if (a<b && c>d) x = \"</p>\";</script>after"), "after");
    EXPECT_EQ(Body("<SCRIPT type=x>hidden</SCRIPT >after"), "after");
    EXPECT_EQ(Body("<style>p { content: \"<b>x</b>\" }</style>after"), "after");
    EXPECT_EQ(Body("<style>a</style\t>b"), "b");
    // "</scriptx>" is no end tag; the script runs on.
    EXPECT_EQ(Body("<script>a</scriptx>b</script>c"), "c");
    // Escaped and double-escaped script text: "</script>" inside
    // "<!--<script>" does not end the script.
    EXPECT_EQ(Body("<script><!--document.write(\"<script></script>\")--></script>after"), "after");
    EXPECT_EQ(Body("<script><!-- x --></script>after"), "after");
    EXPECT_EQ(Body("<script><!--<script>x</script>--></script>after"), "after");
    // A self-closing script still holds raw text.
    EXPECT_EQ(Body("<script/>hidden</script>shown"), "shown");
    // A script that never ends hides the rest.
    EXPECT_EQ(Body("before<script>var s = 'Defination version : 9';"), "before");
    EXPECT_EQ(Body("<template><p>t</p></template><iframe><b>f</b></iframe>x"), "x");
    EXPECT_EQ(Body("<noembed>n</noembed><noframes>m</noframes>x"), "x");
    // xmp and plaintext are raw text that is shown.
    EXPECT_EQ(Body("<xmp><b>x</b></xmp>"), "<b>x</b>");
    EXPECT_EQ(Body("<plaintext><b>x</plaintext></b>"), "<b>x</plaintext></b>");
}

TEST(HtmlRawTextTest, TitleAndTextareaHoldTextWithReferences) {
    const Document doc = ParseHtml("<title>A <b> &amp; B</title><textarea>\n<i>&lt;x</textarea>");
    EXPECT_EQ(TextsOf(doc, "title"), (std::vector<std::string>{"A <b> & B"}));
    EXPECT_EQ(TextsOf(doc, "textarea"), (std::vector<std::string>{"<i><x"}));
    EXPECT_EQ(doc.BodyText(), "<i><x");
    EXPECT_EQ(TextsOf(doc, "b"), std::vector<std::string>{});
}

TEST(HtmlCharacterReferenceTest, NamedReferences) {
    EXPECT_EQ(Body("&amp;&lt;&gt;&quot;&apos;"), "&<>\"'");
    EXPECT_EQ(Body("&copy; &reg &AElig &nbsp;|"), "\xA9 \xAE \xC6 \xA0|");
    // Legacy names without ";" match the longest name they begin with.
    EXPECT_EQ(Body("&ampx &notit; &notin;"), "&x \xACit; ?");
    EXPECT_EQ(Body("&AMP &amp"), "& &");
    // Names that need their ";" are text without it.
    EXPECT_EQ(Body("&hellip &hellip;"), "&hellip \x85");
    EXPECT_EQ(Body("&unknown; & &; &#"), "&unknown; & &; &#");
    // Two code points, neither in Windows-1252.
    EXPECT_EQ(Body("&NotEqualTilde;"), "??");
    EXPECT_EQ(Body("&euro;&trade;&mdash;&lsquo;"), "\x80\x99\x97\x91");
}

TEST(HtmlCharacterReferenceTest, NumericReferencesAndTheirEdgeCases) {
    EXPECT_EQ(Body("&#65;&#x41;&#X41;&#65&#x41z"), "AAAAAz");
    EXPECT_EQ(Body("&#0065;&#x000041;"), "AA");
    // Zero, surrogates and values past U+10FFFF are U+FFFD, shown as "?".
    EXPECT_EQ(Body("[&#0;][&#xD800;][&#xDFFF;][&#x110000;][&#99999999999999999999;]"),
              "[?][?][?][?][?]");
    // 0x80-0x9F are read as Windows-1252 characters.
    EXPECT_EQ(Body("&#x80;&#150;&#x9F;"), "\x80\x96\x9F");
    // The five codes Windows-1252 leaves unassigned stay as they are.
    EXPECT_EQ(Body("&#x81;&#x8D;"), "\x81\x8D");
    EXPECT_EQ(Body("&#xE9;&#233;"), "\xE9\xE9");
    EXPECT_EQ(Body("&#x4E2D;"), "?");
    // Without digits the text stays as written.
    EXPECT_EQ(Body("&#x; &#; &#xg;"), "&#x; &#; &#xg;");
}

TEST(HtmlCharacterReferenceTest, AttributesAreNotTextAndDoNotEndTags) {
    EXPECT_EQ(Body("<a title=\"x>y\" href='a>b' data=c>link</a>"), "link");
    EXPECT_EQ(Body("<a title=\"Defination version : 9\">x</a>"), "x");
    EXPECT_EQ(Body("<img alt=\"picture\">x"), "x");
    EXPECT_EQ(Body("<p =x \"a\"=b 'c' <d>y</p>"), "y");
    // A tag cut off by the end of the page is dropped.
    EXPECT_EQ(Body("text<b"), "text");
    EXPECT_EQ(Body("text<a href=\"x"), "text");
    EXPECT_EQ(Body("a < b"), "a < b");
    EXPECT_EQ(Body("a <3 b<"), "a <3 b<");
}

TEST(HtmlDoctypeTest, TheFirstGreaterThanEndsIt) {
    EXPECT_EQ(Body("<!DOCTYPE html>x"), "x");
    EXPECT_EQ(Body("<!doctype html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">x"), "x");
    // Even inside a quoted identifier.
    EXPECT_EQ(Body("<!DOCTYPE html PUBLIC \"a>b\">x"), "b\">x");
    EXPECT_EQ(Body("<!DOCTYPE"), "");
}

TEST(HtmlCdataTest, TextInsideSvgAndMathOnly) {
    const Document doc = ParseHtml("<svg><![CDATA[a<b>&amp;]]]></svg><math><![CDATA[m]]></math>");
    EXPECT_EQ(TextsOf(doc, "svg"), (std::vector<std::string>{"a<b>&amp;]"}));
    EXPECT_EQ(TextsOf(doc, "math"), (std::vector<std::string>{"m"}));
    // Inside an SVG foreignObject the content is HTML again: in its HTML
    // elements CDATA is a comment.
    EXPECT_EQ(Body("<svg><foreignObject><p><![CDATA[x]]>y</p></foreignObject></svg>"), "y");
    // An HTML element breaks out of SVG.
    const Document out = ParseHtml("<svg><g>g<p>p</svg>q");
    EXPECT_EQ(TextsOf(out, "svg"), (std::vector<std::string>{"g"}));
    EXPECT_EQ(TextsOf(out, "p"), (std::vector<std::string>{"pq"}));
}

TEST(HtmlEncodingTest, ByteOrderMarkThenHeaderThenMetaThenWindows1252) {
    // Windows-1252 by default: the bytes are the program's text already.
    EXPECT_EQ(Body("caf\xE9 \x80"), "caf\xE9 \x80");
    EXPECT_EQ(ParseHtml("x").encoding, "windows-1252");
    EXPECT_EQ(Body("<meta charset=\"utf-8\">caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD"),
              "caf\xE9 \x80 ?");
    EXPECT_EQ(Body("<meta http-equiv=Content-Type content='text/html; charset=UTF-8'>\xC3\xA9"),
              "\xE9");
    // Ill-formed UTF-8: one "?" for each broken part.
    EXPECT_EQ(Body("<meta charset=utf-8>a\xC3z\xE2\x82"), "a?z?");
    // A meta inside a comment declares nothing.
    EXPECT_EQ(ParseHtml("<!--<meta charset=utf-8>-->x").encoding, "windows-1252");
    EXPECT_EQ(ParseHtml("\xEF\xBB\xBF\xC3\xA9").BodyText(), "\xE9");
    EXPECT_EQ(ParseHtml("<meta charset=utf-8>\xE9", "ISO-8859-1").BodyText(), "\xE9");
    EXPECT_EQ(ParseHtml("\xE9", "nonsense").encoding, "windows-1252");
    // UTF-16 with its byte-order mark, a pair of surrogates included
    // (U+1D11E, which Windows-1252 does not have), and an odd byte at the end.
    auto bytes = [](std::initializer_list<int> list) {
        std::string out;
        for (int b : list) {
            out += static_cast<char>(b);
        }
        return out;
    };
    EXPECT_EQ(
        ParseHtml(bytes({0xFF, 0xFE, '<', 0, 'b', 0, '>', 0, 0xE9, 0, 0x34, 0xD8, 0x1E, 0xDD, 'x'}))
            .BodyText(),
        "\xE9??");
    EXPECT_EQ(ParseHtml(bytes({0xFE, 0xFF, 0, 'A', 0, 0xE9})).BodyText(), "A\xE9");
    // A lone surrogate is U+FFFD.
    EXPECT_EQ(ParseHtml(bytes({0xFF, 0xFE, 0x00, 0xDC, 'z', 0})).BodyText(), "?z");
    // A page that calls itself UTF-16 without a byte-order mark is UTF-8.
    EXPECT_EQ(ParseHtml("<meta charset=utf-16>x").encoding, "utf-8");
    EXPECT_EQ(html::CharsetOfContentType("text/html;charset=\"win-x\" "), "win-x");
    EXPECT_EQ(html::CharsetOfContentType("text/html; charset = utf-8; x=y"), "utf-8");
    EXPECT_EQ(html::CharsetOfContentType("text/html"), "");
}

TEST(HtmlTreeTest, InnerTextReadsAsTheBrowserShowsIt) {
    // White space collapses; blocks and breaks stand on their own lines;
    // cells are kept apart.
    EXPECT_EQ(Body("  a \n\t b  <b>c</b>d <p>e</p><div>f<br>g</div><span>h</span>"),
              "a b cd\r\ne\r\nf\r\ng\r\nh");
    EXPECT_EQ(Body("<table><tr><td>1<td>2</tr><tr><th>3</table>"), "1 2\r\n3");
    // Pre-formatted text keeps its blanks and lines; the first line feed
    // after "<pre>" is not text.
    EXPECT_EQ(Body("<pre>\n a  b\r\nc\rd</pre>"), " a  b\r\nc\r\nd");
    EXPECT_EQ(Body("x<p></p><p></p>y"), "x\r\ny");
    EXPECT_EQ(Body("x</p>y"), "x\r\ny");
    EXPECT_EQ(Body("x</br>y"), "x\r\ny");
}

TEST(HtmlTreeTest, ImplicitClosesOfOrdinaryPages) {
    const Document doc = ParseHtml(
        "<ul><li>one<li>two<ul><li>inner</ul></ul>"
        "<p>para<div>block</div>"
        "<dl><dt>term<dd>def</dl>"
        "<select><option>o1<option>o2</select>"
        "<h1>h<h2>i</h2>");
    EXPECT_EQ(TextsOf(doc, "li"), (std::vector<std::string>{"one", "two\r\ninner", "inner"}));
    EXPECT_EQ(TextsOf(doc, "p"), (std::vector<std::string>{"para"}));
    EXPECT_EQ(TextsOf(doc, "dt"), (std::vector<std::string>{"term"}));
    EXPECT_EQ(TextsOf(doc, "option"), (std::vector<std::string>{"o1", "o2"}));
    EXPECT_EQ(TextsOf(doc, "h1"), (std::vector<std::string>{"h"}));
    // Stray end tags do not close what they do not name.
    const Document stray = ParseHtml("<div><span>a</b>b</div>c</span>d");
    EXPECT_EQ(TextsOf(stray, "span"), (std::vector<std::string>{"ab"}));
    EXPECT_EQ(TextsOf(stray, "div"), (std::vector<std::string>{"ab"}));
    EXPECT_EQ(stray.BodyText(), "ab\r\ncd");
    // A cell's end tag does not pass its table.
    const Document table = ParseHtml(
        "<table><tr><td><table><tr><td>x</td></tr></table>y</td>"
        "</tr></table>z");
    EXPECT_EQ(TextsOf(table, "td"), (std::vector<std::string>{"x\r\ny", "x"}));
}

TEST(HtmlTreeTest, HeadAndBodyAreImplied) {
    const Document doc = ParseHtml("<title>T</title><meta charset=x>  text");
    ASSERT_GE(doc.elements.size(), 4u);
    EXPECT_EQ(doc.elements[0].name, "html");
    EXPECT_EQ(doc.elements[1].name, "head");
    EXPECT_EQ(doc.elements[doc.body].name, "body");
    EXPECT_EQ(doc.elements[doc.body].parent, 0u);
    EXPECT_EQ(doc.BodyText(), "text");
    EXPECT_EQ(doc.InnerText(0), "T\r\ntext");
    // Every page has a body, even an empty one.
    EXPECT_NE(ParseHtml("").body, html::kNone);
    EXPECT_EQ(ParseHtml("").BodyText(), "");
    // Content after "</body></html>" still belongs to the body.
    EXPECT_EQ(Body("<body>a</body></html>b"), "ab");
}

TEST(HtmlTreeTest, MarkerNestedInElementsAfterADecoyComment) {
    const Document doc = ParseHtml(
        "<html><body><!-- Defination version : 99 -->"
        "<table><tr><td><font size=2><b>Defination version : </b>42</font></td>"
        "<td>2024</td></tr></table></body></html>");
    // The first element whose inner text holds the marker is the root; the
    // innermost one is the font element.
    size_t first = html::kNone;
    for (size_t i = 0; i < doc.elements.size(); ++i) {
        if (doc.InnerText(i).find("Defination version :") != std::string_view::npos) {
            first = first == html::kNone ? i : first;
        }
    }
    ASSERT_EQ(first, 0u);
    EXPECT_EQ(doc.InnerText(0), "Defination version : 42 2024");
    EXPECT_EQ(TextsOf(doc, "font"), (std::vector<std::string>{"Defination version : 42"}));
}

// Every element's text lies inside its parent's, and the document's text
// holds them all; what the bytes are does not matter.
void CheckInvariants(const Document& doc) {
    ASSERT_FALSE(doc.elements.empty());
    ASSERT_LT(doc.body, doc.elements.size());
    for (size_t i = 0; i < doc.elements.size(); ++i) {
        const html::Element& e = doc.elements[i];
        ASSERT_LE(e.textBegin, e.textEnd);
        ASSERT_LE(e.textEnd, doc.text.size());
        if (i > 0) {
            ASSERT_LT(e.parent, i);
            const html::Element& p = doc.elements[e.parent];
            ASSERT_LE(p.textBegin, e.textBegin);
            ASSERT_LE(e.textEnd, p.textEnd);
        }
    }
}

TEST(HtmlRobustnessTest, AnyBytesGiveAWellFormedDocument) {
    const std::vector<std::string> pieces = {"<",
                                             ">",
                                             "</",
                                             "<!--",
                                             "-->",
                                             "--!>",
                                             "<!-",
                                             "-",
                                             "!",
                                             "<script>",
                                             "</script>",
                                             "<style>",
                                             "</style",
                                             "<title>",
                                             "</title>",
                                             "<textarea>",
                                             "<svg>",
                                             "</svg>",
                                             "<math>",
                                             "<![CDATA[",
                                             "]]>",
                                             "&",
                                             "&amp",
                                             "&#",
                                             "&#x",
                                             "&#x10FFFF;",
                                             "&notin",
                                             ";",
                                             "\"",
                                             "'",
                                             "=",
                                             " ",
                                             "\n",
                                             "\r",
                                             "\0",
                                             "<p>",
                                             "</p>",
                                             "<td>",
                                             "<table>",
                                             "<li>",
                                             "<pre>",
                                             "<br/>",
                                             "<!DOCTYPE",
                                             "a",
                                             "\xC3",
                                             "\xFF\xFE",
                                             "<meta charset=utf-8>",
                                             "<plaintext>",
                                             "<foreignObject>",
                                             "<template>",
                                             "</body>",
                                             "<head>",
                                             "<a href=",
                                             "<!--<script>"};
    std::mt19937 rng(20240531);
    for (int round = 0; round < 4000; ++round) {
        std::string page;
        const int n = static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i) {
            if (rng() % 4 == 0) {
                page += static_cast<char>(rng() % 256);
            } else {
                page += pieces[rng() % pieces.size()];
            }
        }
        SCOPED_TRACE(page);
        CheckInvariants(ParseHtml(page));
        CheckInvariants(ParseHtml(page, "utf-16be"));
    }
}

TEST(HtmlRobustnessTest, DeepNestingAndLongInputsStayLinear) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "<div><span>";
    }
    deep += "x";
    const Document doc = ParseHtml(deep);
    CheckInvariants(doc);
    EXPECT_EQ(doc.BodyText(), "x");
    EXPECT_EQ(doc.InnerText(doc.elements.size() - 1), "x");
    const Document refs = ParseHtml(std::string(200000, '&'));
    EXPECT_EQ(refs.BodyText().size(), 200000u);
}

}  // namespace
}  // namespace quellon::testing

// The feed document reader on its own: what the parser is given, what a deal's values read as,
// and that nothing outside the document is ever opened.
#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "deals/deal_feed.h"
#include "services/errors.h"
#include "test_support.h"

namespace {

std::string Wrap(const std::string& dealContent) {
    return "<deals><deal>" + dealContent + "</deal></deals>";
}

std::string ValueOf(const std::string& body, const char* name, int index = 0) {
    FeedDocument document(body);
    return document.deal(index).value(name);
}

struct ValueCase {
    const char* label;
    std::string body;
    const char* name;
    std::string expected;
};

class FeedValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(FeedValueTest, ReadsTheValue) {
    const ValueCase& c = GetParam();
    EXPECT_EQ(ValueOf(c.body, c.name), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Values, FeedValueTest,
    ::testing::Values(
        ValueCase{"plain text", Wrap("<nick>shop</nick>"), "nick", "shop"},
        ValueCase{"missing element", Wrap("<nick>shop</nick>"), "itemurl", ""},
        ValueCase{"empty element", Wrap("<itemurl/>"), "itemurl", ""},
        ValueCase{"empty pair", Wrap("<itemurl></itemurl>"), "itemurl", ""},
        ValueCase{"first of two", Wrap("<price>1.5</price><price>2.5</price>"), "price", "1.5"},
        ValueCase{"order of elements is free", Wrap("<b>2</b><price>7</price><a>1</a>"), "price",
                  "7"},
        ValueCase{"name is case-sensitive", Wrap("<Price>1.5</Price>"), "price", ""},
        ValueCase{"attribute is no value", "<deals><deal price=\"3\"/></deals>", "price", ""},
        ValueCase{"cdata section", Wrap("<full_title><![CDATA[a <b> & c]]></full_title>"),
                  "full_title", "a <b> & c"},
        ValueCase{"entity and character references",
                  Wrap("<nick>a&amp;b&#x4E2D;&#25991;&lt;</nick>"), "nick", "a&b中文<"},
        ValueCase{
            "internal entity joins the text",
            "<!DOCTYPE deals [<!ENTITY shop \"Big Shop\">]>" + Wrap("<nick>my &shop;!</nick>"),
            "nick", "my Big Shop!"},
        ValueCase{"nested internal entities",
                  "<!DOCTYPE deals [<!ENTITY a \"A\"><!ENTITY b \"&a;&a;\">]>" +
                      Wrap("<nick>&b;-&b;</nick>"),
                  "nick", "AA-AA"},
        ValueCase{"blank value stays", Wrap("<nick>  </nick>"), "nick", "  "},
        ValueCase{"utf-8 text", Wrap("<nick>小店</nick>"), "nick", "小店"},
        ValueCase{"lone CR becomes a line break", Wrap("<nick>a\rb</nick>"), "nick", "a\nb"},
        ValueCase{"lone LF", Wrap("<nick>a\nb</nick>"), "nick", "a\nb"},
        ValueCase{"CR LF", Wrap("<nick>a\r\nb</nick>"), "nick", "a\nb"},
        ValueCase{"body ends at its first NUL",
                  std::string("<deals><deal><nick>x</nick></deal></deals>\0<junk", 47), "nick",
                  "x"},
        ValueCase{"default namespace on deal and values",
                  "<deals xmlns=\"urn:z\"><deal><price>4</price></deal></deals>", "price", "4"},
        ValueCase{"prefixed value found by local name",
                  "<z:deals xmlns:z=\"urn:z\"><z:deal><z:price>4</z:price></z:deal></z:deals>",
                  "price", "4"},
        ValueCase{"prefixed value found by qualified name",
                  "<z:deals xmlns:z=\"urn:z\"><z:deal><z:price>4</z:price></z:deal></z:deals>",
                  "z:price", "4"},
        ValueCase{"value outside the deal's namespace is not seen",
                  "<z:deals xmlns:z=\"urn:z\"><z:deal><price>4</price></z:deal></z:deals>", "price",
                  ""},
        ValueCase{"other namespace is skipped for a later match",
                  "<deals xmlns:o=\"urn:o\"><deal xmlns=\"urn:z\"><o:price>1</o:price>"
                  "<price>2</price></deal></deals>",
                  "price", "2"},
        ValueCase{"deal without namespace sees prefixed values",
                  "<deals xmlns:o=\"urn:o\"><deal><o:price>1</o:price></deal></deals>", "price",
                  "1"}),
    [](const ::testing::TestParamInfo<ValueCase>& info) {
        std::string name;
        for (const char* p = info.param.label; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

struct MixedCase {
    const char* label;
    std::string content;
};

TEST(FeedValue, MixedContentIsAnError) {
    const MixedCase cases[] = {
        {"child element", "<price><b>1</b></price>"},
        {"comment beside text", "<price>1<!-- c -->2</price>"},
        {"comment alone", "<price><!-- c --></price>"},
        {"two cdata sections", "<price><![CDATA[1]]><![CDATA[2]]></price>"},
        {"text and cdata", "<price>1<![CDATA[2]]></price>"},
        {"processing instruction", "<price><?pi x?></price>"},
    };
    for (const MixedCase& c : cases) {
        FeedDocument document(Wrap(c.content));
        try {
            document.deal(0).value("price");
            ADD_FAILURE() << c.label << ": no error";
        } catch (const ZorviaError& error) {
            EXPECT_STREQ(error.what(), "Element does not contain a single text node") << c.label;
        }
    }
}

TEST(FeedValue, NonElementDealReadsEverythingEmpty) {
    FeedDocument document("<deals><deal/><!-- c --><?pi x?>text</deals>");
    ASSERT_EQ(document.dealCount(), 4);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(document.deal(i).value("price"), "") << i;
}

struct ShapeCase {
    const char* label;
    std::string body;
    bool root;
    int deals;
};

TEST(FeedDocumentShape, RootChildrenInDocumentOrder) {
    const ShapeCase cases[] = {
        {"empty body", "", false, 0},
        {"body that starts with NUL", std::string("\0<deals/>", 9), false, 0},
        {"root without children", "<deals/>", true, 0},
        {"any root name and attributes", "<list version=\"2\"><a/><b/></list>", true, 2},
        {"blank text between deals is dropped", "<deals>\r\n  <deal/>\r\n  <deal/>\r\n</deals>",
         true, 2},
        {"blank text with LF only", "<deals>\n\t<deal/>\n\t<deal/>\n</deals>", true, 2},
        {"comment between deals is a node", "<deals><deal/><deal/><!-- c --><deal/></deals>", true,
         4},
        {"text between deals is a node", "<deals><deal/> x <deal/></deals>", true, 3},
    };
    for (const ShapeCase& c : cases) {
        FeedDocument document(c.body);
        EXPECT_EQ(document.hasRoot(), c.root) << c.label;
        EXPECT_EQ(document.dealCount(), c.deals) << c.label;
    }
}

TEST(FeedDocumentShape, NotWellFormedIsAnError) {
    const std::string bodies[] = {"<deals><deal></deals>", "just text", "<deals></deals><x/>",
                                  "<?xml version=\"1.0\" encoding=\"no-such-code\"?><deals/>",
                                  "   "};
    for (const std::string& body : bodies)
        EXPECT_THROW(FeedDocument document(body), ZorviaError) << body;
}

TEST(FeedDocumentEncoding, DeclaredGbkIsDecoded) {
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<deals><deal><short_title>" +
        ToGbk("新款夏季连衣裙") + "</short_title><nick>" + ToGbk("旗舰店") +
        "</nick></deal></deals>";
    FeedDocument document(body);
    EXPECT_EQ(document.deal(0).value("short_title"), "新款夏季连衣裙");
    EXPECT_EQ(document.deal(0).value("nick"), "旗舰店");
}

TEST(FeedDocumentEncoding, Utf8ByteOrderMarkAndNoDeclaration) {
    EXPECT_EQ(ValueOf("\xEF\xBB\xBF<deals><deal><nick>店</nick></deal></deals>", "nick"), "店");
    EXPECT_EQ(ValueOf("<deals><deal><nick>店</nick></deal></deals>", "nick"), "店");
}

TEST(FeedDocumentEncoding, SixteenBitDocumentCannotBeRead) {
    // UTF-16 has NUL bytes in every ASCII character: the body is cut after its first byte.
    const std::string utf16("<\0d\0/\0>\0", 8);
    EXPECT_THROW(FeedDocument document(utf16), ZorviaError);
}

// What the process writes to its standard error while fn runs.
template <typename Fn>
std::string StderrDuring(Fn fn) {
    std::fflush(stderr);
    FILE* capture = std::tmpfile();
    const int saved = dup(fileno(stderr));
    dup2(fileno(capture), fileno(stderr));
    fn();
    std::fflush(stderr);
    dup2(saved, fileno(stderr));
    close(saved);
    std::string text;
    std::rewind(capture);
    for (int c; (c = std::fgetc(capture)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(capture);
    return text;
}

TEST(FeedDocumentEncoding, UnreadableBytesAreRefusedWithoutAWordOnStderr) {
    // Bytes that are no GBK at all, and a declared encoding that does not exist: both are
    // refused, and the program says nothing about it on its own.
    const std::string bodies[] = {
        "<?xml version=\"1.0\" encoding=\"GBK\"?><deals><deal><nick>\xFF\xFF\x81</nick>"
        "</deal></deals>",
        "<?xml version=\"1.0\" encoding=\"no-such-code\"?><deals/>"};
    for (const std::string& body : bodies) {
        const std::string printed =
            StderrDuring([&] { EXPECT_THROW(FeedDocument document(body), ZorviaError); });
        EXPECT_EQ(printed, "") << body;
    }
}

// Nothing outside the document is read, whichever way the feed asks for it.
class ExternalResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = MakeTempFolder("zorvia-xxe-");
        m_secret = m_folder + "/secret.txt";
        std::ofstream(m_secret) << "TOPSECRET";
        std::ofstream(m_folder + "/evil.dtd")
            << "<!ENTITY leak \"TOPSECRET\"><!ENTITY % inner SYSTEM \"file://" + m_secret + "\">";
    }
    void TearDown() override { RemoveFolder(m_folder); }

    std::string m_folder;
    std::string m_secret;
};

TEST_F(ExternalResourceTest, NoExternalEntityOrDtdIsLoaded) {
    const std::string url = "file://" + m_secret;
    const std::string dtd = "file://" + m_folder + "/evil.dtd";
    const std::string bodies[] = {
        "<!DOCTYPE deals [<!ENTITY xxe SYSTEM \"" + url + "\">]>" + Wrap("<nick>&xxe;</nick>"),
        "<!DOCTYPE deals [<!ENTITY xxe SYSTEM \"" + m_secret + "\">]>" +
            Wrap("<nick>a&xxe;b</nick>"),
        "<!DOCTYPE deals [<!ENTITY % ext SYSTEM \"" + dtd + "\"> %ext;]>" +
            Wrap("<nick>&leak;</nick>"),
        "<!DOCTYPE deals SYSTEM \"" + dtd + "\">" + Wrap("<nick>&leak;</nick>"),
        "<!DOCTYPE deals [<!ENTITY xxe PUBLIC \"-//x//y\" \"" + url + "\">]>" +
            Wrap("<nick>&xxe;</nick>"),
    };
    const xmlExternalEntityLoader before = xmlGetExternalEntityLoader();
    for (const std::string& body : bodies) {
        try {
            FeedDocument document(body);
            if (document.dealCount() > 0) {
                const std::string nick = document.deal(0).value("nick");
                EXPECT_EQ(nick.find("TOPSECRET"), std::string::npos) << body;
            }
        } catch (const ZorviaError&) {
            // Refusing the document is as good as not reading the file.
        }
        EXPECT_EQ(xmlGetExternalEntityLoader(), before) << "the loader is put back";
    }
}

TEST(FeedDocumentEntities, BillionLaughsEndsWithoutExpanding) {
    std::string body = "<?xml version=\"1.0\"?><!DOCTYPE deals [<!ENTITY lol \"lol\">";
    body += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">";
    for (int i = 2; i <= 9; ++i) {
        const std::string prev = "&lol" + std::to_string(i - 1) + ";";
        std::string def;
        for (int k = 0; k < 10; ++k)
            def += prev;
        body += "<!ENTITY lol" + std::to_string(i) + " \"" + def + "\">";
    }
    body += "]>" + Wrap("<nick>&lol9;</nick>");
    // The parser's own limits refuse it at once, long before the 3 GB it names.
    EXPECT_THROW(FeedDocument document(body), ZorviaError);
}

TEST(FeedDocumentEntities, QuadraticBlowupIsBounded) {
    // One large entity referenced many times: no nesting, but a big expansion.
    const std::string big(20000, 'x');
    std::string refs;
    for (int i = 0; i < 2000; ++i)
        refs += "&big;";
    const std::string body =
        "<!DOCTYPE deals [<!ENTITY big \"" + big + "\">]>" + Wrap("<nick>" + refs + "</nick>");
    // 40 MB of text is not a deal value: the reader stops instead of building it.
    FeedDocument document(body);
    EXPECT_THROW(document.deal(0).value("nick"), ZorviaError);
    EXPECT_EQ(document.deal(0).value("price"), "") << "the other values stay readable";
}

TEST(FeedDocumentEntities, ValuesBelowTheLimitCannotMultiplyTheFeedWithoutEnd) {
    // Each deal's nick expands to 8 MB, just below what one value may be; twenty of them would
    // turn a 130 kB feed into 160 MB that the deal tiles keep.
    const std::string big(100000, 'x');
    std::string refs;
    for (int i = 0; i < 80; ++i)
        refs += "&big;";
    std::string body = "<!DOCTYPE deals [<!ENTITY big \"" + big + "\">]><deals>";
    const int deals = 20;
    for (int i = 0; i < deals; ++i)
        body += "<deal><nick>" + refs + "</nick><price>" + std::to_string(i) + "</price></deal>";
    body += "</deals>";

    FeedDocument document(body);
    ASSERT_EQ(document.dealCount(), deals);
    const std::string first = document.deal(0).value("nick");
    EXPECT_EQ(first.size(), 8000000u) << "a large value on its own still reads";
    EXPECT_EQ(first.find_first_not_of('x'), std::string::npos);
    size_t expanded = 8000000;
    int refusedFrom = -1;
    for (int i = 1; i < deals; ++i) {
        try {
            expanded += document.deal(i).value("nick").size();
        } catch (const ZorviaError& error) {
            EXPECT_STREQ(error.what(), "Entity expansion too large") << i;
            if (refusedFrom < 0)
                refusedFrom = i;
        }
    }
    EXPECT_GT(refusedFrom, 0) << "every nick was expanded in full";
    EXPECT_LT(expanded, static_cast<size_t>(deals) * 8000000u);
    for (int i = 0; i < deals; ++i)
        EXPECT_EQ(document.deal(i).value("price"), std::to_string(i)) << "values without entities";
}

}  // namespace

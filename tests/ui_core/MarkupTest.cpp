#include <gtest/gtest.h>

#include <string>

#include "ui/core/Markup.h"

using SkinUI::CMarkup;
using SkinUI::CMarkupNode;

namespace {

std::wstring ErrorOf(CMarkup& markup)
{
    wchar_t message[100] = { 0 };
    markup.GetLastErrorMessage(message, 99);
    return message;
}

std::wstring LocationOf(CMarkup& markup)
{
    wchar_t location[50] = { 0 };
    markup.GetLastErrorLocation(location, 49);
    return location;
}

// Loads text and returns the error message, empty on success.
std::wstring ParseError(const wchar_t* text, bool preserve = true)
{
    CMarkup markup;
    markup.SetPreserveWhitespace(preserve);
    bool ok = markup.Load(text);
    EXPECT_EQ(ok, markup.IsValid());
    return ok ? std::wstring() : ErrorOf(markup);
}

bool LoadUtf8(CMarkup& markup, const std::string& bytes)
{
    return markup.LoadFromMem(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()),
                              SkinUI::XMLFILE_ENCODING_UTF8);
}

} // namespace

TEST(Markup, BomDeclarationCommentAndEntity)
{
    CMarkup markup;
    std::string doc = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                      "<Window size=\"400,300\">\n"
                      "  <!-- a comment with <Fake/> inside -->\n"
                      "  <Label text=\"Tom&amp;Jerry\" name=\"title\"/>\n"
                      "</Window>\n";
    ASSERT_TRUE(LoadUtf8(markup, doc)) << ErrorOf(markup);
    CMarkupNode root = markup.GetRoot();
    ASSERT_TRUE(root.IsValid());
    EXPECT_STREQ(L"Window", root.GetName());
    EXPECT_FALSE(root.GetParent().IsValid());
    EXPECT_FALSE(root.HasSiblings());
    EXPECT_STREQ(L"400,300", root.GetAttributeValue(L"size"));

    ASSERT_TRUE(root.HasChildren());
    CMarkupNode label = root.GetChild();
    EXPECT_STREQ(L"Label", label.GetName());
    EXPECT_FALSE(label.HasSiblings());
    EXPECT_FALSE(label.GetSibling().IsValid());
    EXPECT_FALSE(label.HasChildren());
    EXPECT_EQ(2, label.GetAttributeCount());
    EXPECT_STREQ(L"Tom&Jerry", label.GetAttributeValue(L"text"));
    EXPECT_STREQ(L"name", label.GetAttributeName(1));
    EXPECT_STREQ(L"title", label.GetAttributeValue(1));
    EXPECT_STREQ(L"", label.GetValue());
    EXPECT_STREQ(L"Window", label.GetParent().GetName());
    EXPECT_TRUE(root.GetChild(L"Label").IsValid());
    EXPECT_FALSE(root.GetChild(L"label").IsValid());
}

TEST(Markup, EntitiesTextAndSiblings)
{
    CMarkup markup(L"<A><B x=\"&lt;&gt;&quot;&apos;&amp;&bogus;\">a &lt; b</B><C/><D >text</D ></A>");
    ASSERT_TRUE(markup.IsValid()) << ErrorOf(markup);
    CMarkupNode b = markup.GetRoot().GetChild();
    EXPECT_STREQ(L"<>\"'&&bogus;", b.GetAttributeValue(L"x"));
    EXPECT_STREQ(L"a < b", b.GetValue());
    CMarkupNode c = b.GetSibling();
    EXPECT_STREQ(L"C", c.GetName());
    EXPECT_FALSE(c.HasAttributes());
    CMarkupNode d = c.GetSibling();
    EXPECT_STREQ(L"D", d.GetName());
    EXPECT_STREQ(L"text", d.GetValue());
    EXPECT_EQ(0, d.GetAttributeCount());
    EXPECT_FALSE(d.HasSiblings());
    EXPECT_STREQ(L"D", markup.GetRoot().GetChild(L"D").GetName());
}

TEST(Markup, AttributeErrors)
{
    EXPECT_EQ(L"Expected attribute value", ParseError(L"<Window text='single'/>"));
    EXPECT_EQ(L"Error while parsing attributes", ParseError(L"<Window text \"x\"/>"));
    EXPECT_EQ(L"Error while parsing attribute string", ParseError(L"<Window text=\"never closed"));
    EXPECT_EQ(L"Expected start-tag closing", ParseError(L"<Window a=\"1\" / >"));
    EXPECT_EQ(L"Error parsing element name", ParseError(L"<Window"));

    CMarkup markup;
    EXPECT_FALSE(markup.Load(L"<Window text='single'/>"));
    EXPECT_EQ(L"'single'/>", LocationOf(markup));
    EXPECT_FALSE(markup.GetRoot().IsValid());
}

TEST(Markup, StructureErrors)
{
    // The end of the text closes the top two levels...
    EXPECT_EQ(L"", ParseError(L"<Window><Label text=\"x\">"));
    EXPECT_EQ(L"", ParseError(L"<Window>"));
    // ...but not deeper ones.
    EXPECT_EQ(L"Expected start tag", ParseError(L"<Window><Layout><Label></Label>"));
    EXPECT_EQ(L"Expected end-tag start", ParseError(L"<A><B><C>"));
    EXPECT_EQ(L"Unmatched closing tag", ParseError(L"<A></B>"));
    EXPECT_EQ(L"Unmatched closing tag", ParseError(L"<AB></A>"));
    EXPECT_EQ(L"Unmatched closing tag", ParseError(L"<A></AB>"));
    EXPECT_EQ(L"Unmatched closing tag", ParseError(L"<A></A x>"));
    EXPECT_EQ(L"Expected start tag", ParseError(L"<A></A>trailing"));
    EXPECT_EQ(L"", ParseError(L"<A></A>  \r\n\t "));
    EXPECT_EQ(L"Expected start tag", ParseError(L"text before <A/>"));
    // A stray closing tag after the root is no valid document either.
    EXPECT_EQ(L"Unmatched closing tag", ParseError(L"<A></A></B>"));

    CMarkup markup;
    EXPECT_FALSE(markup.Load(L"<A></A>trailing words that run past the fifty characters of the location"));
    EXPECT_EQ(L"Expected start tag", ErrorOf(markup));
    std::wstring location = LocationOf(markup);
    EXPECT_EQ(49u, location.size());
    EXPECT_EQ(0u, location.find(L"trailing words"));
}

TEST(Markup, EmptyElementForms)
{
    CMarkup markup(L"<Window><Label/><Button />< Option text=\"a\"/></Window>");
    ASSERT_TRUE(markup.IsValid()) << ErrorOf(markup);
    CMarkupNode node = markup.GetRoot().GetChild();
    EXPECT_STREQ(L"Label", node.GetName());
    EXPECT_EQ(0, node.GetAttributeCount());
    node = node.GetSibling();
    EXPECT_STREQ(L"Button", node.GetName());
    node = node.GetSibling();
    EXPECT_STREQ(L"Option", node.GetName());
    EXPECT_STREQ(L"a", node.GetAttributeValue(L"text"));
    EXPECT_FALSE(node.HasSiblings());
}

TEST(Markup, WhitespaceCollapsing)
{
    const wchar_t* doc = L"<A text=\"one    two\">x    y</A>";
    CMarkup kept(doc);
    ASSERT_TRUE(kept.IsValid());
    CMarkupNode root = kept.GetRoot();
    EXPECT_STREQ(L"one    two", root.GetAttributeValue(L"text"));
    EXPECT_STREQ(L"x    y", root.GetValue());

    CMarkup collapsed;
    collapsed.SetPreserveWhitespace(false);
    ASSERT_TRUE(collapsed.Load(doc));
    root = collapsed.GetRoot();
    EXPECT_STREQ(L"one two", root.GetAttributeValue(L"text"));
    EXPECT_STREQ(L"x y", root.GetValue());
    // The gap left by collapsing does not hide the next attribute.
    ASSERT_TRUE(collapsed.Load(L"<A a=\"p   q\" b=\"r\"/>"));
    EXPECT_STREQ(L"r", collapsed.GetRoot().GetAttributeValue(L"b"));
}

TEST(Markup, SixtyFourAttributesVisible)
{
    std::wstring doc = L"<Window";
    for (int i = 0; i < 70; i++) doc += L" a" + std::to_wstring(i) + L"=\"v" + std::to_wstring(i) + L"\"";
    doc += L"/>";
    CMarkup markup(doc.c_str());
    ASSERT_TRUE(markup.IsValid()) << ErrorOf(markup);
    CMarkupNode root = markup.GetRoot();
    EXPECT_EQ(64, root.GetAttributeCount());
    EXPECT_STREQ(L"v63", root.GetAttributeValue(L"a63"));
    EXPECT_STREQ(L"", root.GetAttributeValue(L"a64"));
    EXPECT_FALSE(root.HasAttribute(L"a69"));
    EXPECT_TRUE(root.HasAttribute(L"a0"));
    EXPECT_STREQ(L"", root.GetAttributeName(64));
    EXPECT_STREQ(L"", root.GetAttributeValue(-1));
}

TEST(Markup, AttributeLookupsAndInvalidNodes)
{
    CMarkup markup(L"<Window caption = \"0,0,0,30\" Size=\"1\"/>");
    ASSERT_TRUE(markup.IsValid()) << ErrorOf(markup);
    CMarkupNode root = markup.GetRoot();
    EXPECT_STREQ(L"0,0,0,30", root.GetAttributeValue(L"caption"));
    EXPECT_STREQ(L"", root.GetAttributeValue(L"size"));
    EXPECT_STREQ(L"", root.GetAttributeValue(L"missing"));

    wchar_t buffer[8];
    wmemset(buffer, L'#', 8);
    EXPECT_TRUE(root.GetAttributeValue(L"caption", buffer, 4));
    EXPECT_EQ(std::wstring(L"0,0,"), std::wstring(buffer, 4));
    EXPECT_EQ(L'#', buffer[4]);
    EXPECT_TRUE(root.GetAttributeValue(1, buffer, 8));
    EXPECT_STREQ(L"1", buffer);
    EXPECT_FALSE(root.GetAttributeValue(L"missing", buffer, 8));
    EXPECT_FALSE(root.GetAttributeValue(5, buffer, 8));

    CMarkupNode invalid = root.GetChild();
    EXPECT_FALSE(invalid.IsValid());
    EXPECT_EQ(nullptr, invalid.GetName());
    EXPECT_EQ(nullptr, invalid.GetValue());
    EXPECT_EQ(nullptr, invalid.GetAttributeValue(L"caption"));
    EXPECT_EQ(nullptr, invalid.GetAttributeName(0));
    EXPECT_EQ(0, invalid.GetAttributeCount());
    EXPECT_FALSE(invalid.HasAttributes());
    EXPECT_FALSE(invalid.HasAttribute(L"caption"));
    EXPECT_FALSE(invalid.HasChildren());
    EXPECT_FALSE(invalid.GetAttributeValue(L"caption", buffer, 8));
    EXPECT_FALSE(invalid.GetChild(L"x").IsValid());

    markup.Release();
    EXPECT_FALSE(markup.IsValid());
    EXPECT_FALSE(markup.GetRoot().IsValid());
}

TEST(Markup, Encodings)
{
    const wchar_t text[] = L"<Window text=\"\u5173\u95ed\"/>";
    std::string le("\xFF\xFE", 2), be("\xFE\xFF", 2);
    for (const wchar_t* p = text; *p; ++p) {
        le += static_cast<char>(*p & 0xFF);
        le += static_cast<char>(*p >> 8);
        be += static_cast<char>(*p >> 8);
        be += static_cast<char>(*p & 0xFF);
    }
    for (const std::string& bytes : { le, be }) {
        std::string original = bytes;
        CMarkup markup;
        ASSERT_TRUE(markup.LoadFromMem(reinterpret_cast<const BYTE*>(bytes.data()),
                                       static_cast<DWORD>(bytes.size()), SkinUI::XMLFILE_ENCODING_UNICODE))
            << ErrorOf(markup);
        EXPECT_STREQ(L"\u5173\u95ed", markup.GetRoot().GetAttributeValue(L"text"));
        EXPECT_EQ(original, bytes);
    }

    CMarkup noMark;
    std::string bare = le.substr(2);
    EXPECT_FALSE(noMark.LoadFromMem(reinterpret_cast<const BYTE*>(bare.data()), static_cast<DWORD>(bare.size()),
                                    SkinUI::XMLFILE_ENCODING_UNICODE));
    EXPECT_FALSE(noMark.IsValid());
    EXPECT_EQ(L"Missing UTF-16 byte-order mark", ErrorOf(noMark));
    EXPECT_FALSE(noMark.LoadFromMem(reinterpret_cast<const BYTE*>("\xFF"), 1, SkinUI::XMLFILE_ENCODING_UNICODE));

    CMarkup ansi;
    std::string gbk = "<Window text=\"\xB9\xD8\xB1\xD5\"/>";
    ASSERT_TRUE(ansi.LoadFromMem(reinterpret_cast<const BYTE*>(gbk.data()), static_cast<DWORD>(gbk.size()),
                                 SkinUI::XMLFILE_ENCODING_ANSI));
    ASSERT_EQ(936u, GetACP());
    EXPECT_STREQ(L"\u5173\u95ed", ansi.GetRoot().GetAttributeValue(L"text"));

    CMarkup utf8;
    ASSERT_TRUE(LoadUtf8(utf8, "<Window text=\"\xE5\x85\xB3\xE9\x97\xAD\"/>"));
    EXPECT_STREQ(L"\u5173\u95ed", utf8.GetRoot().GetAttributeValue(L"text"));
}

TEST(Markup, DeepNestingDoesNotExhaustTheStack)
{
    std::wstring doc;
    for (int i = 0; i < 200000; i++) doc += L"<a>";
    for (int i = 0; i < 200000; i++) doc += L"</a>";
    CMarkup markup(doc.c_str());
    ASSERT_TRUE(markup.IsValid()) << ErrorOf(markup);
    CMarkupNode node = markup.GetRoot();
    int depth = 0;
    while (node.HasChildren()) {
        node = node.GetChild();
        ++depth;
    }
    EXPECT_EQ(199999, depth);

    std::wstring open;
    for (int i = 0; i < 200000; i++) open += L"<a>";
    EXPECT_FALSE(markup.Load(open.c_str()));
    EXPECT_EQ(L"Expected end-tag start", ErrorOf(markup));
}

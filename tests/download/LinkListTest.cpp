// The link list's rules: the link check, the splitting of pasted text, the duplicate rule with OK and
// Cancel, the selection after Remove, and which addresses a transfer may fetch.
#include <gtest/gtest.h>

#include "download/LinkList.h"

using namespace download;

TEST(LinkList, LinkCheck) {
    struct Case {
        const char* line;
        bool link;
    } cases[] = {
        {"http://www.youtube.com/watch?v=abc123", true},
        {"https://youtube.com/watch?v=x", true},
        {"HTTP://WWW.YOUTUBE.COM/WATCH?V=ABC", true},
        {"  http://www.youtube.com/watch?v=x", true},
        {"http://example.org/redirect/youtube.com/page", true},  // merely carries both names
        {"youtube.com http", true},                              // anywhere, in any order
        {"www.youtube.com/watch?v=abc", false},                  // no scheme
        {"http://www.youtube.co/watch?v=abc", false},
        {"http://vimeo.com/123", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsVideoLink(QString::fromUtf8(c.line)), c.link) << c.line;
}

TEST(LinkList, PastedTextBecomesLines) {
    struct Case {
        const char* text;
        QStringList lines;
    } cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\n\n\r\nb", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"  a  \n", {"  a  "}},
        {"\"x\ny\"\nz", {"\"x\ny\"", "z"}},
        {"'x\r\ny' tail\nz", {"'x\r\ny' tail", "z"}},
        {"it's\nz", {"it's", "z"}},  // a lone quote does not swallow the rest
        {"", {}},
        {"\r\n\r\n", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitPastedText(QString::fromUtf8(c.text)), c.lines) << c.text;
}

TEST(LinkList, DuplicatesAndNonLinksCostOneMessageEach) {
    const QString one = "http://www.youtube.com/watch?v=1";
    const QString two = "http://www.youtube.com/watch?v=2";
    const QString three = "http://www.youtube.com/watch?v=3";
    struct Case {
        bool answerOk;
        QStringList rowsAfter;
    } cases[] = {
        {true, {two, one, three}},
        {false, {two, one}},
    };
    for (const auto& c : cases) {
        QStringList rows{two};
        QStringList messages;
        const QStringList added = AddLinks({one, two, three}, rows, [&](const QString& m) {
            messages << m;
            return c.answerOk;
        });
        EXPECT_EQ(rows, c.rowsAfter);
        EXPECT_EQ(added, c.rowsAfter.mid(1));
        EXPECT_EQ(messages, QStringList{two + "\n\r\n\rThis video is already in the download list."});
    }

    // Letter case makes a different link; a non-link is refused with its own text.
    QStringList rows{one};
    QStringList messages;
    AddLinks({one.toUpper(), "not a link", one.toUpper()}, rows, [&](const QString& m) {
        messages << m;
        return true;
    });
    EXPECT_EQ(rows, (QStringList{one, one.toUpper()}));
    EXPECT_EQ(messages, (QStringList{"not a link\n\r\n\rThis is not a YouTube video link.",
                                     one.toUpper() + "\n\r\n\rThis video is already in the download list."}));
}

TEST(LinkList, SelectionAfterRemove) {
    struct Case {
        QList<int> removed;
        int rowsLeft, selected;
    } cases[] = {
        {{4}, 4, 3},     // the last row removed: the new last row
        {{1, 3}, 3, 1},  // the row now standing at the smallest index
        {{0, 1, 2}, 0, -1},
        {{}, 3, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RowAfterRemove(c.removed, c.rowsLeft), c.selected);
}

TEST(LinkList, OnlyWebAddressesAreFetched) {
    struct Case {
        const char* address;
        bool web;
    } cases[] = {
        {"http://www.youtube.com/watch?v=1", true},
        {"HTTPS://media/x", true},
        {"www.youtube.com/watch?v=1 http", true},
        {"file:///etc/passwd?http://youtube.com", false},
        {"ftp://youtube.com/x", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsWebAddress(QString::fromUtf8(c.address)), c.web) << c.address;
}
